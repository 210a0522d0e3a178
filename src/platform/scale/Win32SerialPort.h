#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace vantor::scale {

// A serial port on the Win32 calls (CreateFile, DCB, COMMTIMEOUTS, PurgeComm), opened for plain
// blocking reads and writes: Qt's overlapped port, run under Wine, stopped delivering after the
// first reply. Received bytes are taken from the driver into a buffer of its own, as a QSerialPort
// does; the error names are those of QSerialPort, so that code over either reads the same.
// Lives on, and is used from, one thread only.
class Win32SerialPort : public QObject {
    Q_OBJECT
public:
    enum SerialPortError {
        NoError,
        DeviceNotFoundError,
        PermissionError,
        OpenError,
        TimeoutError,
        ResourceError,
        HeldError  // another program of this system has the port open
    };

    explicit Win32SerialPort(QObject* parent = nullptr);
    ~Win32SerialPort() override;

    // Opens `name` (COM3, or \\.\COM3) at 19200 baud, no parity, 8 data bits, 1 stop bit, no flow
    // control, DTR and RTS asserted, with `receiveBuffer` bytes of buffer. A device without modem
    // lines (a pseudo-terminal under Wine) gets the rest of the settings.
    bool open(const QString& name, int receiveBuffer);
    void close();
    bool isOpen() const { return m_handle != nullptr; }
    qintptr handle() const { return reinterpret_cast<qintptr>(m_handle); }

    SerialPortError error() const { return m_error; }
    // The system's own words for the last error.
    QString errorString() const { return m_errorString; }
    void clearError();

    // Bytes taken from the driver and not read yet.
    qint64 bytesAvailable() const { return m_buffer.size(); }
    // Bytes the driver has received that are not taken yet.
    qint64 bytesInDriver();
    QByteArray read(qint64 maxSize);
    // Drops every received byte, in the driver and in the buffer.
    void clearInput();
    // Writes every byte, waiting at most `limitMs` for the line to take them; false on a failure.
    bool write(const char* data, qint64 size, int limitMs);
    // Waits up to `msecs` for new bytes and takes them; false when none came or the port failed.
    bool waitForReadyRead(int msecs);
    // Waits up to `msecs` until `count` bytes are taken; false when fewer came or the port failed.
    bool waitForBytes(qint64 count, int msecs);

signals:
    // Only while something listens to these are they watched for, by looking every few
    // milliseconds: a blocking port has no event for the event loop to wait on.
    void readyRead();
    void errorOccurred(vantor::scale::Win32SerialPort::SerialPortError error);

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    bool holdName(const QString& name);
    bool configure(int receiveBuffer);
    bool takeFromDriver(unsigned long wait, qint64 wanted = kReadChunk);
    bool setReadWait(unsigned long wait);
    void fail(SerialPortError error);
    void poll();

    static constexpr qint64 kReadChunk = 4096;  // the most one read takes from the driver

    void* m_handle = nullptr;
    void* m_nameHold = nullptr;  // a named mutex: the port's name held against other programs
    QString m_name;
    QByteArray m_buffer;
    qint64 m_bufferLimit = 0;
    SerialPortError m_error = NoError;
    QString m_errorString;
    unsigned long m_readWait = ~0UL;  // the read wait the port is set to; none set yet
    QTimer m_watch;
};

}  // namespace vantor::scale
