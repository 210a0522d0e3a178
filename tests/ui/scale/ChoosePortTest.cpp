// The port form at start-up: its instructions and ports, detection against the simulator, and
// the error dialog when no scale answers.

#include <QLabel>
#include <QPushButton>

#include "support/ScaleFormsFixture.h"
#include "support/SimulatorProcess.h"
#include "ui/app/frmWelcome.h"

namespace vantor::test {
namespace {

class ChoosePortTest : public ScaleFormsFixture {};

TEST_F(ChoosePortTest, LoadShowsTheInstructionsAndListsTheNamedPorts) {
    listPorts(missingPort(10) + ':' + missingPort(9));
    choosePort().showForm();

    EXPECT_TRUE(choosePort().AskExit);
    const auto& ports = choosePort().PortList;
    const auto nine = std::find(ports.begin(), ports.end(), missingPort(9).toStdString());
    const auto ten = std::find(ports.begin(), ports.end(), missingPort(10).toStdString());
    ASSERT_NE(nine, ports.end());
    ASSERT_NE(ten, ports.end());
    EXPECT_LT(nine, ten) << "ports are tried in ascending port order";
}

TEST_F(ChoosePortTest, NoScaleOnAnyPortShowsTheErrorDialogWithErrorPortSet) {
    listPorts(missingPort(1) + ':' + missingPort(2));
    choosePort().setDetectionLimit(kShortDetection);
    choosePort().showForm();

    click(choosePort(), "cmdContinue");
    // While the scan runs the form says so and cannot start a second one.
    EXPECT_EQ(choosePort().windowTitle(), "Checking Scale Connection to Computer....");
    EXPECT_FALSE(control<QPushButton>(choosePort(), "cmdContinue")->isEnabled());
    choosePort().cmdContinue_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !choosePort().isLoaded(); }, kWaitMs));

    EXPECT_FALSE(choosePort().AskExit);
    EXPECT_FALSE(choosePort().isVisible());
    EXPECT_TRUE(choosePort().ErrorPort);
    EXPECT_TRUE(errorDialog().isVisible());
    EXPECT_EQ(errorDialog().windowTitle(), "Error Communicating with the Scale");
    // The dialog's own message (its wording is the dialog's test's to check). The machine's own ports
    // may be held by another program (another test, even) and add a line; the missing devices
    // themselves are no permission problem and add none.
    const QString failed = control<QLabel>(errorDialog(), "lblFailed")->text();
    EXPECT_FALSE(failed.contains(QStringLiteral("vantor-missing"))) << failed.toStdString();
    EXPECT_FALSE(program().hasForm<app::frmWelcome>());
    EXPECT_TRUE(dialogs().shown().empty()) << "the form closes itself without asking";
    EXPECT_FALSE(program().scale().busy()) << "only one scan ran";
}

TEST_F(ChoosePortTest, ScaleOnASimulatedPortLeadsToTheMainMenuWithThatPortSelectedAndClosed) {
    SimulatorProcess simulator({"--serial", "12345678"});
    listPorts(QString::fromStdString(simulator.devicePath()));

    detect();

    EXPECT_TRUE(program().form<app::frmWelcome>().isVisible());
    EXPECT_FALSE(choosePort().ErrorPort);
    EXPECT_FALSE(program().hasForm<scale::frmErrorScaleCom2>());
    const auto [port, open] = workerPort();
    EXPECT_EQ(port, QString::fromStdString(simulator.devicePath()));
    EXPECT_FALSE(open);
}

TEST_F(ChoosePortTest, CloseBoxAsksAndCancelKeepsTheForm) {
    choosePort().showForm();
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));

    choosePort().close();

    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].title, "Quit PC Program");
    EXPECT_TRUE(choosePort().isVisible());
    EXPECT_TRUE(choosePort().AskExit);
    EXPECT_EQ(endCount(), 0);
}

}  // namespace
}  // namespace vantor::test
