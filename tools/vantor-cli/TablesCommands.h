#pragma once

// vantor-cli's commands for the user's tables (zone table and key blocks, 0x8000..0x91FF): a
// backup into an Intel HEX file, a restore from one, and keeping them across a software update.

#include <optional>
#include <ostream>
#include <string>

#include <QString>

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
// Whose tables a scale gets is no question --yes can answer: it is asked on a terminal when
// `mayAsk` (one scale at a time), and otherwise answered No.
class UpdateAnswers : public firmware::UpdatePrompts {
public:
    explicit UpdateAnswers(bool mayAsk = true) : m_mayAsk(mayAsk) {}
    bool updateWithoutTables(const scale::OperationResult&) override { return false; }
    bool updateWithoutBackupFile(const firmware::SavedBackup&) override { return false; }
    bool giveEarlierTables(const std::string& serial, const std::string& backupFile) override;
    firmware::WriteBack writeTablesBack(const std::string&) override { return firmware::WriteBack::Yes; }

private:
    bool m_mayAsk;
};

// Where vantor-cli saves tables backups: the program's own data folder.
QString tablesBackupFolder();

}  // namespace vantor::cli
