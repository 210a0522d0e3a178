#pragma once

// vantor-cli's commands for the user's tables (zone table and key blocks, 0x8000..0x91FF): a
// backup into an Intel HEX file, a restore from one, and keeping them across a software update.

#include <optional>
#include <string>

#include "CliParser.h"
#include "firmware/ImageBuffer.h"
#include "scale/SerialTransport.h"

namespace vantor::cli {

// backup FILE [--port DEV]
int backupCommand(const ParsedCommand& command);
// restore FILE [--port DEV] [--yes]
int restoreCommand(const ParsedCommand& command);

struct TablesBackup {
    std::string path;
    Bytes tables;
};

// flash --keep-tables, before the run: the tables are read into a backup file whose path is
// printed; nullopt (said on stderr) when they could not be read or saved, which stops nothing.
std::optional<TablesBackup> backupBeforeUpdate(scale::SerialTransport& transport, const std::string& serial);

// After a verified run: writes the backup back when the update file left the region blank and the
// backup holds programmed data; otherwise says where the backup is. A failure here never turns the
// update into a failure: it is said on stderr, naming the backup. The exit status is unchanged.
void restoreAfterUpdate(scale::SerialTransport& transport, const firmware::ImageBuffer& image,
                        const TablesBackup& backup, const std::string& serial);

}  // namespace vantor::cli
