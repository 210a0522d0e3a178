#include "online/LocalSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace vantor::online {

std::optional<QString> localFileOf(const QString& link) {
    QString path = link;
    if (link.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
        const QUrl url(link);
        if (!url.isValid() || !url.isLocalFile())
            return std::nullopt;
        path = url.toLocalFile();
    } else if (link.contains(QStringLiteral("://"))) {
        return std::nullopt;
    }
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    return info.absoluteFilePath();
}

QString copyLocalFile(const QString& source, const QString& destination) {
    const QFileInfo from(source);
    const QFileInfo to(destination);
    if (to.exists() && from.canonicalFilePath() == to.canonicalFilePath())
        return {};  // it is the file already
    if (!QDir().mkpath(to.absolutePath()))
        return QStringLiteral("The folder %1 cannot be created.")
            .arg(QDir::toNativeSeparators(to.absolutePath()));
    QFile::remove(destination);
    // QFile::copy writes a temporary file beside the destination and renames it at the end, so
    // a failed copy leaves no half file.
    QFile file(source);
    if (!file.copy(destination))
        return file.errorString();
    return {};
}

}  // namespace vantor::online
