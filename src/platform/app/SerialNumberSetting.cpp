#include "platform/app/SerialNumberSetting.h"

#include <QSettings>

namespace vantor::app {

namespace {

// Named here rather than taken from the application object, so that every program using this
// (the GUI, the command-line tools, the tests) finds the same store.
const QString kOwner = QStringLiteral("VantorUSA_PCProgram");
const QString kKey = QStringLiteral("Properties/Serial Number");

}  // namespace

QString SerialNumberSetting::read() {
    return QSettings(kOwner, kOwner).value(kKey).toString();
}

void SerialNumberSetting::save(const QString& serial) {
    QSettings settings(kOwner, kOwner);
    settings.setValue(kKey, serial);
    settings.sync();
}

}  // namespace vantor::app
