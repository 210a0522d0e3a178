#pragma once

#include <QCoreApplication>
#include <QTest>

#include "support/SimulatedScaleFixture.h"
#include "ui/scale/frmChoosePort.h"
#include "ui/scale/frmErrorScaleCom2.h"

namespace vantor::test {

// The program with the scale forms, detection bounded to a fraction of a second so that the
// machine's own silent ports cannot hold a test for the full serial-read limit.
class ScaleFormsFixture : public SimulatedScaleFixture {
protected:
    static constexpr int kWaitMs = 15000;
    static constexpr std::chrono::milliseconds kShortDetection{500};

    scale::frmChoosePort& choosePort() { return program().form<scale::frmChoosePort>(); }
    scale::frmErrorScaleCom2& errorDialog() { return program().form<scale::frmErrorScaleCom2>(); }

    // A device path that does not exist, unique to this test program: serial ports are locked
    // across processes by name, and tests running side by side must not see each other's locks.
    static QString missingPort(int n, const char* prefix = "vantor-missing") {
        return QStringLiteral("/dev/%1-%2-%3")
            .arg(QLatin1String(prefix))
            .arg(QCoreApplication::applicationPid())
            .arg(n);
    }

    // Extra serial ports that detection will try, besides the machine's own.
    void listPorts(const QString& ports) { environment().set("VANTOR_ONLY_PORTS", ports.toUtf8()); }

    // Shows the port form and clicks Continue; returns once the form has closed itself.
    void detect() {
        choosePort().setDetectionLimit(kShortDetection);
        choosePort().showForm();
        click(choosePort(), "cmdContinue");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !choosePort().isLoaded(); }, kWaitMs));
    }
};

}  // namespace vantor::test
