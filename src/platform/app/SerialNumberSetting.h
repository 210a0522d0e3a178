#pragma once

#include <QString>

namespace vantor::app {

// The last scale serial number, kept between runs in the per-user settings store: organisation
// and application "VantorUSA_PCProgram", group "Properties", key "Serial Number". The update road
// saves it after a good read; the firmware loader packs it into the image.
class SerialNumberSetting {
public:
    // The stored number; empty when none has been stored yet.
    static QString read();
    static void save(const QString& serial);
};

}  // namespace vantor::app
