#pragma once

// Saving the user's tables as a backup file: written whole or not at all, so that a full disk never
// leaves half a backup that looks whole.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>
#include <string>

#include "core/firmware/UserTables.h"

namespace vantor::firmware {

// Saves the tables region as Intel HEX into `folder` (made when missing), named with the scale's
// serial number and the local date and time. A backup never replaces another: when that name is
// taken (two scales with one serial number, in one second), a number is added.
SavedBackup saveTablesBackup(const QString& folder, const std::string& serial, std::span<const Byte> tables);

// The newest backup of the scale `serial` in `folders` (app::DataFolder::backupFolders) that holds
// programmed tables, when one does.
std::optional<std::string> newestBackupWithTables(const QStringList& folders, const std::string& serial);

}  // namespace vantor::firmware
