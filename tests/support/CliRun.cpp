#include "CliRun.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <csignal>

namespace vantor::test {

namespace {

void prepare(QProcess& process, const std::vector<std::pair<QString, QString>>& environment, CliInput input) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        variables.insert(name, value);
    process.setProcessEnvironment(variables);
    if (input == CliInput::Null)
        process.setStandardInputFile(QProcess::nullDevice());
}

CliRun ended(QProcess& process, const QString& errorSoFar = {}) {
    if (!process.waitForFinished(kCliLimitMs)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            errorSoFar + QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

CliRun runCli(const QString& executable, const QStringList& arguments,
              const std::vector<std::pair<QString, QString>>& environment, CliInput input) {
    QProcess process;
    prepare(process, environment, input);
    process.start(executable, arguments);
    return ended(process);
}

CliRun runCliInterrupted(const QString& executable, const QStringList& arguments,
                         const std::vector<std::pair<QString, QString>>& environment, const QString& cue) {
    QProcess process;
    prepare(process, environment, CliInput::Null);
    process.setReadChannel(QProcess::StandardError);
    process.start(executable, arguments);
    QString error;
    QElapsedTimer clock;
    clock.start();
    while (!error.contains(cue) && clock.elapsed() < kCliLimitMs && process.waitForReadyRead(kCliLimitMs))
        error += QString::fromUtf8(process.readAllStandardError());
    // Only to the tool itself while it runs: a pid of 0 would signal the whole process group.
    if (error.contains(cue) && process.state() == QProcess::Running && process.processId() > 0)
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    return ended(process, error);
}

}  // namespace vantor::test
