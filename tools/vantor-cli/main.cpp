// vantor-cli: the command-line companion of the Vantor PC Program, for service technicians,
// scripts and integration tests. Results go to stdout, progress and refusals to stderr.
// Exit status: 0 success, 1 the scale, the link or a server failed, 2 bad input or usage.

#include <QCoreApplication>
#include <iostream>
#include <memory>

#include "CliParser.h"
#include "DownloadCommands.h"
#include "FirmwareCommands.h"
#include "KeyCommands.h"
#include "OnlineCommands.h"
#include "ScaleCommands.h"
#include "StderrLog.h"
#include "ZoneCommands.h"
#include "app/LogFile.h"
#include "app/LogFileOption.h"

using namespace vantor::cli;

namespace {

const std::vector<CommandSyntax> kCommands = {
    {"ports", 0, 0, {}, {}, "ports", "List the serial ports in detection order, one device path a line."},
    {"detect", 0, 0, {}, {}, "detect",
     "Find the scale: prints \"<device> <serial>\"; exit status 1 when no port answers."},
    {"serial", 0, 0, {"port"}, {}, "serial [--port DEV]",
     "Read the scale's 8-digit serial number (detection first when --port is not given)."},
    {"image", 1, 1, {"output", "serial"}, {}, "image HEXFILE --output OUT [--serial NNNNNNNN]",
     "Write the 65,536-byte image the update file gives (FF where the file puts nothing, the serial\n"
     "      number at 0x0700: --serial, else the stored one); exit status 2 when the file is refused."},
    {"flash", 1, 1, {"port"}, {}, "flash SOURCE [--port DEV]",
     "Program the update file (a HEX file, or an http(s) URL downloaded first) into the scale, every page\n"
     "      written and read back; exit status 0 only when every page was verified. The file is checked\n"
     "      completely before the scale is contacted."},
    {"read", 1, 2, {"port"}, {}, "read ADDRESS [LENGTH] [--port DEV]",
     "Hex dump of the scale's memory from ADDRESS (LENGTH bytes, default one page of 128)."},
    {"download", 2, 2, {"retries"}, {}, "download URL DEST [--retries N]",
     "Download URL into the file DEST; a reset connection resumes where it broke off, up to N times\n"
     "      (default 3). An abandoned download leaves no partial file."},
    {"key", 1, 1, {"unit", "table", "port"}, {"yes"}, "key KEY --unit oz|lb|g --table CSV [--port DEV] [--yes]",
     "Write the weight-and-rate table in CSV (lines \"max weight,rate\") into blank key KEY (1..6) with\n"
     "      the table editor's checks; asks before a lower or equal rate, an overwrite and the write unless\n"
     "      --yes (no terminal: No). Exit status 2 when the table is refused."},
    {"zones", 1, 1, {"port"}, {"yes"}, "zones CHART [--port DEV] [--yes]",
     "Write the zone table from CHART, the postal service's zone-chart page copied and saved as text;\n"
     "      asks before writing unless --yes (no terminal: No). Exit status 2 when the chart is refused."},
    {"check", 0, 0, {}, {}, "check",
     "Ask the web server whether a scale software update is available and which PC program version is the "
     "latest: prints \"software-update: Y\" (or N) and \"latest-version: Version X\"."},
};

void printHelp() {
    std::cout << "Usage: vantor-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n"
                 "The command-line companion of the Vantor PC Program.\n\nCommands:\n";
    for (const CommandSyntax& c : kCommands) std::cout << "  " << c.usage << "\n      " << c.summary << "\n";
    std::cout << "\nOptions:\n"
                 "  --log-file PATH  append a support log to PATH: the serial traffic in hex with timing, the\n"
                 "                   online requests and what the command told the user\n"
                 "  --help           this text\n"
                 "  --version        the program's version\n\n"
                 "Environment:\n"
                 "  VANTOR_SERIAL_PORTS  extra device paths to search, separated by ':'\n"
                 "  VANTOR_WEB_SERVER    the web server's base URL (the query script), e.g. the URL vantor-server prints\n"
                 "  QT_LOGGING_RULES     \"vantor.*.debug=true\" logs the serial traffic as hex\n\n"
                 "Exit status: 0 success; 1 the scale, the link or a server failed; 2 bad input or usage.\n";
}

std::string commandLine(int argc, char** argv) {
    std::string line = "vantor-cli";
    for (int i = 1; i < argc; ++i) line += std::string(" ") + argv[i];
    return line;
}

int run(const ParsedCommand& command) {
    if (command.name == "ports") return portsCommand();
    if (command.name == "detect") return detectCommand();
    if (command.name == "serial") return serialCommand(command);
    if (command.name == "image") return imageCommand(command);
    if (command.name == "flash") return flashCommand(command);
    if (command.name == "read") return readCommand(command);
    if (command.name == "check") return checkCommand(command);
    if (command.name == "zones") return zonesCommand(command);
    if (command.name == "key") return keyCommand(command);
    if (command.name == "download") return downloadCommand(command);
    return kBadInput;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));

    std::vector<std::string> args(argv + 1, argv + argc);
    const vantor::app::LogFileOption logFile = vantor::app::takeLogFileOption(args);
    const ParseOutcome outcome = parseCommandLine(args, kCommands);
    if (outcome.help) {
        printHelp();
        return kSuccess;
    }
    if (outcome.version) {
        std::cout << "vantor-cli " << VANTOR_VERSION << "\n";
        return kSuccess;
    }
    if (!logFile.error.empty() || !outcome.command) {
        std::cerr << "vantor-cli: " << (logFile.error.empty() ? outcome.error : logFile.error) << "\n";
        return kBadInput;
    }
    std::unique_ptr<StderrLog> stderrLog;
    if (logFile.path) {
        if (const auto failure = vantor::app::LogFile::start(QString::fromLocal8Bit(logFile.path->c_str()))) {
            std::cerr << "vantor-cli: cannot write the log file " << *logFile.path << ": "
                      << failure->toLocal8Bit().constData() << "\n";
            return kBadInput;
        }
        stderrLog = std::make_unique<StderrLog>();
        qCInfo(lcCli).noquote() << "command:" << QString::fromStdString(commandLine(argc, argv));
    }
    return run(*outcome.command);
}
