#include "TablesCommands.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <iostream>

#include "ScaleCommands.h"
#include "StopSignals.h"
#include "Terminal.h"
#include "app/WholeFile.h"
#include "firmware/IntelHexLoader.h"
#include "firmware/TablesBackupFile.h"
#include "firmware/TablesMessages.h"
#include "firmware/UserTables.h"
#include "scale/PageWrite.h"
#include "scale/ScaleLink.h"
#include "scale/SerialNumber.h"

namespace vantor::cli {

using namespace vantor::firmware;
using namespace vantor::scale;

namespace {

// "Tables read: 12/36", rewritten in place on a terminal; one line at the end otherwise.
class PageCounter {
public:
    explicit PageCounter(const char* what) : m_what(what), m_terminal(stderrIsTerminal()) {}
    ~PageCounter() {
        if (m_terminal && m_shown)
            std::cerr << "\n";
        else if (!m_terminal && m_total > 0)
            std::cerr << m_what << ": " << m_done << "/" << m_total << "\n";
    }
    void operator()(const Progress& progress) {
        const std::size_t done = progress.done;
        const std::size_t total = progress.total;
        m_done = done;
        m_total = total;
        if (m_terminal) {
            std::cerr << "\r" << m_what << ": " << done << "/" << total << "   " << std::flush;
            m_shown = true;
        }
    }

private:
    const char* m_what;
    bool m_terminal;
    bool m_shown = false;
    std::size_t m_done = 0;
    std::size_t m_total = 0;
};

TablesRead readWithProgress(SerialTransport& transport, bool showCounter = true) {
    if (!showCounter)
        return readTables(transport, {}, stopOnSignals());
    PageCounter counter("Tables read");
    return readTables(transport, std::ref(counter), stopOnSignals());
}

// The serial number the unlock needs, or nullopt (said on stderr) when the scale gave none.
std::optional<std::string> scaleSerial(SerialTransport& transport, const std::string& port) {
    std::optional<std::string> serial = ReadScaleSerial(transport);
    if (!serial)
        std::cerr << describe(failedAt(Stage::SerialRead, Outcome::NoReply)) << " (" << port << ")\n";
    return serial;
}

OperationResult writeWithProgress(SerialTransport& transport, const std::vector<TablePage>& pages,
                                  const std::string& serial, bool showCounter = true) {
    if (!showCounter)
        return writeTables(transport, pages, packSerial(serial), {}, stopOnSignals());
    PageCounter counter("Tables written");
    return writeTables(transport, pages, packSerial(serial), std::ref(counter), stopOnSignals());
}

QString backupFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

}  // namespace

int backupCommand(const ParsedCommand& command) {
    const std::string& path = command.arguments.at(0);
    // The file is tried before the scale is asked anything: a folder that cannot be written is the
    // user's to correct, not a scale failure.
    app::WholeFile probe(QString::fromStdString(path));
    if (const auto failed = probe.open()) {
        std::cerr << "Cannot write " << path << ": " << failed->reason << "\n";
        return kBadInput;
    }
    probe.discard();

    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;
    transport.setCancelFlag(&stopOnSignals());
    const TablesRead read = readWithProgress(transport);
    transport.close();
    if (!read.tables) {
        std::cerr << describe(read.result) << " No backup of the scale on " << *port << " was written.\n";
        return kScaleFailed;
    }
    if (const auto failure = app::saveWhole(QString::fromStdString(path), tablesHex(*read.tables))) {
        std::cerr << "Cannot write " << path << ": " << *failure << "\n";
        return kBadInput;
    }
    std::cout << "Tables of the scale on " << *port << " (" << kTablesPages << " pages) saved to " << path
              << "\n";
    return kSuccess;
}

int restoreCommand(const ParsedCommand& command) {
    const std::string& path = command.arguments.at(0);
    const HexLoad load = IntelHexLoader::loadFile(path);
    if (const std::string error = tablesFileError(load); !error.empty()) {
        std::cerr << path << ": " << error << " Nothing was written.\n";
        return kBadInput;
    }

    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;
    transport.setCancelFlag(&stopOnSignals());
    const auto serial = scaleSerial(transport, *port);
    if (!serial)
        return kScaleFailed;
    const TablesFile file = tablesFromHex(load, [&](std::uint16_t address) -> std::optional<Bytes> {
        Bytes page;
        if (ReadOnePage(transport, address, page) != Outcome::Success)
            return std::nullopt;
        return page;
    });
    if (!file.error.empty()) {
        std::cerr << path << ": " << file.error << " Nothing was written.\n";
        return kScaleFailed;
    }
    if (!askYesNo("Write " + std::to_string(file.pages.size()) + " pages of saved tables from " + path +
                      " into the scale " + *serial + " on " + *port + "?",
                  command.has("yes")))
        return kScaleFailed;

    const OperationResult written = writeWithProgress(transport, file.pages, *serial);
    transport.close();
    if (!written.succeeded()) {
        std::cerr << describe(written) << "\n";
        return kScaleFailed;
    }
    std::cout << "Tables from " << path << " written into the scale " << *serial << " on " << *port << ": "
              << describe(written) << "\n";
    return kSuccess;
}

std::optional<TablesBackup> backupBeforeUpdate(SerialTransport& transport, const std::string& serial,
                                               std::ostream& say, bool counter) {
    const TablesRead read = readWithProgress(transport, counter);
    if (!read.tables) {
        say << "The tables could not be read: " << describe(read.result)
            << " The update goes on without a backup.\n";
        return std::nullopt;
    }
    const SavedBackup saved = saveTablesBackup(backupFolder(), serial, *read.tables);
    if (!saved.saved()) {
        say << "The tables could not be saved to " << saved.path << " (" << saved.error
            << "); the update goes on without a backup.\n";
        return std::nullopt;
    }
    say << "Tables saved to " << saved.path << "\n";
    return TablesBackup{saved.path, *read.tables};
}

void restoreAfterUpdate(SerialTransport& transport, const ImageBuffer& image, const TablesBackup& backup,
                        const std::string& serial, std::ostream& say, bool counter) {
    switch (tablesAfterUpdate(image, backup.tables)) {
        case TablesAfterUpdate::Nothing:
            say << "The scale held no programmed tables; nothing to restore.\n";
            return;
        case TablesAfterUpdate::FileBringsTables:
            say << "The update file brings tables of its own; they were kept. The backup is " << backup.path
                << "\n";
            return;
        case TablesAfterUpdate::OfferRestore:
            break;
    }
    const std::vector<TablePage> pages = tablePages(backup.tables);
    const OperationResult written = writeWithProgress(transport, pages, serial, counter);
    if (!written.succeeded()) {
        say << "The tables were not restored: " << describe(written) << " The backup is " << backup.path
            << "\n";
        return;
    }
    say << "Tables restored: " << describe(written) << "\n";
}

}  // namespace vantor::cli
