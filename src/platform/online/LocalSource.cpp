#include "platform/online/LocalSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "platform/app/WholeFile.h"

namespace vantor::online {

namespace {

constexpr qint64 kCopyBytes = 256 * 1024;

}  // namespace

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
        return QStringLiteral(
                   "The folder %1 cannot be created. Make sure that you may write there and that the "
                   "disk is not full, then try again.")
            .arg(QDir::toNativeSeparators(to.absolutePath()));
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return input.errorString();
    // Whole or not at all: a copy that fails part way leaves the older file as it was.
    app::WholeFile output(destination);
    std::optional<app::FileFailure> failed = output.open();
    while (!failed && !input.atEnd()) {
        const QByteArray chunk = input.read(kCopyBytes);
        if (chunk.isEmpty())
            return input.errorString();
        failed = output.append({chunk.constData(), static_cast<std::size_t>(chunk.size())});
    }
    if (!failed)
        failed = output.commit();
    return failed ? QString::fromStdString(failed->reason) : QString();
}

}  // namespace vantor::online
