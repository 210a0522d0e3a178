#pragma once

#include <QTimer>

#include "platform/scale/SerialPort.h"

namespace vantor::scale {

// A serial port on the Win32 calls (CreateFile, DCB, COMMTIMEOUTS, PurgeComm), opened for plain
// blocking reads and writes: Qt's overlapped port, run under Wine, stopped delivering after the
// first reply. Received bytes are taken from the driver into a buffer of its own, as a QSerialPort
// does. Lives on, and is used from, one thread only.
class Win32SerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit Win32SerialPort(QObject* parent = nullptr);
    ~Win32SerialPort() override;

    // Opens `name` (COM3, or \\.\COM3), held against the other programs of this system.
    bool open(const QString& name) override;
    // A device without modem lines (a pseudo-terminal under Wine) gets the rest of the settings.
    bool applyLineSettings() override;
    void close() override;
    bool isOpen() const override { return m_handle != nullptr; }
    qintptr handle() const override { return reinterpret_cast<qintptr>(m_handle); }

    SerialPortError error() const override { return m_error; }
    QString errorString() const override { return m_errorString; }
    QString errorForLog() const override { return m_errorString; }
    void clearError() override;
    PortProblem openProblem() const override;
    bool deviceExists(const QString& name) const override;

    qint64 bytesAvailable() const override { return m_buffer.size(); }
    qint64 bytesInDriver() override;
    QByteArray read(qint64 maxSize) override;
    void clearInput() override;
    // Returns once the driver has taken every byte, or fails after `limitMs`.
    bool write(const char* data, qint64 size, int limitMs) override;
    qint64 bytesToWrite() const override { return 0; }
    bool waitForBytesWritten(int) override { return true; }
    // Takes the bytes that came.
    bool waitForReadyRead(int msecs) override;
    // Waits for exactly the bytes asked for: Wine waits out a read's whole time for fewer.
    bool waitForBytes(qint64 count, int msecs) override;

protected:
    // Only while something listens to readyRead or errorOccurred are they watched for, by looking
    // every few milliseconds: a blocking port has no event for the event loop to wait on.
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
