// vantor-cli: the command-line companion of the Vantor PC Program, for service technicians,
// scripts and integration tests. Results go to stdout, progress and refusals to stderr.
// Exit status: 0 success, 1 the scale, the link or a server failed, 2 bad input or usage.

#include <QCoreApplication>
#include <iostream>
#include <memory>

#include "CliParser.h"
#include "DownloadCommands.h"
#include "FirmwareCommands.h"
#include "HelpText.h"
#include "HistoryCommands.h"
#include "KeyCommands.h"
#include "OnlineCommands.h"
#include "ScaleCommands.h"
#include "StderrLog.h"
#include "TablesCommands.h"
#include "VerifyCommand.h"
#include "ZoneCommands.h"
#include "core/app/LogFileOption.h"
#include "platform/app/LogFile.h"
#include "platform/scale/PortDiscovery.h"

using namespace vantor::cli;

namespace {

// How ports, lists of ports and the data folder are written on the system the program runs on.
struct SystemWords {
    const char* port;
    const char* otherPort;
    const char* separator;
    const char* dataFolderVariable;
    const char* dataFolder;
};
#ifdef _WIN32
constexpr SystemWords kSystem{"COM3", "COM4", ";", "LOCALAPPDATA",
                              "%LOCALAPPDATA%\\VantorUSA_PCProgram\\VantorUSA_PCProgram"};
#else
constexpr SystemWords kSystem{
    "/dev/ttyUSB0", "/dev/ttyUSB1", ":", "XDG_DATA_HOME",
    "$XDG_DATA_HOME/VantorUSA_PCProgram/VantorUSA_PCProgram (~/.local/share when unset)"};
#endif

std::string quoted(const char* text) {
    return std::string("'") + text + "'";
}

const std::vector<CommandSyntax> kCommands = {
    {"ports",
     0,
     0,
     {},
     {},
     "ports",
     "List the serial ports in the order detection tries them, one device path a line: the paths in "
     "VANTOR_SERIAL_PORTS first, then the system's ports by number (COM10 after COM9), at most 32.",
     [](const ParsedCommand&) { return portsCommand(); }},
    {"detect",
     0,
     0,
     {},
     {"all"},
     "detect [--all]",
     std::string("Find the scale: every port is asked for the serial number at once and the first good "
                 "answer wins. Prints \"DEVICE SERIAL\", for example \"") +
         kSystem.port +
         " 12345678\". Exit status 1 when no port answers "
         "within 10 seconds. With --all, every port's answer (or its time limit) is awaited and every scale "
         "found is printed, one line each, in port order.",
     detectCommand},
    {"serial",
     0,
     0,
     {"port"},
     {},
     "serial [--port DEV]",
     "Print the scale's 8-digit serial number. Exit status 1 when the scale is silent or its answer is not "
     "a serial number (the answer is shown).",
     serialCommand},
    {"image",
     1,
     1,
     {"output", "serial"},
     {},
     "image HEXFILE --output OUT [--serial NNNNNNNN]",
     "Write to OUT the 65,536-byte image the update file HEXFILE gives: FF where the file puts nothing, the "
     "file's bytes laid over, and the serial number packed at 0x0700 (--serial, else the one stored by the "
     "program, else zeros). Nothing is written when the file is refused (exit status 2); the refusal names "
     "the line and the reason.",
     imageCommand},
    {"flash",
     1,
     1,
     {"port"},
     {"erase-tables", "keep-tables", "all"},
     "flash SOURCE [--port DEV]... [--all] [--erase-tables]",
     "Update the scale's software from SOURCE, an Intel HEX file or an http(s) URL that is downloaded first. "
     "The file is checked completely before the scale is contacted; then all 512 pages are written and "
     "each is read back, with the scale's own retry rules. Page progress goes to stderr. "
     "The user's tables (zone table and keys, 0x8000..0x91FF) are kept: read first and saved to a backup "
     "file, whose path is printed, and written back after a verified run when the update file leaves "
     "that region blank. When they cannot be read or no backup file can be saved, nothing is written and "
     "the exit status is 1; --erase-tables updates without keeping them (--keep-tables is accepted and "
     "changes nothing). Exit status 0 only when every page was verified and the tables are back, or, when "
     "the update file brings a zone table and keys of its own (it covers that region), when every page "
     "was verified with those: the scale's own are then replaced, and only their backup file keeps "
     "them; 2 when "
     "the file (or the downloaded one) is refused; 1 when the scale refused the serial number, stopped "
     "answering or kept failing, or when the tables were not all written back (the backup is named, for "
     "restore). With --all (every scale detect --all finds) or --port given more than once, every scale "
     "is updated at the same time, each on its own port with its own serial number; one line per scale "
     "at the end; exit status 0 only when every scale is updated so, 1 when any failed (the others still "
     "finish).",
     flashCommand},
    {"resume",
     0,
     0,
     {"port"},
     {"all", "yes"},
     "resume [--port DEV]... [--all] [--yes]",
     "Finish every update that was cut short (the program closed, the computer or the scale lost power) on "
     "the scales present: each update keeps a journal until the scale verified and its tables are back. "
     "The journal's own copy of the update file is checked against its SHA-256 and written again, then "
     "the zone table and keys saved before the update are written back; no Internet is needed. Asks "
     "before writing (--yes answers Yes). Exit status 0 only when each scale with an unfinished update "
     "verified and has its tables back (a scale with none is said and counts as done).",
     resumeCommand},
    {"verify",
     1,
     1,
     {"port"},
     {"all"},
     "verify SOURCE [--port DEV]... [--all]",
     "Check that the scale holds what an update from SOURCE (a HEX file or an http(s) URL, checked "
     "completely first) would write into it, without writing anything: its 512 pages are read and "
     "compared with the update file's image with the scale's own serial number packed. The tables "
     "region (0x8000..0x91FF) is compared only when the update file brings tables of its own; otherwise "
     "the line says whether the scale's zone table and keys are programmed or blank. One line a scale: "
     "\"DEVICE SERIAL: matches\" or \"DEVICE SERIAL: 12 pages differ; first at 0x2A40: scale 3C, update "
     "file 7E\"; a scale with an unfinished update has it named after its line (finish it with resume). "
     "With --all or several --port, every scale is read at the same time. Exit status 0 when every scale "
     "matches, 1 when any differs, does not answer or has an unfinished update, 2 when SOURCE is "
     "refused.",
     verifyCommand},
    {"status",
     0,
     0,
     {"port"},
     {"all"},
     "status [--port DEV]... [--all]",
     "For each scale: its serial number, whether its zone table and each of its six keys are programmed "
     "or blank (read from the tables region; nothing is written), and the last update the history holds "
     "for that serial number (\"not ended\" when its run never ended), and an unfinished update when its "
     "journal is there (finish it with resume). Exit status 1 when a scale does not answer, its last "
     "update never ended or an update is unfinished.",
     statusCommand},
    {"history",
     0,
     0,
     {"serial"},
     {"json"},
     "history [--serial N] [--json]",
     "The update history, newest first: every update, key write, zone write, backup and restore made "
     "by the program or by vantor-cli, with its time, serial number, outcome, pages written, duration "
     "and the result's sentence; --serial shows one scale's records, --json prints the records as the "
     "history file holds them (JSON lines). Damaged lines of the file are skipped, with one warning for them "
     "all; "
     "control characters in the records are shown escaped (\\n, \\x1B).",
     historyCommand},
    {"backup",
     1,
     1,
     {"port"},
     {},
     "backup FILE [--port DEV]",
     "Save the scale's tables region (the zone table and the six key blocks, 0x8000..0x91FF, 36 pages) to "
     "FILE as Intel HEX, and the scale's serial number beside it in FILE.serial, which restore checks. "
     "Nothing is written to the scale. Exit status 1 when the scale does not answer, 2 when FILE cannot "
     "be written.",
     backupCommand},
    {"restore",
     1,
     1,
     {"port"},
     {"yes", "other-scale"},
     "restore FILE [--port DEV] [--yes] [--other-scale]",
     "Write the pages of the tables region that FILE (an Intel HEX file, such as a backup) covers, "
     "each read back and verified. The file is checked completely first: "
     "a file with any data outside 0x8000..0x91FF is refused with exit status 2 and nothing written. "
     "A backup known to be another scale's (by FILE.serial beside it, or the serial number in the name "
     "of the program's own backups) is refused with exit status 2 unless --other-scale is given. "
     "Asks before writing (--yes answers Yes).",
     restoreCommand},
    {"read",
     1,
     2,
     {"port"},
     {},
     "read ADDRESS [LENGTH] [--port DEV]",
     "Hex dump of the scale's memory from ADDRESS, LENGTH bytes (default 128, one page), in lines "
     "\"AAAA: XX XX ...\" of 16 bytes.",
     readCommand},
    {"download",
     2,
     2,
     {"retries", "max-size"},
     {},
     "download URL DEST [--retries N] [--max-size BYTES]",
     "Download URL into the file DEST. A connection that breaks off is resumed where it stopped (a Range "
     "request), up to N times (default 3); a server that gives no ETag or Last-Modified is asked for the "
     "whole file again instead. A file larger than BYTES (default 268435456, 256 MiB) is refused. An "
     "abandoned download leaves no partial file.",
     downloadCommand},
    {"key",
     1,
     1,
     {"unit", "table", "port"},
     {"yes"},
     "key KEY --unit oz|lb|g --table CSV [--port DEV] [--yes]",
     "Write a weight-and-rate table into blank key KEY (1 to 6). CSV holds one range a line, \"max "
     "weight,rate\"; the rate is everything after the first comma and may carry $ and thousands "
     "separators (\"12,$1,234.56\" is 12 and 1234.56); blank lines and lines starting with # are skipped; "
     "weights are read as the program's table editor reads them, and a max weight must be a whole "
     "number (12.5 is refused). The editor's checks apply. "
     "Exit status 2 when the table is refused.",
     keyCommand},
    {"zones",
     1,
     1,
     {"port"},
     {"yes"},
     "zones CHART [--port DEV] [--yes]",
     "Write the scale's zone table from CHART: the postal service's zone chart page for the sender's ZIP "
     "code, copied from the browser and saved as a text file. Exit status 2 when the chart is refused.",
     zonesCommand},
    {"check",
     0,
     0,
     {},
     {},
     "check",
     "Ask the web server whether a scale software update is available and which PC program version is the "
     "latest. Prints \"software-update: Y\" (or N) and \"latest-version: Version X\", trimmed, as the server "
     "gave them. Exit status 1 when either answer is missing or the first is not Y or N.",
     checkCommand},
};

void printHelp() {
    HelpText help;
    help.paragraph("Usage: vantor-cli COMMAND [ARGUMENTS] [OPTIONS]");
    help.paragraph(
        "The command-line companion of the Vantor PC Program, for service technicians and scripts: it finds "
        "the scale on a serial port, reads its memory, updates its software, programs its keys and its zone "
        "table, and asks the maker's server for news. Results go to stdout; progress, questions and "
        "refusals go to stderr.");
    help.section("Commands:");
    for (const CommandSyntax& c : kCommands)
        help.item(c.usage, c.summary);
    help.section("Options:");
    const std::string twoPorts = std::string(kSystem.port) + kSystem.separator + kSystem.otherPort;
    help.item("--port DEV", std::string("The scale's serial port (") + kSystem.port +
                                "). Without it, commands that need the scale find it first, as detect does.");
    help.item("--yes",
              "Answer the operation's questions with Yes: a rate lower than or equal to the one "
              "before, overwriting a programmed key, the final confirmation. Without --yes they are "
              "asked on the terminal, and answered No when there is none. A No ends the command with "
              "nothing written and exit status 1.");
    help.item("--only-ports PORTS",
              "Search only these serial ports, separated by " + quoted(kSystem.separator) + " (" + twoPorts +
                  "): no other port is opened, not even the system's own (a machine on another port is left "
                  "alone). The same as VANTOR_ONLY_PORTS; may stand anywhere on the command line.");
    help.item("--log-file PATH",
              "Append a support log to PATH: the serial traffic in hex with timing, the "
              "online requests and what the command told the user.");
    help.item("--help", "This text.");
    help.item("--version", "The program's version.");
    help.paragraph(
        "Numbers are decimal or 0x hexadecimal. Options follow the command word, before or after "
        "its arguments, and --name=value works as well as --name value; --log-file, --help and "
        "--version may stand anywhere.");
    help.section("Exit status:");
    help.item("0", "success");
    help.item("1", "the scale, the link or a server failed");
    help.item("2", "bad input or usage");
    help.section("Environment:");
    help.item("VANTOR_SERIAL_PORTS", "Extra serial ports to search, separated by " +
                                         quoted(kSystem.separator) + " (" + twoPorts +
                                         "), besides those the system lists.");
    help.item("VANTOR_ONLY_PORTS",
              "The only serial ports to search, separated by " + quoted(kSystem.separator) +
                  " (as --only-ports): the system's own ports and VANTOR_SERIAL_PORTS are "
                  "then left alone.");
    help.item("VANTOR_WEB_SERVER", "The web server's base URL (the query script), for check.");
    help.item("http_proxy, https_proxy, no_proxy",
              "The forward proxy for http:// and for https:// addresses (http://[USER:PASSWORD@]HOST:PORT; "
              "the upper-case names are read when the lower-case ones are not set), and the hosts reached "
              "without it, separated by commas (a name also covers the hosts under it; * covers all). On "
              "Windows the system's proxy settings (Internet Options) are used instead. Check, flash URL "
              "and download all go through it; the support log names the proxy of each request, never "
              "its password.");
    help.item(kSystem.dataFolderVariable,
              std::string("Where the data folder is: ") + kSystem.dataFolder +
                  ", which holds the update history (history.jsonl, shared with the program), the "
                  "journals of unfinished updates and the tables backups.");
    help.item("QT_LOGGING_RULES", "\"vantor.*.debug=true\" logs the serial traffic as hex on stderr.");
    help.section("Examples:");
    help.item("vantor-cli detect", "Which port the scale is on.");
    help.item(std::string("vantor-cli flash VantorUSA_APROM.hex --port ") + kSystem.port,
              "Update the scale's software.");
    help.item("vantor-cli key 3 --unit oz --table rates.csv --yes", "Program blank key 3.");
    std::cout << help.text();
}

std::string commandLine(int argc, char** argv) {
    std::string line = "vantor-cli";
    for (int i = 1; i < argc; ++i)
        line += std::string(" ") + argv[i];
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));

    std::vector<std::string> args(argv + 1, argv + argc);
    const vantor::app::LogFileOption logFile = vantor::app::takeLogFileOption(args);
    const vantor::app::ValueOption onlyPorts =
        vantor::app::takeValueOption(args, "--only-ports", "a list of ports");
    if (!onlyPorts.error.empty()) {
        std::cerr << "vantor-cli: " << onlyPorts.error << "\n";
        return kBadInput;
    }
    // Detection reads it wherever it runs, for every command alike.
    if (onlyPorts.value)
        qputenv(vantor::scale::kOnlyPortsVariable, QByteArray::fromStdString(*onlyPorts.value));
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
    return outcome.command->syntax->run(*outcome.command);
}
