#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include "core/scale/DetectionRound.h"

namespace vantor::scale {

// One system's serial port, as SerialTransport drives it: opening, the line settings, the
// driver's buffers and its blocking waits. What the link does with them (locks, waits, cancel,
// the log) is the transport's, the same on every system; only the calls differ.
// Lives on, and is used from, one thread only.
class SerialPort : public QObject {
    Q_OBJECT
public:
    // QSerialPort's names, so that code over any back end reads the same.
    enum SerialPortError {
        NoError,
        DeviceNotFoundError,
        PermissionError,
        OpenError,
        TimeoutError,
        ResourceError,
        HeldError,  // another program of this system has the port open
        OtherError
    };
    Q_ENUM(SerialPortError)

    using QObject::QObject;

    // Opens `name` (COM3, /dev/ttyUSB0, /dev/pts/4) for reading and writing; false, with error()
    // set, when it cannot be opened.
    virtual bool open(const QString& name) = 0;
    // The line settings of the scale link: 19200 baud, no parity, 8 data bits, 1 stop bit, no flow
    // control, DTR and RTS asserted, a kReceiveBufferSize-byte receive buffer. Applied only once the
    // port is locked, so that a port another run holds is not disturbed. A setting the device
    // refuses (DTR on a pseudo-terminal) is left as it is; false when the port cannot be used at all.
    virtual bool applyLineSettings() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The system's handle of the open port, for the device lock.
    virtual qintptr handle() const = 0;

    virtual SerialPortError error() const = 0;
    // The system's own words for the last error.
    virtual QString errorString() const = 0;
    // The last error as the log shows it.
    virtual QString errorForLog() const = 0;
    virtual void clearError() = 0;
    // What the last failed open() means for the user.
    virtual PortProblem openProblem() const = 0;
    // Whether `name` is still a device of the system: an unplugged adapter takes its name with it.
    virtual bool deviceExists(const QString& name) const = 0;

    // Received bytes taken in by the port and not read yet.
    virtual qint64 bytesAvailable() const = 0;
    // Bytes the driver has received that the port has not taken in yet.
    virtual qint64 bytesInDriver() = 0;
    virtual QByteArray read(qint64 maxSize) = 0;
    // Drops every received byte, in the driver and in the port.
    virtual void clearInput() = 0;
    // Takes all the bytes for the line, or fails. A port that writes them out at once waits at most
    // `limitMs` for the line to take them and fails with TimeoutError past it; a buffering port keeps
    // them in bytesToWrite() until waitForBytesWritten() has handed them on.
    virtual bool write(const char* data, qint64 size, int limitMs) = 0;
    virtual qint64 bytesToWrite() const = 0;
    virtual bool waitForBytesWritten(int msecs) = 0;
    // Waits up to `msecs` for new bytes; false when none came or the port failed.
    virtual bool waitForReadyRead(int msecs) = 0;
    // Waits up to `msecs` until `count` bytes are available. A port may return early, true, with
    // fewer when new bytes came; false when none came or the port failed.
    virtual bool waitForBytes(qint64 count, int msecs) = 0;

signals:
    // New bytes, and a failure, for a caller that waits in its event loop (detection).
    void readyRead();
    void errorOccurred(vantor::scale::SerialPort::SerialPortError error);

protected:
    static constexpr qint64 kReceiveBufferSize = 4096;
};

}  // namespace vantor::scale
