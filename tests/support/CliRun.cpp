#include "CliRun.h"

#include <fcntl.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace vantor::test {

namespace {

// A pseudo-terminal for the tool's input, in its default (line-by-line) mode, on which the user has
// pressed Ctrl+D before anything else: the tool's first read of it ends its input.
class EndedTerminal {
public:
    EndedTerminal() : m_keyboard(::posix_openpt(O_RDWR | O_NOCTTY)) {
        const char endOfInput = 0x04;  // Ctrl+D
        if (m_keyboard < 0 || ::grantpt(m_keyboard) != 0 || ::unlockpt(m_keyboard) != 0 ||
            ::write(m_keyboard, &endOfInput, 1) != 1) {
            if (m_keyboard >= 0)
                ::close(m_keyboard);
            throw std::runtime_error("no pseudo-terminal for the test");
        }
        m_device = QString::fromLocal8Bit(::ptsname(m_keyboard));
    }
    ~EndedTerminal() { ::close(m_keyboard); }
    EndedTerminal(const EndedTerminal&) = delete;
    EndedTerminal& operator=(const EndedTerminal&) = delete;
    const QString& device() const { return m_device; }

private:
    int m_keyboard;
    QString m_device;
};

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
    std::optional<EndedTerminal> terminal;
    if (input == CliInput::EndedTerminal) {
        terminal.emplace();
        process.setStandardInputFile(terminal->device());
    }
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
