#include "platform/firmware/TablesBackupFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/UserTables.h"
#include "platform/app/WholeFile.h"

namespace vantor::firmware {

namespace {

// A name of its own in `folder`, claimed by creating it empty: another backup of the same scale in
// the same second (another thread, another program) then finds it taken and takes the next one.
std::optional<QString> claimName(const QDir& folder, const std::string& serial, const std::tm& when) {
    constexpr unsigned kNamesTried = 100;
    for (unsigned n = 1; n <= kNamesTried; ++n) {
        const QString path = folder.filePath(QString::fromStdString(backupFileName(serial, when, n)));
        QFile claim(path);
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!claim.exists())
            return std::nullopt;  // not taken, but not to be made either: the write says why
    }
    return std::nullopt;
}

}  // namespace

SavedBackup saveTablesBackup(const QString& folder, const std::string& serial, std::span<const Byte> tables) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    SavedBackup backup;
    // The folder's own failure carries the reason (a read-only disk, say), which the write into a
    // folder that is not there would only give as "No such file or directory".
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), made);
    if (made) {
        // Shown to the user, and kept in the history and the journal, as the system writes paths.
        backup.path = QDir::toNativeSeparators(
                          QDir(folder).filePath(QString::fromStdString(backupFileName(serial, local))))
                          .toStdString();
        backup.error = made.message();
        return backup;
    }
    const std::optional<QString> claimed = claimName(QDir(folder), serial, local);
    const QString path =
        claimed.value_or(QDir(folder).filePath(QString::fromStdString(backupFileName(serial, local))));
    backup.path = QDir::toNativeSeparators(path).toStdString();
    if (!claimed && QFile::exists(path)) {
        backup.error = "every backup name of this second is taken";
        return backup;
    }
    if (const auto failure = app::saveWhole(path, tablesHex(tables))) {
        backup.error = *failure;
        if (claimed)
            QFile::remove(path);  // the empty claim is no backup
    }
    return backup;
}

std::optional<std::string> newestBackupWithTables(const QStringList& folders, const std::string& serial) {
    // The names carry the date and time, so the newest sorts last whichever folder holds it.
    std::map<QString, QString> byName;
    const QString pattern = QStringLiteral("Tables-%1-*.hex").arg(QString::fromStdString(serial));
    for (const QString& folder : folders)
        for (const QFileInfo& file : QDir(folder).entryInfoList({pattern}, QDir::Files))
            byName.emplace(file.fileName(), file.filePath());
    for (auto it = byName.crbegin(); it != byName.crend(); ++it) {
        const HexLoad load = IntelHexLoader::loadFile(it->second.toStdString());
        if (tablesFileError(load).empty() &&
            holdsTables(load.image->bytes().subspan(kTablesStart, kTablesSize)))
            return QDir::toNativeSeparators(it->second).toStdString();
    }
    return std::nullopt;
}

}  // namespace vantor::firmware
