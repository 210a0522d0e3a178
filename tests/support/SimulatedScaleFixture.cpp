#include "SimulatedScaleFixture.h"

#include <QFile>
#include <QObject>
#include <QTest>
#include <optional>

#include "scale/ScaleWorker.h"
#include "scale/SerialNumber.h"
#include "scale/SerialTransport.h"

namespace vantor::test {

Bytes SimulatedScaleFixture::memory(std::size_t from, std::size_t size) {
    QFile file(QString::fromStdString(memoryFile()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << memoryFile();
    const QByteArray all = file.readAll();
    const QByteArray part = all.mid(static_cast<qsizetype>(from), size ? static_cast<qsizetype>(size) : -1);
    return Bytes(part.begin(), part.end());
}

void SimulatedScaleFixture::writeMemory(const std::string& serial, std::size_t at, const Bytes& bytes) {
    Bytes memory(65536, 0xFF);
    const scale::SerialBytes packed = scale::packSerial(serial);
    std::copy(packed.begin(), packed.end(), memory.begin() + 0x0700);
    std::copy(bytes.begin(), bytes.end(), memory.begin() + static_cast<std::ptrdiff_t>(at));
    QFile file(QString::fromStdString(memoryFile()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(memory.data()), static_cast<qint64>(memory.size()));
}

void SimulatedScaleFixture::useScalePort(const std::string& device, const std::string& serial) {
    bool done = false;
    QObject context;
    ASSERT_TRUE(program().scale().run(
        [device = QString::fromStdString(device), serial](scale::SerialTransport& transport) {
            transport.close();
            transport.setPortName(device);
            if (!serial.empty())
                transport.setScaleSerial(serial);
            return true;
        },
        &context, [&](bool) { done = true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, kScaleWaitMs));
}

std::pair<QString, bool> SimulatedScaleFixture::workerPort() {
    std::optional<std::pair<QString, bool>> seen;
    QObject context;
    EXPECT_TRUE(program().scale().run(
        [](scale::SerialTransport& transport) { return std::pair(transport.portName(), transport.isOpen()); },
        &context, [&](std::pair<QString, bool> port) { seen = port; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen.has_value(); }, kScaleWaitMs));
    return seen.value_or(std::pair(QString(), false));
}

}  // namespace vantor::test
