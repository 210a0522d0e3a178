#include "HistoryCommands.h"

#include <iostream>
#include <optional>

#include "EachScale.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "core/firmware/ScaleStatus.h"
#include "core/firmware/UserTables.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/JournalFile.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::firmware;

namespace {

struct ScaleTables {
    std::string serial;
    std::optional<TablesState> tables;
    std::string failure;  // why there is no state ("" when there is)
};

ScaleTables readStatus(const std::string& port) {
    ScaleTables status;
    scale::SerialTransport transport;
    transport.setPortName(QString::fromStdString(port));
    if (const auto failure = transport.open()) {
        status.failure = "the port cannot be opened: " + failure->detail.toStdString();
        return status;
    }
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);
    const std::optional<std::string> serial = scale::ReadCheckedSerial(transport);
    if (!serial) {
        status.failure = scale::describe(scale::failedAt(scale::Stage::SerialRead, scale::Outcome::NoReply));
        return status;
    }
    status.serial = *serial;
    const TablesRead read = readTables(transport, {}, stop);
    if (!read.tables) {
        status.failure = scale::describe(read.result);
        return status;
    }
    status.tables = tablesState(*read.tables);
    return status;
}

// The history for status: a history that cannot be read leaves every last update unknown.
std::vector<HistoryRecord> historyForStatus() {
    HistoryFileRead read = readHistoryFile();
    if (!read.error.empty())
        std::cerr << "The update history cannot be read: " << read.error << "\n";
    return std::move(read.records);
}

}  // namespace

int statusCommand(const ParsedCommand& command) {
    const ChosenPorts chosen = scalesToRead(command);
    if (chosen.ports.empty())
        return chosen.status;
    std::vector<ScaleTables> scales(chosen.ports.size());
    onEachPort(chosen.ports, [&](std::size_t i, const std::string& port) { scales[i] = readStatus(port); });

    const std::vector<HistoryRecord> history = historyForStatus();
    bool allAnswered = true;
    bool allSettled = true;
    for (std::size_t i = 0; i < scales.size(); ++i) {
        const ScaleTables& scale = scales[i];
        if (!scale.tables) {
            std::cout << chosen.ports[i] << " " << (scale.serial.empty() ? "-" : scale.serial) << ": "
                      << scale.failure << "\n";
            allAnswered = false;
            continue;
        }
        const std::optional<HistoryRecord> last = lastUpdate(history, scale.serial);
        const std::string unfinished = JournalFile::unfinishedNote(JournalFile::folder(), scale.serial);
        std::cout << statusText(chosen.ports[i], scale.serial, *scale.tables, last, unfinished);
        // Tables half written read as programmed: an update that did not end is no settled state.
        allSettled = allSettled && !statusIsUnsettled(last, unfinished);
    }
    return allAnswered && allSettled ? kSuccess : kScaleFailed;
}

int historyCommand(const ParsedCommand& command) {
    const std::optional<std::string> serial = command.value("serial");
    if (serial && !scale::CheckSerial(*serial)) {
        std::cerr << "--serial must be exactly 8 digits, not '" << *serial << "'.\n";
        return kBadInput;
    }
    const HistoryFileRead read = readHistoryFile();
    if (!read.error.empty()) {
        std::cerr << "The update history cannot be read: " << read.error << "\n";
        return kBadInput;
    }
    if (read.missing)
        std::cerr << "No update history yet (" << historyPath().toStdString() << ").\n";
    const bool json = command.has("json");
    if (!json)
        std::cout << historyTableHeading();
    // The table shows an update once, by its end; JSON gives every record as it is.
    const std::vector<HistoryRecord> records = json ? read.records : withoutClosedOpenings(read.records);
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (serial && it->serial != *serial)
            continue;
        std::cout << (json ? historyLine(*it) : historyTableLine(*it));
    }
    return kSuccess;
}

}  // namespace vantor::cli
