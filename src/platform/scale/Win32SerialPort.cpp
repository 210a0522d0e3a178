#include "platform/scale/Win32SerialPort.h"

#include <windows.h>

#include <QMetaMethod>
#include <algorithm>
#include <chrono>

#include "platform/scale/ScaleLog.h"

namespace vantor::scale {

namespace {

constexpr DWORD kBaudRate = 19200;
// Detection's event loop looks at the probes this often; a probe's answer takes 68 ms on the line.
constexpr std::chrono::milliseconds kWatchInterval{10};

HANDLE handleOf(void* handle) {
    return static_cast<HANDLE>(handle);
}

// \\.\COM10: the device namespace, without which CreateFile finds COM1 to COM9 only.
std::wstring devicePath(const QString& name) {
    const QString prefix = QStringLiteral("\\\\.\\");
    return (name.startsWith(prefix) ? name : prefix + name).toStdWString();
}

Win32SerialPort::SerialPortError openErrorOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return Win32SerialPort::DeviceNotFoundError;
        case ERROR_ACCESS_DENIED:  // what a port another program has open gives
        case ERROR_SHARING_VIOLATION:
            return Win32SerialPort::PermissionError;
        default:
            return Win32SerialPort::ResourceError;
    }
}

}  // namespace

Win32SerialPort::Win32SerialPort(QObject* parent) : SerialPort(parent) {
    m_watch.setInterval(kWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, &Win32SerialPort::poll);
}

Win32SerialPort::~Win32SerialPort() {
    close();
}

bool Win32SerialPort::open(const QString& name) {
    close();
    clearError();
    m_name = name;
    if (!holdName(name))
        return false;
    const HANDLE handle = ::CreateFileW(devicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        fail(openErrorOf(::GetLastError()));
        close();
        return false;
    }
    m_handle = handle;
    m_readWait = ~0UL;
    return true;
}

bool Win32SerialPort::applyLineSettings() {
    if (!configure(static_cast<int>(kReceiveBufferSize)))
        return false;
    if (isSignalConnected(QMetaMethod::fromSignal(&SerialPort::readyRead)))
        m_watch.start();
    return true;
}

// Windows opens a COM port for one program at a time, but Wine does not: a second program would
// mix its commands into a running update. Each program therefore holds the port's name, as a
// named object that ends with the program, for as long as the port is open.
bool Win32SerialPort::holdName(const QString& name) {
    QString device = name.toUpper();
    device.remove(QStringLiteral("\\\\.\\"));
    const std::wstring object = (QStringLiteral("Local\\VantorSerialPort-") + device).toStdWString();
    m_nameHold = ::CreateMutexW(nullptr, FALSE, object.c_str());
    if (m_nameHold && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    m_error = m_nameHold ? HeldError : ResourceError;
    m_errorString = qt_error_string(static_cast<int>(::GetLastError()));
    close();
    return false;
}

// The line settings, the driver's buffers, no waiting yet, and nothing left from before.
bool Win32SerialPort::configure(int receiveBuffer) {
    const HANDLE handle = handleOf(m_handle);
    ::SetupComm(handle, static_cast<DWORD>(receiveBuffer), static_cast<DWORD>(receiveBuffer));
    DCB line{};
    line.DCBlength = sizeof(line);
    // A device that cannot report its settings gets them all from here.
    ::GetCommState(handle, &line);
    line.BaudRate = kBaudRate;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fErrorChar = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(handle, &line)) {
        // A device without modem lines refuses them with the rest (a pseudo-terminal under Wine:
        // error 50, not supported), as Linux refuses DTR on one; the link works without them.
        qCDebug(lcScale).noquote() << m_name << "DTR and RTS not asserted:"
                                   << qt_error_string(static_cast<int>(::GetLastError()));
        line.fDtrControl = DTR_CONTROL_DISABLE;
        line.fRtsControl = RTS_CONTROL_DISABLE;
        if (!::SetCommState(handle, &line)) {
            fail(ResourceError);
            return false;
        }
    }
    if (!setReadWait(0)) {
        fail(ResourceError);
        return false;
    }
    ::EscapeCommFunction(handle, CLRBREAK);
    clearInput();
    m_bufferLimit = receiveBuffer;
    return true;
}

void Win32SerialPort::close() {
    m_watch.stop();
    if (m_handle)
        ::CloseHandle(handleOf(m_handle));
    if (m_nameHold)
        ::CloseHandle(handleOf(m_nameHold));
    m_handle = nullptr;
    m_nameHold = nullptr;
    m_buffer.clear();
}

void Win32SerialPort::clearError() {
    m_error = NoError;
    m_errorString.clear();
}

void Win32SerialPort::fail(SerialPortError error) {
    m_error = error;
    m_errorString = qt_error_string(static_cast<int>(::GetLastError()));
}

// Windows opens a COM port for one program at a time: a refusal of access means another program
// has it.
PortProblem Win32SerialPort::openProblem() const {
    switch (m_error) {
        case DeviceNotFoundError:
            return PortProblem::NotFound;
        case PermissionError:
            return PortProblem::Busy;
        default:
            return PortProblem::Other;
    }
}

bool Win32SerialPort::deviceExists(const QString& name) const {
    QString device = name;
    device.remove(QStringLiteral("\\\\.\\"));
    wchar_t target[MAX_PATH];
    return ::QueryDosDeviceW(reinterpret_cast<const wchar_t*>(device.utf16()), target, MAX_PATH) != 0 ||
           ::GetLastError() != ERROR_FILE_NOT_FOUND;
}

qint64 Win32SerialPort::bytesInDriver() {
    COMSTAT status{};
    DWORD errors = 0;
    if (!m_handle || !::ClearCommError(handleOf(m_handle), &errors, &status))
        return 0;
    return status.cbInQue;
}

QByteArray Win32SerialPort::read(qint64 maxSize) {
    takeFromDriver(0);
    const QByteArray taken = m_buffer.left(maxSize);
    m_buffer.remove(0, taken.size());
    return taken;
}

void Win32SerialPort::clearInput() {
    if (m_handle)
        ::PurgeComm(handleOf(m_handle), PURGE_RXABORT | PURGE_RXCLEAR);
    m_buffer.clear();
}

bool Win32SerialPort::write(const char* data, qint64 size, int limitMs) {
    COMMTIMEOUTS timeouts{};
    if (!m_handle || !::GetCommTimeouts(handleOf(m_handle), &timeouts))
        return false;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(limitMs);
    DWORD written = 0;
    if (!::SetCommTimeouts(handleOf(m_handle), &timeouts) ||
        !::WriteFile(handleOf(m_handle), data, static_cast<DWORD>(size), &written, nullptr)) {
        fail(ResourceError);
        return false;
    }
    if (static_cast<qint64>(written) != size) {
        ::SetLastError(ERROR_TIMEOUT);
        fail(TimeoutError);
        return false;
    }
    return true;
}

bool Win32SerialPort::waitForReadyRead(int msecs) {
    return waitForBytes(m_buffer.size() + 1, msecs);
}

bool Win32SerialPort::waitForBytes(qint64 count, int msecs) {
    if (!m_handle || !takeFromDriver(0))
        return false;
    if (m_buffer.size() < count && msecs > 0 &&
        !takeFromDriver(static_cast<unsigned long>(msecs), count - m_buffer.size()))
        return false;
    return m_buffer.size() >= count && takeFromDriver(0);
}

// Sets how long a read waits: 0 takes what is there and returns at once; otherwise the read
// returns once it has every byte asked for, or with what came after `wait` ms. (A read that
// returns at its first byte would suit better, but Wine waits out its whole time instead.)
bool Win32SerialPort::setReadWait(unsigned long wait) {
    if (wait == m_readWait)
        return true;
    COMMTIMEOUTS timeouts{};
    ::GetCommTimeouts(handleOf(m_handle), &timeouts);
    timeouts.ReadIntervalTimeout = wait == 0 ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = wait;
    if (!::SetCommTimeouts(handleOf(m_handle), &timeouts))
        return false;
    m_readWait = wait;
    return true;
}

// Moves up to `wanted` of the driver's bytes into the buffer, as far as it has room, waiting as
// setReadWait says; false when the port failed.
bool Win32SerialPort::takeFromDriver(unsigned long wait, qint64 wanted) {
    const qint64 room = std::min({m_bufferLimit - m_buffer.size(), kReadChunk, wanted});
    if (room <= 0)
        return true;
    char chunk[kReadChunk];
    DWORD got = 0;
    if (!setReadWait(wait) ||
        !::ReadFile(handleOf(m_handle), chunk, static_cast<DWORD>(room), &got, nullptr)) {
        fail(ResourceError);
        return false;
    }
    m_buffer.append(chunk, static_cast<qsizetype>(got));
    return true;
}

void Win32SerialPort::connectNotify(const QMetaMethod& signal) {
    if (m_handle && (signal == QMetaMethod::fromSignal(&SerialPort::readyRead) ||
                     signal == QMetaMethod::fromSignal(&SerialPort::errorOccurred)))
        m_watch.start();
}

void Win32SerialPort::poll() {
    const qint64 before = m_buffer.size();
    if (!m_handle)
        return;
    if (!takeFromDriver(0)) {
        m_watch.stop();
        emit errorOccurred(m_error);
        return;
    }
    if (m_buffer.size() > before)
        emit readyRead();
}

}  // namespace vantor::scale
