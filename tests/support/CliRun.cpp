#include "CliRun.h"

#include <QProcessEnvironment>

namespace vantor::test {

CliRun runCli(const QString& executable, const QStringList& arguments,
              const std::vector<std::pair<QString, QString>>& environment, CliInput input) {
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        variables.insert(name, value);
    process.setProcessEnvironment(variables);
    if (input == CliInput::Null)
        process.setStandardInputFile(QProcess::nullDevice());
    process.start(executable, arguments);
    if (!process.waitForFinished(kCliLimitMs)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace vantor::test
