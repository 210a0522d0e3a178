#include "firmware/TablesBackupFile.h"

#include <QDir>
#include <ctime>

#include "app/WholeFile.h"
#include "firmware/UserTables.h"

namespace vantor::firmware {

SavedBackup saveTablesBackup(const QString& folder, const std::string& serial, std::span<const Byte> tables) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    QDir().mkpath(folder);
    SavedBackup backup;
    backup.path = QDir(folder).filePath(QString::fromStdString(backupFileName(serial, local))).toStdString();
    if (const auto failure = app::saveWhole(QString::fromStdString(backup.path), tablesHex(tables)))
        backup.error = *failure;
    return backup;
}

}  // namespace vantor::firmware
