#include "SimulatedScaleFixture.h"

#include <QObject>
#include <QTest>
#include <optional>

#include "platform/scale/ScaleWorker.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::test {

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
