#pragma once

// vantor-cli run as a user runs it, in its own process, for the command-line tests.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace vantor::test {

struct CliRun {
    int exitCode = -1;  // -1 when it crashed or had to be killed
    QString out;
    QString err;
};

// Where the tool's stdin comes from: a pipe of ours (never a terminal), nothing at all, or a
// terminal on which the user pressed Ctrl+D (the end of input) before typing anything.
enum class CliInput { Pipe, Null, EndedTerminal };

// A tool that has not finished by then has hung: it is killed and the run reports -1.
constexpr int kCliLimitMs = 60000;

// Runs `executable` with `arguments` to its end; `environment` is set on top of this process's.
CliRun runCli(const QString& executable, const QStringList& arguments,
              const std::vector<std::pair<QString, QString>>& environment = {},
              CliInput input = CliInput::Pipe);

// The same, with Ctrl+C (SIGINT) pressed once the tool's error output shows `cue`.
CliRun runCliInterrupted(const QString& executable, const QStringList& arguments,
                         const std::vector<std::pair<QString, QString>>& environment, const QString& cue);

}  // namespace vantor::test
