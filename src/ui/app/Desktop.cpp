#include "ui/app/Desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace vantor::app {

int SystemDesktop::openAddress(const QString& address) {
    // Linux has no finer failure codes: every failure is reported as "no application".
    return QDesktopServices::openUrl(QUrl::fromUserInput(address)) ? kOpened : kNoAssociation;
}

QString SystemDesktop::clipboardText() {
    return QGuiApplication::clipboard()->text();
}

void SystemDesktop::setClipboardText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

}  // namespace vantor::app
