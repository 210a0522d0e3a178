#pragma once

// Saving the user's tables as a backup file: written whole or not at all, so that a full disk never
// leaves half a backup that looks whole.

#include <QString>
#include <optional>
#include <span>
#include <string>

#include "scale/Bytes.h"

namespace vantor::firmware {

struct SavedBackup {
    std::string path;   // where it was (or was to be) saved
    std::string error;  // why it could not be saved; "" when it was
    bool saved() const { return error.empty(); }
};

// Saves the tables region as Intel HEX into `folder` (made when missing), named with the scale's
// serial number and the local date and time.
SavedBackup saveTablesBackup(const QString& folder, const std::string& serial, std::span<const Byte> tables);

}  // namespace vantor::firmware
