#pragma once

#include <QSerialPort>

#include "platform/scale/SerialPort.h"

namespace vantor::scale {

// The serial port on Qt Serial Port, where it works as it should (Linux, and any system but
// Windows). Lives on, and is used from, one thread only.
class QtSerialPort : public SerialPort {
public:
    QtSerialPort();

    bool open(const QString& name) override;
    bool applyLineSettings() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    qintptr handle() const override { return m_port.handle(); }

    SerialPortError error() const override;
    QString errorString() const override { return m_port.errorString(); }
    QString errorForLog() const override;
    void clearError() override { m_port.clearError(); }
    PortProblem openProblem() const override;
    bool deviceExists(const QString& name) const override;

    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    qint64 bytesInDriver() override;
    QByteArray read(qint64 maxSize) override { return m_port.read(maxSize); }
    void clearInput() override { m_port.clear(QSerialPort::Input); }
    bool write(const char* data, qint64 size, int limitMs) override;
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }
    bool waitForBytesWritten(int msecs) override { return m_port.waitForBytesWritten(msecs); }
    bool waitForReadyRead(int msecs) override { return m_port.waitForReadyRead(msecs); }
    bool waitForBytes(qint64 count, int msecs) override;

private:
    void requestLowLatency();

    QSerialPort m_port;
    QString m_name;
};

}  // namespace vantor::scale
