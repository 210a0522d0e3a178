#include "platform/scale/ScalePort.h"

#include "platform/scale/PortDetector.h"
#include "platform/scale/PortDiscovery.h"
#include "platform/scale/ScaleLog.h"

namespace vantor::scale {

namespace {

// Looks for the scale again on every port. Selects the port it answers on when it is the scale the
// port was chosen for (or when that was not known); reports it when it is another one.
PortReadiness findScaleAgain(SerialTransport& transport, const std::atomic<bool>* cancel,
                             std::chrono::milliseconds limit) {
    qCDebug(lcScale).noquote() << transport.portName() << "is gone: looking for the scale again";
    const DetectionResult found = PortDetector(limit).detect(EnumPorts(), cancel);
    if (!found.found())
        return {};
    const std::string& expected = transport.scaleSerial();
    if (!expected.empty() && found.serial != expected) {
        qCDebug(lcScale).noquote() << "another scale answered on" << found.port->c_str() << ":"
                                   << found.serial.c_str() << "instead of" << expected.c_str();
        return {false, found.serial};
    }
    transport.setPortName(QString::fromStdString(*found.port));
    transport.setScaleSerial(found.serial);
    return {true, std::nullopt};
}

}  // namespace

PortReadiness openScalePort(SerialTransport& transport, const std::atomic<bool>* cancel,
                            std::chrono::milliseconds detectionLimit) {
    if (transport.isOpen())
        return {true, std::nullopt};
    if (transport.deviceGone()) {
        PortReadiness again = findScaleAgain(transport, cancel, detectionLimit);
        if (!again.open)
            return again;
    }
    // A port that cannot be opened fails the operation's first exchange, which reports it.
    return {!transport.open().has_value(), std::nullopt};
}

SerialRead readSerialNumber(SerialTransport& transport, const PortReadiness& port) {
    if (!port.open)
        return SerialRead{};
    return RdSN(transport);
}

}  // namespace vantor::scale
