#include "app/Desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStorageInfo>
#include <QUrl>

namespace vantor::app {

int SystemDesktop::openAddress(const QString& address) {
    // Linux has no finer failure codes: every failure is reported as "no application".
    return QDesktopServices::openUrl(QUrl::fromUserInput(address)) ? kOpened : kNoAssociation;
}

QString SystemDesktop::clipboardText() { return QGuiApplication::clipboard()->text(); }

void SystemDesktop::setClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

std::optional<qint64> SystemDesktop::freeDiskBytes(const QString& path) {
    // The folder may not exist yet: ask for its nearest existing ancestor.
    QFileInfo info(path);
    QDir dir = info.isDir() ? QDir(path) : info.dir();
    while (!dir.exists() && !dir.isRoot() && dir.cdUp()) {
    }
    const QStorageInfo storage(dir.absolutePath());
    if (!storage.isValid() || !storage.isReady()) return std::nullopt;
    return storage.bytesAvailable();
}

}  // namespace vantor::app
