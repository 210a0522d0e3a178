#include "platform/scale/SerialTransport.h"

#include <QElapsedTimer>
#include <algorithm>

#include "core/scale/ScaleProtocol.h"
#include "platform/scale/DeviceLock.h"
#include "platform/scale/ScaleLog.h"

#ifdef Q_OS_WIN
#include "platform/scale/Win32SerialPort.h"
#else
#include "platform/scale/QtSerialPort.h"
#endif

namespace vantor::scale {

namespace {

// Waits are cut into slices so that a cancel is seen promptly; each slice sleeps in the system.
constexpr std::chrono::milliseconds kWaitSlice{100};
// Handing a command to the line: 131 bytes take 68 ms at 19200 baud; anything near this bound
// means the port is stuck.
constexpr int kSendLimitMs = 2000;

// Qt's overlapped port, run under Wine, stopped delivering after the first reply: Windows has a
// port of its own.
std::unique_ptr<SerialPort> systemPort() {
#ifdef Q_OS_WIN
    return std::make_unique<Win32SerialPort>();
#else
    return std::make_unique<QtSerialPort>();
#endif
}

}  // namespace

SerialTransport::SerialTransport() : SerialTransport(systemPort()) {}

SerialTransport::SerialTransport(std::unique_ptr<SerialPort> port) : m_port(std::move(port)) {}

SerialTransport::~SerialTransport() {
    close();
}

void SerialTransport::setPortName(const QString& name) {
    if (name == m_name)
        return;
    close();
    m_name = name;
}

std::optional<SerialTransport::OpenFailure> SerialTransport::open() {
    if (m_port->isOpen())
        return std::nullopt;
    if (!m_deviceLock.claim(m_name.toStdString()))
        return deviceHeld();
    if (!m_port->open(m_name))
        return openRefused();
    if (!m_deviceLock.lockAgainstOthers(m_port->handle())) {
        m_port->close();
        m_port->clearError();
        m_deviceLock.release();
        return deviceHeld();
    }
    if (!m_port->applyLineSettings()) {
        m_port->close();
        OpenFailure failure = openRefused();
        // It opened, so it is there: a device that is no serial line (a modem's or a printer's
        // port), or one whose driver fails. The system's words alone ("Invalid function") say
        // nothing to the user.
        if (failure.problem == PortProblem::Other)
            failure.detail = notASerialLineDetail(failure.detail);
        return failure;
    }
    lineOpened();
    qCDebug(lcScale).noquote() << "opened" << m_name;
    return std::nullopt;
}

// The port would not open (or not take the line settings): what the user is told, with the
// system's own words in the log.
SerialTransport::OpenFailure SerialTransport::openRefused() {
    m_deviceLock.release();
    if (m_port->error() == SerialPort::HeldError) {
        m_port->clearError();
        return deviceHeld();
    }
    OpenFailure failure{m_port->openProblem(), m_port->errorString()};
    qCDebug(lcScale).noquote() << "open" << m_name << "failed:" << failure.detail;
    if (failure.problem == PortProblem::Busy)
        failure.detail = QString::fromLatin1(kPortBusy);
    else if (failure.problem == PortProblem::NotFound)
        failure.detail = missingPortDetail(m_name);
    m_port->clearError();
    return failure;
}

SerialTransport::OpenFailure SerialTransport::deviceHeld() const {
    qCDebug(lcScale).noquote() << "open" << m_name << "refused: the device is held by another run";
    return {PortProblem::Busy, QString::fromLatin1(kDeviceHeld)};
}

bool SerialTransport::deviceGone() const {
    return !m_name.isEmpty() && !m_port->deviceExists(m_name);
}

// A port that failed stays failed: a dead device answers every later read with the same error, so
// it is closed, and the next operation opens it afresh (or finds the scale again).
void SerialTransport::closeFailedPort(const char* why) {
    qCDebug(lcScale).noquote() << m_name << "failed:" << why;
    close();
}

void SerialTransport::close() {
    if (!m_port->isOpen())
        return;
    m_port->close();
    m_port->clearError();
    m_deviceLock.release();
    qCDebug(lcScale).noquote() << "closed" << m_name;
}

bool SerialTransport::discardInput() {
    if (!m_port->isOpen())
        return false;
    const bool waiting = m_port->bytesAvailable() > 0 || m_port->bytesInDriver() > 0;
    m_port->clearInput();
    return waiting;
}

std::optional<std::size_t> SerialTransport::waitForQuiet(std::chrono::milliseconds quiet,
                                                         std::chrono::milliseconds limit) {
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 dropped = 0;
    while (m_port->isOpen()) {
        if (cancelled())
            return std::nullopt;
        dropped += m_port->bytesAvailable() + m_port->bytesInDriver();
        m_port->clearInput();
        if (!m_port->waitForReadyRead(static_cast<int>(quiet.count()))) {
            readErrorOccurred();  // a failed port shows at the send
            if (dropped > 0)
                qCDebug(lcScale).noquote() << m_name
                                           << QStringLiteral("dropped %1 stale bytes; quiet after %2 ms")
                                                  .arg(dropped)
                                                  .arg(elapsed.elapsed());
            return static_cast<std::size_t>(dropped);
        }
        if (elapsed.elapsed() >= limit.count()) {
            m_port->clearInput();
            qCDebug(lcScale).noquote()
                << m_name << "noisy line: still receiving after" << elapsed.elapsed() << "ms";
            return std::nullopt;
        }
    }
    return static_cast<std::size_t>(dropped);
}

bool SerialTransport::send(std::span<const Byte> bytes) {
    if (!m_port->isOpen())
        return false;
    qCDebug(lcScale).noquote() << traffic(m_name + QStringLiteral(" -> ") +
                                          QString::fromStdString(toHex(bytes, true)));
    m_sinceCommand.start();
    if (!m_port->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()),
                       kSendLimitMs)) {
        closeFailedPort(m_port->error() == SerialPort::TimeoutError ? "send buffer stuck" : "write refused");
        return false;
    }
    if (m_probe)
        return true;
    return drainSendBuffer();
}

// Waits for a buffering port to hand the command to the line.
bool SerialTransport::drainSendBuffer() {
    QElapsedTimer elapsed;
    elapsed.start();
    while (m_port->bytesToWrite() > 0) {
        if (cancelled())
            return false;
        if (elapsed.elapsed() > kSendLimitMs) {
            closeFailedPort("send buffer stuck");
            return false;
        }
        if (!m_port->waitForBytesWritten(static_cast<int>(kWaitSlice.count())) && readErrorOccurred())
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
// what follows. A passing error (the spurious read error that QSerialPort before 6.7.1 can report
// after a zero-length read) is cleared and the port kept; a resource error or a device that is gone
// means the scale was unplugged or switched off, and the port is closed.
bool SerialTransport::readErrorOccurred() {
    const SerialPort::SerialPortError error = m_port->error();
    if (error == SerialPort::NoError || error == SerialPort::TimeoutError) {
        m_port->clearError();
        return false;
    }
    qCDebug(lcScale).noquote() << "port error" << m_port->errorForLog();
    m_port->clearError();
    if (error == SerialPort::ResourceError || deviceGone())
        closeFailedPort("device lost");
    return true;
}

bool SerialTransport::waitForBytes(std::size_t count, std::chrono::seconds limit) {
    if (!m_port->isOpen())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (static_cast<std::size_t>(m_port->bytesAvailable()) < count) {
        const auto remaining =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (cancelled())
            return false;
        if (remaining.count() <= 0) {
            qCDebug(lcScale).noquote() << m_name
                                       << QStringLiteral("no reply: %1 of %2 bytes after %3 ms")
                                              .arg(m_port->bytesAvailable())
                                              .arg(count)
                                              .arg(sinceCommandMs());
            return false;
        }
        const auto slice = std::min(remaining, kWaitSlice);
        if (!m_port->waitForBytes(static_cast<qint64>(count), static_cast<int>(slice.count())) &&
            readErrorOccurred())
            return false;
    }
    return true;
}

Bytes SerialTransport::readAvailable() {
    const QByteArray data = m_port->read(static_cast<qint64>(kMaxReadSize));
    Bytes bytes(data.begin(), data.end());
    // How long after the command each part of the reply arrived: the scale's pace, for support.
    if (!bytes.empty())
        qCDebug(lcScale).noquote() << traffic(
            m_name + QStringLiteral(" <- ") + QString::fromStdString(toHex(bytes, true)) +
            QStringLiteral(" (%1 bytes, +%2 ms)").arg(bytes.size()).arg(sinceCommandMs()));
    return bytes;
}

}  // namespace vantor::scale
