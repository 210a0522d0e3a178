#include "TablesCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <chrono>
#include <iostream>

#include "PageCounter.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "Terminal.h"
#include "core/app/OneLine.h"
#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/TablesMessages.h"
#include "core/firmware/UserTables.h"
#include "core/scale/PageWrite.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "platform/app/DataFolder.h"
#include "platform/app/WholeFile.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/JournalFile.h"
#include "platform/firmware/TablesBackupFile.h"

namespace vantor::cli {

using namespace vantor::firmware;
using namespace vantor::scale;

namespace {

TablesRead readWithProgress(SerialTransport& transport, bool showCounter = true) {
    if (!showCounter)
        return readTables(transport, {}, stopOnSignals());
    PageCounter counter("Tables read");
    return readTables(transport, std::ref(counter), stopOnSignals());
}

// The serial number the unlock needs, or nullopt (said on stderr) when the scale gave none.
std::optional<std::string> scaleSerial(SerialTransport& transport, const std::string& port) {
    std::optional<std::string> serial = ReadCheckedSerial(transport);
    if (!serial)
        std::cerr << describe(failedAt(Stage::SerialRead, Outcome::NoReply)) << " (" << port << ")\n";
    return serial;
}

OperationResult writeWithProgress(SerialTransport& transport, const std::vector<scale::PageToWrite>& pages,
                                  const std::string& serial, bool showCounter = true) {
    if (!showCounter)
        return writeTables(transport, pages, packSerial(serial), {}, stopOnSignals());
    PageCounter counter("Tables written");
    return writeTables(transport, pages, packSerial(serial), std::ref(counter), stopOnSignals());
}

// FILE.serial: the serial number of the scale a backup was saved from, kept beside it.
QString serialFileOf(const std::string& path) {
    return QString::fromStdString(path) + QStringLiteral(".serial");
}

// The serial number kept beside a backup; "" when none is (or what is there is no number).
std::string recordedSerial(const std::string& path) {
    QFile file(serialFileOf(path));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64).trimmed().toStdString();
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
    const auto started = std::chrono::steady_clock::now();
    // The history knows a scale by its serial number; a scale that gives none answers no read either.
    const std::optional<std::string> serial = ReadCheckedSerial(transport);
    TablesRead read{std::nullopt, failedAt(Stage::SerialRead, Outcome::NoReply)};
    if (serial)
        read = readWithProgress(transport);
    transport.close();
    read.result.serial = serial.value_or("");
    if (!read.tables) {
        recordOperation(history_operation::kBackup, read.result, path, started);
        std::cerr << describe(read.result) << " No backup of the scale on " << *port << " was written.\n";
        return kScaleFailed;
    }
    if (const auto failure = app::saveWhole(QString::fromStdString(path), tablesHex(*read.tables))) {
        HistoryRecord record = historyRecord(history_operation::kBackup, read.result, path, 0);
        record.ok = false;
        record.result += " The file could not be written: " + *failure + ".";
        recordHistory(record);
        std::cerr << "Cannot write " << path << ": " << *failure << "\n";
        return kBadInput;
    }
    recordOperation(history_operation::kBackup, read.result, path, started);
    const std::string serialLine = *serial + "\n";
    // Written as a whole new file only: a FIFO or a device there would hold the command in open().
    const QFileInfo beside(serialFileOf(path));
    std::optional<std::string> failure;
    if (beside.exists() && !beside.isFile())
        failure = "it is not a regular file";
    else
        failure = app::saveWhole(serialFileOf(path), {serialLine.data(), serialLine.size()});
    if (failure)
        std::cerr << "The serial number could not be kept beside the backup, in "
                  << serialFileOf(path).toStdString() << ": " << *failure
                  << "; restore cannot check which scale it is from.\n";
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
        if (ReadAgreedPage(transport, address, page) != Outcome::Success)
            return std::nullopt;
        return page;
    });
    if (!file.error.empty()) {
        std::cerr << path << ": " << file.error << " Nothing was written.\n";
        return kScaleFailed;
    }
    const std::optional<std::string> saved = backupSerial(path, recordedSerial(path));
    if (const std::string refusal = otherScaleRefusal(path, saved, *serial);
        !refusal.empty() && !command.has("other-scale")) {
        std::cerr << refusal << "\n";
        return kBadInput;
    }
    if (!askYesNo(restoreQuestion(file.pages.size(), path, *serial, *port, saved), command.has("yes")))
        return kScaleFailed;

    const auto started = std::chrono::steady_clock::now();
    OperationResult written = writeWithProgress(transport, file.pages, *serial);
    transport.close();
    written.serial = *serial;
    recordOperation(history_operation::kRestore, written, path, started);
    if (!written.succeeded()) {
        std::cerr << describe(written) << "\n";
        return kScaleFailed;
    }
    std::cout << "Tables from " << path << " written into the scale " << *serial << " on " << *port << ": "
              << describe(written) << "\n";
    return kSuccess;
}

bool UpdateAnswers::giveEarlierTables(const std::string& serial, const std::string& backupFile) {
    // Without a terminal the answer is No, and the update's own line says why nothing was written.
    if (!m_mayAsk || !stdinIsTerminal())
        return false;
    std::cerr << app::oneLine(tables_text::differQuestion(serial, backupFile).text) << " [y/N] "
              << std::flush;
    return readYes();
}

QString tablesBackupFolder() {
    return app::DataFolder::path();
}

}  // namespace vantor::cli
