#include "platform/scale/SerialTransport.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>

#include "core/scale/ScaleProtocol.h"
#include "platform/scale/DeviceLock.h"
#include "platform/scale/ScaleLog.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif

namespace vantor::scale {

namespace {

constexpr qint64 kReceiveBufferSize = 4096;
// Waits are cut into slices so that a cancel is seen promptly; each slice sleeps in the system.
constexpr std::chrono::milliseconds kWaitSlice{100};
// Handing a command to the line: 131 bytes take 68 ms at 19200 baud; anything near this bound
// means the port is stuck.
constexpr int kSendLimitMs = 2000;

// USB serial adapters hold received bytes up to their latency timer (16 ms) before passing them
// on; low-latency mode asks the driver to pass them at once. Devices without it refuse: ignored.
void requestLowLatency([[maybe_unused]] QSerialPort& port) {
#ifdef Q_OS_LINUX
    serial_struct settings{};
    const int fd = static_cast<int>(port.handle());
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &settings) == 0) {
        settings.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &settings);
    }
#endif
}

// Bytes the driver has received that the port has not taken in yet.
qint64 bytesInDriver([[maybe_unused]] QSerialPort& port) {
#ifdef Q_OS_UNIX
    int count = 0;
    const int fd = static_cast<int>(port.handle());
    if (fd >= 0 && ::ioctl(fd, FIONREAD, &count) == 0)
        return count;
#endif
    return 0;
}

[[maybe_unused]] QString devicePath(const QString& device) {
    return device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
}

bool deviceExists([[maybe_unused]] const QString& device) {
#ifdef Q_OS_UNIX
    return QFile::exists(devicePath(device));
#else
    return true;
#endif
}

bool deviceAccessible([[maybe_unused]] const QString& device) {
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(devicePath(device)).constData(), R_OK | W_OK) == 0;
#else
    return false;
#endif
}

// The line settings of the scale link: 19200 baud, no parity, 8 data bits, 1 stop bit, no flow
// control, DTR and RTS asserted, a 4,096-byte receive buffer. A setting the device refuses (DTR
// on a pseudo-terminal, say) is left as it is.
void applyLineSettings(QSerialPort& port) {
    port.setBaudRate(QSerialPort::Baud19200);
    port.setParity(QSerialPort::NoParity);
    port.setDataBits(QSerialPort::Data8);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.setReadBufferSize(kReceiveBufferSize);
    port.setRequestToSend(true);
    port.setDataTerminalReady(true);
    port.setBreakEnabled(false);
    requestLowLatency(port);
    port.clearError();
}

// What kept a port from opening. QSerialPort also says "permission" when another process holds
// the port's lock, so the device's own access rights decide between PermissionDenied and Busy.
PortProblem problemOf(QSerialPort::SerialPortError error, const QString& device) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return PortProblem::NotFound;
        case QSerialPort::PermissionError:
            // Also what a lock held by another process gives, even for a device that does not exist.
            if (!deviceExists(device))
                return PortProblem::NotFound;
            return deviceAccessible(device) ? PortProblem::Busy : PortProblem::PermissionDenied;
        case QSerialPort::OpenError:
            return PortProblem::Busy;
        default:
            return PortProblem::Other;
    }
}

}  // namespace

SerialTransport::SerialTransport() = default;

SerialTransport::~SerialTransport() {
    close();
}

void SerialTransport::setPortName(const QString& name) {
    if (name == m_name && m_port.portName() == name)
        return;
    close();
    m_name = name;
    m_port.setPortName(name);
}

std::optional<SerialTransport::OpenFailure> SerialTransport::open() {
    if (m_port.isOpen())
        return std::nullopt;
    if (!m_deviceLock.claim(m_name.toStdString()))
        return deviceHeld();
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_deviceLock.release();
        OpenFailure failure{problemOf(m_port.error(), m_name), m_port.errorString()};
        qCDebug(lcScale).noquote() << "open" << m_name << "failed:" << failure.detail;
        if (failure.problem == PortProblem::Busy)
            failure.detail = QString::fromLatin1(kPortBusy);
        else if (failure.problem == PortProblem::NotFound)
            failure.detail = missingPortDetail(m_name);
        m_port.clearError();
        return failure;
    }
    if (!m_deviceLock.lockAgainstOthers(m_port.handle())) {
        m_port.close();
        m_port.clearError();
        m_deviceLock.release();
        return deviceHeld();
    }
    applyLineSettings(m_port);
    lineOpened();
    qCDebug(lcScale).noquote() << "opened" << m_name;
    return std::nullopt;
}

SerialTransport::OpenFailure SerialTransport::deviceHeld() const {
    qCDebug(lcScale).noquote() << "open" << m_name << "refused: the device is held by another run";
    return {PortProblem::Busy, QString::fromLatin1(kDeviceHeld)};
}

bool SerialTransport::deviceGone() const {
    return !m_name.isEmpty() && !deviceExists(m_name);
}

// A port that failed stays failed: a dead device answers every later read with the same error, so
// it is closed, and the next operation opens it afresh (or finds the scale again).
void SerialTransport::closeFailedPort(const char* why) {
    qCDebug(lcScale).noquote() << m_name << "failed:" << why;
    close();
}

void SerialTransport::close() {
    if (!m_port.isOpen())
        return;
    m_port.close();
    m_port.clearError();
    m_deviceLock.release();
    qCDebug(lcScale).noquote() << "closed" << m_name;
}

bool SerialTransport::discardInput() {
    if (!m_port.isOpen())
        return false;
    const bool waiting = m_port.bytesAvailable() > 0 || bytesInDriver(m_port) > 0;
    m_port.clear(QSerialPort::Input);
    return waiting;
}

std::optional<std::size_t> SerialTransport::waitForQuiet(std::chrono::milliseconds quiet,
                                                         std::chrono::milliseconds limit) {
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 dropped = 0;
    while (m_port.isOpen()) {
        if (cancelled())
            return std::nullopt;
        dropped += m_port.bytesAvailable() + bytesInDriver(m_port);
        m_port.clear(QSerialPort::Input);
        if (!m_port.waitForReadyRead(static_cast<int>(quiet.count()))) {
            readErrorOccurred();  // a failed port shows at the send
            if (dropped > 0)
                qCDebug(lcScale).noquote() << m_name
                                           << QStringLiteral("dropped %1 stale bytes; quiet after %2 ms")
                                                  .arg(dropped)
                                                  .arg(elapsed.elapsed());
            return static_cast<std::size_t>(dropped);
        }
        if (elapsed.elapsed() >= limit.count()) {
            m_port.clear(QSerialPort::Input);
            qCDebug(lcScale).noquote()
                << m_name << "noisy line: still receiving after" << elapsed.elapsed() << "ms";
            return std::nullopt;
        }
    }
    return static_cast<std::size_t>(dropped);
}

bool SerialTransport::send(std::span<const Byte> bytes) {
    if (!m_port.isOpen())
        return false;
    qCDebug(lcScale).noquote() << traffic(m_name + QStringLiteral(" -> ") +
                                          QString::fromStdString(toHex(bytes, true)));
    m_sinceCommand.start();
    const qint64 written =
        m_port.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size())) {
        closeFailedPort("write refused");
        return false;
    }
    if (m_probe)
        return true;
    QElapsedTimer elapsed;
    elapsed.start();
    while (m_port.bytesToWrite() > 0) {
        if (cancelled())
            return false;
        if (elapsed.elapsed() > kSendLimitMs) {
            closeFailedPort("send buffer stuck");
            return false;
        }
        if (!m_port.waitForBytesWritten(static_cast<int>(kWaitSlice.count())) && readErrorOccurred())
            return false;
    }
    return true;
}

qint64 SerialTransport::sinceCommandMs() const {
    return m_sinceCommand.isValid() ? m_sinceCommand.elapsed() : -1;
}

QString SerialTransport::traffic(const QString& line) const {
    return m_probe ? line + QStringLiteral(" (detect)") : line;
}

// A port error inside an exchange counts as a missing reply: the exchange's own retry rules decide
// what follows. The spurious read error that QSerialPort before 6.7.1 can report after a
// zero-length read is cleared and the port kept; a resource error or a device that is gone means
// the scale was unplugged or switched off, and the port is closed.
bool SerialTransport::readErrorOccurred() {
    const QSerialPort::SerialPortError error = m_port.error();
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError) {
        m_port.clearError();
        return false;
    }
    qCDebug(lcScale) << "port error" << error << m_port.errorString();
    m_port.clearError();
    if (error == QSerialPort::ResourceError || deviceGone())
        closeFailedPort("device lost");
    return true;
}

bool SerialTransport::waitForBytes(std::size_t count, std::chrono::seconds limit) {
    if (!m_port.isOpen())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (static_cast<std::size_t>(m_port.bytesAvailable()) < count) {
        const auto remaining =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (cancelled())
            return false;
        if (remaining.count() <= 0) {
            qCDebug(lcScale).noquote() << m_name
                                       << QStringLiteral("no reply: %1 of %2 bytes after %3 ms")
                                              .arg(m_port.bytesAvailable())
                                              .arg(count)
                                              .arg(sinceCommandMs());
            return false;
        }
        const auto slice = std::min(remaining, kWaitSlice);
        if (!m_port.waitForReadyRead(static_cast<int>(slice.count())) && readErrorOccurred())
            return false;
    }
    return true;
}

Bytes SerialTransport::readAvailable() {
    const QByteArray data = m_port.read(static_cast<qint64>(kMaxReadSize));
    Bytes bytes(data.begin(), data.end());
    // How long after the command each part of the reply arrived: the scale's pace, for support.
    if (!bytes.empty())
        qCDebug(lcScale).noquote() << traffic(
            m_name + QStringLiteral(" <- ") + QString::fromStdString(toHex(bytes, true)) +
            QStringLiteral(" (%1 bytes, +%2 ms)").arg(bytes.size()).arg(sinceCommandMs()));
    return bytes;
}

}  // namespace vantor::scale
