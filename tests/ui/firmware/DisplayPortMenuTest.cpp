// The update form's port menu: choosing a port, a port that cannot be opened, and the serial read
// through the chosen port.

#include <QAction>
#include <QLabel>
#include <QProgressBar>

#include "platform/scale/PortDiscovery.h"
#include "support/ScaleFormsFixture.h"
#include "support/SimulatorProcess.h"
#include "ui/firmware/frmDisplay.h"

namespace vantor::test {
namespace {

using firmware::frmDisplay;

class DisplayPortMenuTest : public ScaleFormsFixture {
protected:
    frmDisplay& display() { return program().form<frmDisplay>(); }

    // Runs the serial-number read and waits for its answer.
    QString readSerial() {
        std::optional<QString> serial;
        EXPECT_TRUE(display().RdSN([&](QString text) { serial = text; }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return serial.has_value(); }, kWaitMs));
        return serial.value_or(QStringLiteral("(no answer)"));
    }
};

TEST_F(DisplayPortMenuTest, FormShowsItsCaptionAndHidesTheProgressBar) {
    display().load();  // shown, the form would start an update run

    EXPECT_TRUE(control<QProgressBar>(display(), "ProgressBar1")->isHidden());
    EXPECT_TRUE(display().AskExit);
}

TEST_F(DisplayPortMenuTest, ChoosingAPortThatCannotBeOpenedMarksItAndSaysWhy) {
    // Named so that they come before any port of the machine itself.
    listPorts(missingPort(1, "a-vantor-missing") + ':' + missingPort(2, "a-vantor-missing"));
    ASSERT_EQ(QString::fromStdString(scale::EnumPorts().at(1)), missingPort(2, "a-vantor-missing"));
    display().load();  // shown, the form would start an update run

    action(display(), "mnuComm2")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs().asked().empty(); }, kWaitMs));

    EXPECT_EQ(action(display(), "mnuComm1")->text(), "   COM1   ");
    EXPECT_EQ(action(display(), "mnuComm2")->text(), "-> COM2 <-");
    const auto& message = dialogs().asked().front();
    EXPECT_EQ(message.icon, app::Message::Icon::Exclamation);
    const QString port = missingPort(2, "a-vantor-missing");
    EXPECT_EQ(message.text, "Cannot open " + port + ": there is no " + port + " on this computer.");
    EXPECT_EQ(workerPort(), std::pair(missingPort(2, "a-vantor-missing"), false));
}

TEST_F(DisplayPortMenuTest, SerialReadOpensTheChosenPortAndSetsScaleCom) {
    SimulatorProcess simulator({"--serial", "09120045"});
    listPorts(QString::fromStdString(simulator.devicePath()));
    ASSERT_EQ(scale::EnumPorts().front(), simulator.devicePath());
    display().load();  // shown, the form would start an update run
    action(display(), "mnuComm1")->trigger();
    EXPECT_EQ(action(display(), "mnuComm1")->text(), "-> COM1 <-");
    EXPECT_EQ(action(display(), "mnuComm2")->text(), "   COM2   ");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program().scale().busy(); }, kWaitMs));
    EXPECT_EQ(workerPort(), std::pair(QString::fromStdString(simulator.devicePath()), true));

    EXPECT_EQ(readSerial(), "09120045");
    EXPECT_TRUE(display().ScaleCom);
    EXPECT_TRUE(dialogs().asked().empty());
}

TEST_F(DisplayPortMenuTest, SerialReadWithoutAUsablePortGivesNothingAndClearsScaleCom) {
    display().ScaleCom = true;

    EXPECT_EQ(readSerial(), "");
    EXPECT_FALSE(display().ScaleCom);
}

}  // namespace
}  // namespace vantor::test
