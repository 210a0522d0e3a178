// vantor-cli: the command-line companion of the Vantor PC Program, for service technicians,
// scripts and integration tests. Results go to stdout, progress and refusals to stderr.
// Exit status: 0 success, 1 the scale, the link or a server failed, 2 bad input or usage.

#include <QCoreApplication>
#include <iostream>

#include "CliParser.h"
#include "ScaleCommands.h"

using namespace vantor::cli;

namespace {

const std::vector<CommandSyntax> kCommands = {
    {"ports", 0, 0, {}, {}, "ports", "List the serial ports in detection order, one device path a line."},
    {"detect", 0, 0, {}, {}, "detect",
     "Find the scale: prints \"<device> <serial>\"; exit status 1 when no port answers."},
    {"serial", 0, 0, {"port"}, {}, "serial [--port DEV]",
     "Read the scale's 8-digit serial number (detection first when --port is not given)."},
};

void printHelp() {
    std::cout << "Usage: vantor-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n"
                 "The command-line companion of the Vantor PC Program.\n\nCommands:\n";
    for (const CommandSyntax& c : kCommands) std::cout << "  " << c.usage << "\n      " << c.summary << "\n";
    std::cout << "\nOptions:\n  --help       this text\n  --version    the program's version\n\n"
                 "Environment:\n"
                 "  VANTOR_SERIAL_PORTS  extra device paths to search, separated by ':'\n"
                 "  QT_LOGGING_RULES     \"vantor.*.debug=true\" logs the serial traffic as hex\n\n"
                 "Exit status: 0 success; 1 the scale, the link or a server failed; 2 bad input or usage.\n";
}

int run(const ParsedCommand& command) {
    if (command.name == "ports") return portsCommand();
    if (command.name == "detect") return detectCommand();
    if (command.name == "serial") return serialCommand(command);
    return kBadInput;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));

    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParseOutcome outcome = parseCommandLine(args, kCommands);
    if (outcome.help) {
        printHelp();
        return kSuccess;
    }
    if (outcome.version) {
        std::cout << "vantor-cli " << VANTOR_VERSION << "\n";
        return kSuccess;
    }
    if (!outcome.command) {
        std::cerr << "vantor-cli: " << outcome.error << "\n";
        return kBadInput;
    }
    return run(*outcome.command);
}
