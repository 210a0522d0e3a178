#pragma once

// vantor-cli's commands for the user's tables (zone table and key blocks, 0x8000..0x91FF): a
// backup into an Intel HEX file, a restore from one, and keeping them across a software update.

#include <optional>
#include <ostream>
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
// said on `say`; nullopt (said there too) when they could not be read or saved, which stops
// nothing. `counter` shows the pages read on stderr (left out when several scales run at once).
std::optional<TablesBackup> backupBeforeUpdate(scale::SerialTransport& transport, const std::string& serial,
                                               std::ostream& say, bool counter = true);

// After a verified run: writes the backup back when the update file left the region blank and the
// backup holds programmed data; otherwise says where the backup is. A failure here never turns the
// update into a failure: it is said on `say`, naming the backup. The exit status is unchanged.
void restoreAfterUpdate(scale::SerialTransport& transport, const firmware::ImageBuffer& image,
                        const TablesBackup& backup, const std::string& serial, std::ostream& say,
                        bool counter = true);

}  // namespace vantor::cli
