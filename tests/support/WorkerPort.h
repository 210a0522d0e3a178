#pragma once

// Selects a port in the scale worker's transport the way detection leaves it: named, closed.

#include <gtest/gtest.h>

#include <QObject>
#include <QString>
#include <QTest>
#include <string>

#include "app/Program.h"
#include "scale/ScaleWorker.h"

namespace vantor::test {

// Returns once the worker has taken the port; fails the test when it does not within waitMs.
inline void selectWorkerPort(app::Program& program, const std::string& device, int waitMs) {
    bool selected = false;
    QObject context;
    ASSERT_TRUE(program.scale().run(
        [name = QString::fromStdString(device)](scale::SerialTransport& transport) {
            transport.close();
            transport.setPortName(name);
            return true;
        },
        &context, [&](bool) { selected = true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return selected; }, waitMs));
}

}  // namespace vantor::test
