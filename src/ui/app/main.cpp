#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyleFactory>
#include <iostream>
#include <memory>

#include "core/app/CommandLine.h"
#include "core/app/LogFileOption.h"
#include "platform/app/DataFolder.h"
#include "platform/app/LogFile.h"
#include "ui/app/Desktop.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Program.h"
#include "ui/app/ServerChecks.h"
#include "ui/app/frmStartUp.h"

namespace {

constexpr int kBadUsage = 2;

const char* const kHelp =
    "Usage: vantor-pc [--log-file PATH]\n"
    "\n"
    "The Vantor PC Program: finds the Vantor scale on a serial port, checks the maker's server for news,\n"
    "updates the scale's software, programs its keys with weight-and-rate tables and writes its zone table.\n"
    "\n"
    "Options:\n"
    "  --log-file PATH  append a support log to PATH: the serial traffic in hex with timing, the online\n"
    "                   requests, the forms shown and every message box with its answer. Without it,\n"
#ifdef _WIN32
    "                   the log is kept in "
    "%LOCALAPPDATA%\\VantorUSA_PCProgram\\VantorUSA_PCProgram\\support.log\n"
#else
    "                   the log is kept in "
    "~/.local/share/VantorUSA_PCProgram/VantorUSA_PCProgram/support.log\n"
#endif
    "                   (at most 2 MB; the one before is support.log.old)\n"
    "  --help           this text\n"
    "  --version        the program's version\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are accepted as well.\n"
    "\n"
    "Environment:\n"
    "  VANTOR_SERIAL_PORTS     extra serial device paths to search, separated by ':'\n"
    "  VANTOR_ONLY_PORTS       the only serial ports to search, separated by ':'\n"
    "  VANTOR_PROBE_URL        the page opened by the Internet check at start-up\n"
    "  VANTOR_WEB_SERVER       the maker's web server (the query script)\n"
    "  VANTOR_DOWNLOAD_SERVER  the maker's download server\n"
    "  http_proxy, https_proxy the forward proxy for http:// and for https:// addresses,\n"
    "                          http://[USER:PASSWORD@]HOST:PORT (HTTP_PROXY, HTTPS_PROXY when these are "
    "unset);\n"
    "                          on Windows the system's proxy settings are used instead\n"
    "  no_proxy                hosts reached without the proxy, separated by ',' (or NO_PROXY)\n"
    "  QT_LOGGING_RULES        e.g. \"vantor.*.debug=true\" logs the serial traffic to the terminal\n";

// --help and --version are ours; every other word is Qt's (-platform, -style, ...), passed on.
const vantor::app::CommandLineRules kOwnOptions = {{{"--help"}, {"-h"}, {"--version"}, {"-v"}}, false, true};

}  // namespace

int main(int argc, char* argv[]) {
    // --help and --version answer without a display; the rest of the command line is Qt's.
    std::vector<std::string> args(argv + 1, argv + argc);
    const vantor::app::LogFileOption logFile = vantor::app::takeLogFileOption(args);
    const vantor::app::CommandLine own(args, kOwnOptions);
    if (own.has("--help") || own.has("-h")) {
        std::cout << kHelp;
        return 0;
    }
    if (own.has("--version") || own.has("-v")) {
        std::cout << "vantor-pc " << VANTOR_VERSION << "\n";
        return 0;
    }
    if (!logFile.error.empty()) {
        std::cerr << "vantor-pc: " << logFile.error << "\n";
        return kBadUsage;
    }

    QApplication application(argc, argv);
    // Also the settings' organisation and application: the stored serial number lives under them.
    QApplication::setOrganizationName(QStringLiteral("VantorUSA_PCProgram"));
    QApplication::setApplicationName(QStringLiteral("VantorUSA_PCProgram"));
    QApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
    // One look on every platform, so that the program's colour shows on its buttons.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vantor/icons/vantor-pc.svg")));
    // Lets the desktop match the windows to the installed vantor-pc.desktop entry (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("vantor-pc"));

    if (logFile.path) {
        const QString path = QString::fromLocal8Bit(logFile.path->c_str());
        if (const auto failure = vantor::app::LogFile::start(path)) {
            std::cerr << "vantor-pc: cannot write the log file " << logFile.path->c_str() << ": "
                      << failure->toLocal8Bit().constData() << "\n";
            return kBadUsage;
        }
    } else {
        // Kept by default, within its limit, so that a user who meets a problem has a log to send.
        // The program runs all the same where it cannot be written.
        // Only into a regular file: a FIFO or a device under its name would hold the start or
        // take the log away.
        const QString folder = vantor::app::DataFolder::path();
        const QFileInfo kept(QDir(folder).filePath(QLatin1String(vantor::app::LogFile::kKeptName)));
        if (QDir().mkpath(folder) && (!kept.exists() || kept.isFile()))
            vantor::app::LogFile::start(kept.filePath(), vantor::app::LogFile::kKeptLimit);
    }

    // The servers' addresses come from VANTOR_WEB_SERVER and VANTOR_DOWNLOAD_SERVER when they are set.
    vantor::app::Program program({std::make_unique<vantor::app::MessageBoxDialogs>(),
                                  std::make_unique<vantor::app::SystemDesktop>(),
                                  std::make_unique<vantor::app::ServerChecks>()});
    program.road().start();
    return QApplication::exec();
}
