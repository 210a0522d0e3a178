#include "platform/scale/QtSerialPort.h"

#include <QDebug>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif

namespace vantor::scale {

namespace {

[[maybe_unused]] QString devicePath(const QString& device) {
    return device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
}

bool deviceAccessible([[maybe_unused]] const QString& device) {
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(devicePath(device)).constData(), R_OK | W_OK) == 0;
#else
    return false;
#endif
}

}  // namespace

QtSerialPort::QtSerialPort() : m_port(this) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, [this] { emit errorOccurred(error()); });
}

bool QtSerialPort::open(const QString& name) {
    m_name = name;
    m_port.setPortName(name);
    return m_port.open(QIODevice::ReadWrite);
}

bool QtSerialPort::applyLineSettings() {
    m_port.setBaudRate(QSerialPort::Baud19200);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(kReceiveBufferSize);
    m_port.setRequestToSend(true);
    m_port.setDataTerminalReady(true);
    m_port.setBreakEnabled(false);
    requestLowLatency();
    m_port.clearError();
    return true;
}

// USB serial adapters hold received bytes up to their latency timer (16 ms) before passing them
// on; low-latency mode asks the driver to pass them at once. Devices without it refuse: ignored.
void QtSerialPort::requestLowLatency() {
#ifdef Q_OS_LINUX
    serial_struct settings{};
    const int fd = static_cast<int>(m_port.handle());
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &settings) == 0) {
        settings.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &settings);
    }
#endif
}

void QtSerialPort::close() {
    m_port.close();
}

SerialPort::SerialPortError QtSerialPort::error() const {
    switch (m_port.error()) {
        case QSerialPort::NoError:
            return NoError;
        case QSerialPort::DeviceNotFoundError:
            return DeviceNotFoundError;
        case QSerialPort::PermissionError:
            return PermissionError;
        case QSerialPort::OpenError:
            return OpenError;
        case QSerialPort::TimeoutError:
            return TimeoutError;
        case QSerialPort::ResourceError:
            return ResourceError;
        default:
            return OtherError;
    }
}

// Qt's own name of the error and its words, as support knows them from the log.
QString QtSerialPort::errorForLog() const {
    QString text;
    QDebug(&text) << m_port.error() << m_port.errorString();
    if (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// QSerialPort also says "permission" when another process holds the port's lock, so the device's
// own access rights decide between PermissionDenied and Busy.
PortProblem QtSerialPort::openProblem() const {
    switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return PortProblem::NotFound;
        case QSerialPort::PermissionError:
            // Also what a lock held by another process gives, even for a device that does not exist.
            if (!deviceExists(m_name))
                return PortProblem::NotFound;
            return deviceAccessible(m_name) ? PortProblem::Busy : PortProblem::PermissionDenied;
        case QSerialPort::OpenError:
            return PortProblem::Busy;
        default:
            return PortProblem::Other;
    }
}

bool QtSerialPort::deviceExists([[maybe_unused]] const QString& name) const {
#ifdef Q_OS_UNIX
    return QFile::exists(devicePath(name));
#else
    return true;
#endif
}

qint64 QtSerialPort::bytesInDriver() {
#ifdef Q_OS_UNIX
    int count = 0;
    const int fd = static_cast<int>(m_port.handle());
    if (fd >= 0 && ::ioctl(fd, FIONREAD, &count) == 0)
        return count;
#endif
    return 0;
}

// The bytes go to Qt's write buffer at once; the line takes them while the transport waits.
bool QtSerialPort::write(const char* data, qint64 size, [[maybe_unused]] int limitMs) {
    return m_port.write(data, size) == size;
}

// Returns as soon as any new bytes came: the transport counts and waits again.
bool QtSerialPort::waitForBytes([[maybe_unused]] qint64 count, int msecs) {
    return m_port.waitForReadyRead(msecs);
}

}  // namespace vantor::scale
