#include "platform/online/FreeSpace.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace vantor::online {

std::optional<std::int64_t> freeBytesAt(const std::string& path) {
    const QString given = QString::fromStdString(path);
    QDir dir = QFileInfo(given).isDir() ? QDir(given) : QFileInfo(given).dir();
    while (!dir.exists() && !dir.isRoot() && dir.cdUp()) {
    }
    const QStorageInfo storage(dir.absolutePath());
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    return storage.bytesAvailable();
}

}  // namespace vantor::online
