// The link's own rules over a port that fails on demand: failures a pseudo-terminal never gives
// (a port another program holds, settings refused, a write that times out in the driver).

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include "core/scale/ScaleProtocol.h"
#include "platform/scale/SerialTransport.h"

using namespace std::chrono_literals;
using namespace vantor::scale;

namespace {

struct ScriptedPort : SerialPort {
    SerialPortError openError = NoError;
    bool settingsRefused = false;
    SerialPortError writeError = NoError;
    SerialPortError waitError = NoError;
    bool present = true;
    bool opened = false;
    SerialPortError current = NoError;

    bool answer(SerialPortError error) {
        current = error;
        return error == NoError;
    }
    bool open(const QString&) override { return opened = answer(openError); }
    bool applyLineSettings() override { return answer(settingsRefused ? ResourceError : NoError); }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    qintptr handle() const override { return -1; }
    SerialPortError error() const override { return current; }
    QString errorString() const override { return current == NoError ? QString() : QStringLiteral("words"); }
    QString errorForLog() const override { return errorString(); }
    void clearError() override { current = NoError; }
    PortProblem openProblem() const override {
        return current == DeviceNotFoundError ? PortProblem::NotFound
               : current == OpenError         ? PortProblem::Busy
                                              : PortProblem::Other;
    }
    bool deviceExists(const QString&) const override { return present; }
    qint64 bytesAvailable() const override { return 0; }
    qint64 bytesInDriver() override { return 0; }
    QByteArray read(qint64) override { return {}; }
    void clearInput() override {}
    bool write(const char*, qint64, int) override { return answer(writeError); }
    qint64 bytesToWrite() const override { return 0; }
    bool waitForBytesWritten(int) override { return true; }
    bool waitForReadyRead(int) override { return answer(waitError); }
    bool waitForBytes(qint64, int) override { return answer(waitError); }
};

// A transport on a device of its own (a file stands in: the device lock knows it by its inode).
class SerialTransportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_device.open()); }

    std::unique_ptr<SerialTransport> transport(ScriptedPort*& port) {
        auto owned = std::make_unique<ScriptedPort>();
        port = owned.get();
        auto made = std::make_unique<SerialTransport>(std::move(owned));
        made->setPortName(m_device.fileName());
        return made;
    }
    // Whether another run could open the device now.
    bool deviceFree() {
        ScriptedPort* port = nullptr;
        return !transport(port)->open().has_value();
    }

    QTemporaryFile m_device;
};

}  // namespace

TEST_F(SerialTransportTest, EachRefusedOpeningIsWordedForTheUserAndLeavesTheDeviceFree) {
    struct Case {
        SerialPort::SerialPortError openError;
        bool settingsRefused;
        PortProblem problem;
        QString detail;
    };
    const Case cases[] = {
        {SerialPort::HeldError, false, PortProblem::Busy, QString::fromLatin1(kDeviceHeld)},
        {SerialPort::OpenError, false, PortProblem::Busy, QString::fromLatin1(kPortBusy)},
        {SerialPort::DeviceNotFoundError, false, PortProblem::NotFound, QString()},
        {SerialPort::NoError, true, PortProblem::Other, SerialTransport::notASerialLineDetail("words")},
    };
    for (const Case& each : cases) {
        ScriptedPort* port = nullptr;
        auto link = transport(port);
        port->openError = each.openError;
        port->settingsRefused = each.settingsRefused;
        const auto failure = link->open();
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->problem, each.problem);
        EXPECT_EQ(failure->detail,
                  each.detail.isEmpty() ? SerialTransport::missingPortDetail(link->portName()) : each.detail);
        EXPECT_FALSE(link->isOpen());
        EXPECT_TRUE(deviceFree());
    }
}

TEST_F(SerialTransportTest, AWriteTheDriverCannotFinishClosesThePort) {
    ScriptedPort* port = nullptr;
    auto link = transport(port);
    ASSERT_FALSE(link->open().has_value());
    port->writeError = SerialPort::TimeoutError;
    EXPECT_FALSE(link->send(readPageCommand(kSerialAddress)));
    EXPECT_FALSE(link->isOpen());
    EXPECT_TRUE(deviceFree());
}

// A passing error is a missing reply on a port still good; a failed or vanished device is closed.
TEST_F(SerialTransportTest, OnlyALostDeviceClosesThePortInAWait) {
    struct Case {
        SerialPort::SerialPortError error;
        bool present;
        bool keptOpen;
    };
    for (const Case each :
         {Case{SerialPort::OtherError, true, true}, Case{SerialPort::OtherError, false, false},
          Case{SerialPort::ResourceError, true, false}}) {
        ScriptedPort* port = nullptr;
        auto link = transport(port);
        ASSERT_FALSE(link->open().has_value());
        port->waitError = each.error;
        port->present = each.present;
        EXPECT_FALSE(link->waitForBytes(1, 10s));
        EXPECT_EQ(link->isOpen(), each.keptOpen) << each.error << each.present;
    }
}
