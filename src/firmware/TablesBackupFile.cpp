#include "firmware/TablesBackupFile.h"

#include <QDir>
#include <QSaveFile>
#include <ctime>

#include "firmware/UserTables.h"

namespace vantor::firmware {

std::optional<std::string> saveWhole(const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
        !file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}

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
    if (const auto failure = saveWhole(QString::fromStdString(backup.path), tablesHex(tables)))
        backup.error = *failure;
    return backup;
}

}  // namespace vantor::firmware
