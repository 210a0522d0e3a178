#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "core/scale/DetectionRound.h"
#include "core/scale/ScaleTransport.h"
#include "platform/scale/DeviceLock.h"
#include "platform/scale/SerialPort.h"

namespace vantor::scale {

// The scale link over a real serial port: the device lock, the waits, cancel, closing a failed
// port and the hex log, over the system's own port (Qt Serial Port, or the Win32 calls on Windows).
// Lives on, and is used from, one thread only.
class SerialTransport : public ScaleTransport {
public:
    SerialTransport();
    explicit SerialTransport(std::unique_ptr<SerialPort> port);
    ~SerialTransport() override;

    // The port used by the next open(): a device name (COM3) or path (/dev/ttyUSB0, /dev/pts/4).
    void setPortName(const QString& name);
    QString portName() const { return m_name; }

    struct OpenFailure {
        PortProblem problem;
        QString detail;
    };
    // Opens the selected port with the line settings and holds its device for this run alone,
    // whatever name it is reached under; nullopt on success. A device another run holds is Busy.
    std::optional<OpenFailure> open();
    // What a port that does not exist (COM9 on a computer without it) is said to be.
    static QString missingPortDetail(const QString& name) {
        return QStringLiteral("there is no %1 on this computer").arg(name);
    }
    // What a port that opens but does not take the line's settings is said to be, with the
    // system's reason.
    static QString notASerialLineDetail(const QString& reason) {
        return QStringLiteral("it does not work as a serial line (%1)").arg(reason);
    }
    void close();
    bool isOpen() const { return m_port->isOpen(); }
    // The selected device is no longer there (an adapter unplugged, a simulator ended).
    bool deviceGone() const;

    // The serial number of the scale detection found behind the selected port; "" when unknown.
    // A port found again after the device went away must give the same one.
    void setScaleSerial(std::string serial) { m_scaleSerial = std::move(serial); }
    const std::string& scaleSerial() const { return m_scaleSerial; }

    // Waits end early, as on a missing reply, once this flag is set (the program is ending).
    void setCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }

    // Detection asks many ports at once from one event loop. A probe's send() leaves draining the
    // bytes to that loop instead of waiting for it, so that a port that never drains holds up no
    // other; its traffic is marked "(detect)" in the log.
    void setProbe(bool probe) { m_probe = probe; }
    // The port itself, whose signals a probe's event loop waits on.
    using Port = SerialPort;
    Port& port() { return *m_port; }

    bool discardInput() override;
    std::optional<std::size_t> waitForQuiet(std::chrono::milliseconds quiet,
                                            std::chrono::milliseconds limit) override;
    bool send(std::span<const Byte> bytes) override;
    bool waitForBytes(std::size_t count, std::chrono::seconds limit) override;
    Bytes readAvailable() override;

private:
    bool cancelled() const { return m_cancel && m_cancel->load(); }
    bool drainSendBuffer();
    bool readErrorOccurred();
    OpenFailure openRefused();
    OpenFailure deviceHeld() const;
    void closeFailedPort(const char* why);
    qint64 sinceCommandMs() const;
    QString traffic(const QString& line) const;

    std::unique_ptr<Port> m_port;
    DeviceLock m_deviceLock;
    QString m_name;
    std::string m_scaleSerial;
    QElapsedTimer m_sinceCommand;  // since the last command was handed to the port
    const std::atomic<bool>* m_cancel = nullptr;
    bool m_probe = false;
};

}  // namespace vantor::scale
