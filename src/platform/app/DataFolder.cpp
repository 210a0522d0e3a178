#include "platform/app/DataFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace vantor::app {

namespace {

// The program's organisation and application names, as it gives them to Qt.
const char* const kOwnFolder = "VantorUSA_PCProgram/VantorUSA_PCProgram";
// vantor-cli's own application name, under which earlier versions kept their backups.
const char* const kEarlierCliFolder = "vantor-cli";

QDir systemDataFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

}  // namespace

QString DataFolder::path() {
    return systemDataFolder().filePath(QLatin1String(kOwnFolder));
}

QString DataFolder::made() {
    const QString folder = path();
    QDir().mkpath(folder);
    return folder;
}

QString DataFolder::filePath(const QString& name) {
    return QDir(path()).filePath(name);
}

QString DataFolder::journals() {
    return filePath(QStringLiteral("Journals"));
}

QStringList DataFolder::backupFolders() {
    return {path(), systemDataFolder().filePath(QLatin1String(kEarlierCliFolder))};
}

}  // namespace vantor::app
