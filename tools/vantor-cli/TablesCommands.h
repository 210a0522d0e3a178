#pragma once

// vantor-cli's commands for the user's tables (zone table and key blocks, 0x8000..0x91FF): a
// backup into an Intel HEX file, a restore from one, and keeping them across a software update.

#include <optional>
#include <ostream>
#include <string>

#include "CliParser.h"
#include "core/firmware/ScaleUpdate.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

// backup FILE [--port DEV]
int backupCommand(const ParsedCommand& command);
// restore FILE [--port DEV] [--yes]
int restoreCommand(const ParsedCommand& command);

// The command line's answers to an update's questions: tables at risk stop the update before
// anything is written (the report says why; --erase-tables is the way on), and a region the update
// left blank gets the user's tables back at once.
class UpdateAnswers : public firmware::UpdatePrompts {
public:
    bool updateWithoutTables(const scale::OperationResult&) override { return false; }
    bool updateWithoutBackupFile(const firmware::SavedBackup&) override { return false; }
    firmware::WriteBack writeTablesBack(const std::string&) override { return firmware::WriteBack::Yes; }
};

// Saves a tables backup in vantor-cli's data folder.
firmware::BackupSaver backupInDataFolder();

// The tables of an update of the same scale that did not finish, from its journal; said on `say`.
firmware::ScaleUpdate::EarlierTablesLookup tablesOfAnUnfinishedUpdate(std::ostream& say);

}  // namespace vantor::cli
