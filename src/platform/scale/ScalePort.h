#pragma once

// Gets the scale's port ready for an operation: the one place where a port left closed by a
// failure, or a scale plugged back in under another device name, is found again. Every form's
// scale job and the command line start with it.

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

#include "core/scale/ScaleLink.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::scale {

struct PortReadiness {
    bool open = false;
    // Detection found a scale with another serial number than the one the port was chosen for;
    // the port is left closed so that nothing meant for the first scale reaches it.
    std::optional<std::string> otherScale;
};

// Opens the selected port when it is closed. When its device has gone (a USB adapter plugged back
// in often comes back under another name), detection runs again first and the port it finds is
// selected. A port that is open is left as it is.
PortReadiness openScalePort(SerialTransport& transport, const std::atomic<bool>* cancel,
                            std::chrono::milliseconds detectionLimit = kSerialReadLimit);

// The serial number read as a scale job: no answer when the port could not be made ready.
SerialRead readSerialNumber(SerialTransport& transport, const PortReadiness& port);

}  // namespace vantor::scale
