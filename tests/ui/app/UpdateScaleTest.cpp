// "Update Scale" from the menu: the serial number read, stored or not, and the form that follows.

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <atomic>
#include <memory>
#include <thread>

#include "platform/app/SerialNumberSetting.h"
#include "support/ScaleFormsFixture.h"
#include "support/SimulatorProcess.h"
#include "ui/app/frmCheckScale.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"

namespace vantor::test {
namespace {

using app::frmCheckScale;
using app::frmWelcome;
using app::SerialNumberSetting;

class UpdateScaleTest : public ScaleFormsFixture {
protected:
    frmWelcome& menu() { return program().form<frmWelcome>(); }
    frmCheckScale& checkScale() { return program().form<frmCheckScale>(); }

    // What detection leaves behind: the scale's port selected, closed, in the scale worker.

    // Clicks "&Update Scale" on the menu and waits until the menu has handed over.
    void updateScale() {
        menu().showForm();
        click(menu(), "cmdUpdate");
        EXPECT_EQ(menu().cursor().shape(), Qt::WaitCursor) << "hourglass while the scale is asked";
        EXPECT_FALSE(control<QPushButton>(menu(), "cmdUpdate")->isEnabled()) << "one read at a time";
        ASSERT_TRUE(QTest::qWaitFor([&] { return !menu().isLoaded(); }, kWaitMs));
    }

    // The read failed: the error dialog instead of the link form, the menu gone, nothing saved.
    void expectNoAnswerShown() {
        EXPECT_TRUE(menu().ErrorScale);
        EXPECT_FALSE(menu().isVisible());
        EXPECT_TRUE(errorDialog().isVisible());
        EXPECT_FALSE(program().hasForm<frmCheckScale>());
        EXPECT_TRUE(dialogs().shown().empty()) << "the menu unloads itself without asking";
    }
};

TEST_F(UpdateScaleTest, AGoodReadShowsTheLinkFormAndStoresTheScalesSerialNumber) {
    SerialNumberSetting::save(QStringLiteral("11112222"));  // another scale, an earlier run
    SimulatorProcess simulator({"--serial", "87654321"});
    useScalePort(simulator.devicePath());
    menu().ErrorScale = true;
    menu().Timer2.start();

    updateScale();

    EXPECT_FALSE(menu().Timer2.isActive()) << "the banner stops blinking";
    EXPECT_EQ(SerialNumberSetting::read(), "87654321");
    EXPECT_EQ(QSettings(QStringLiteral("VantorUSA_PCProgram"), QStringLiteral("VantorUSA_PCProgram"))
                  .value(QStringLiteral("Properties/Serial Number")),
              "87654321");
    EXPECT_EQ(menu().VantorSN, "87654321");
    EXPECT_EQ(menu().SerialNumber, "87654321");
    EXPECT_FALSE(menu().ErrorScale);
    EXPECT_FALSE(menu().AskExit);
    EXPECT_TRUE(program().form<firmware::frmDisplay>().ScaleCom);

    EXPECT_TRUE(checkScale().isVisible());
    EXPECT_EQ(checkScale().windowTitle(), "Update Scale");
    EXPECT_EQ(control<QLabel>(checkScale(), "lblSerial")->text(), "Vantor Scale Serial Number:  87654321");
    EXPECT_EQ(control<QLabel>(checkScale(), "lblVersion")->text(), menu().lblVersion->text());
    EXPECT_EQ(control<QPushButton>(checkScale(), "cmdContinue")->text(), "&Continue");
    EXPECT_EQ(control<QPushButton>(checkScale(), "cmdExit")->text(), "E&xit");
    EXPECT_TRUE(checkScale().AskExit);
    EXPECT_FALSE(program().hasForm<scale::frmErrorScaleCom2>());
    EXPECT_NE(menu().cursor().shape(), Qt::WaitCursor);
    const auto [port, open] = workerPort();
    EXPECT_EQ(port.toStdString(), simulator.devicePath());
    EXPECT_TRUE(open) << "the port stays open for the update";
}

TEST_F(UpdateScaleTest, ASilentScaleLeavesTheSettingAndShowsTheErrorDialogWhoseRetryGoesBackToTheMenu) {
    SerialNumberSetting::save(QStringLiteral("11112222"));
    // The line goes dead at the read: a scale switched off, without waiting out the read's limit.
    SimulatorProcess simulator({"--fault", "hangup:read"});
    useScalePort(simulator.devicePath());

    updateScale();

    expectNoAnswerShown();
    EXPECT_EQ(SerialNumberSetting::read(), "11112222");
    EXPECT_FALSE(program().form<firmware::frmDisplay>().ScaleCom);
    EXPECT_EQ(menu().VantorSN, "");

    click(errorDialog(), "cmdRetry");

    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(menu().AskExit);
    EXPECT_TRUE(control<QPushButton>(menu(), "cmdUpdate")->isEnabled());
    EXPECT_FALSE(errorDialog().isLoaded());
    EXPECT_EQ(onlineChecks().updateChecks, 2) << "the menu loaded afresh";
}

// The menu meets a busy link as every form does: it says so, and nothing else happens.
TEST_F(UpdateScaleTest, WhileTheLinkIsBusyTheMenuSaysSoAndStaysUsable) {
    // Shared with the job, which may start only after the test has let it go.
    const auto release = std::make_shared<std::atomic<bool>>(false);
    ASSERT_TRUE(program().scale().run(
        [release](scale::SerialTransport&) {
            while (!*release)
                std::this_thread::yield();
            return 0;
        },
        &menu(), [](int) {}));
    menu().showForm();
    click(menu(), "cmdUpdate");
    *release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program().scale().busy(); }, kWaitMs));

    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].text, "The scale link is busy; try again when the scale has answered.");
    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(control<QPushButton>(menu(), "cmdUpdate")->isEnabled());
    EXPECT_NE(menu().cursor().shape(), Qt::WaitCursor);
    EXPECT_FALSE(program().hasForm<frmCheckScale>());
}

TEST_F(UpdateScaleTest, WithNoSettingStoredASilentScaleStoresNothing) {
    SimulatorProcess simulator({"--fault", "hangup:read"});
    useScalePort(simulator.devicePath());

    updateScale();

    expectNoAnswerShown();
    EXPECT_FALSE(QSettings(QStringLiteral("VantorUSA_PCProgram"), QStringLiteral("VantorUSA_PCProgram"))
                     .contains(QStringLiteral("Properties/Serial Number")));
}

TEST_F(UpdateScaleTest, AGarbledAnswerIsNoSerialNumberAndIsNotStored) {
    SerialNumberSetting::save(QStringLiteral("11112222"));
    SimulatorProcess simulator({"--serial", "12345678", "--fault", "corrupt:read"});  // answers ED345678
    useScalePort(simulator.devicePath());

    updateScale();

    expectNoAnswerShown();
    EXPECT_EQ(SerialNumberSetting::read(), "11112222");
}

TEST_F(UpdateScaleTest, LinkFormAsksBeforeClosingAndCancelKeepsIt) {
    SimulatorProcess simulator;
    useScalePort(simulator.devicePath());
    updateScale();
    ASSERT_TRUE(checkScale().isVisible());
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));

    checkScale().close();
    EXPECT_TRUE(checkScale().isVisible());
    click(checkScale(), "cmdExit");

    ASSERT_EQ(dialogs().shown().size(), 2u);
    EXPECT_EQ(dialogs().shown()[1].title, "Quit PC Program");
    EXPECT_EQ(endCount(), 1);
}

}  // namespace
}  // namespace vantor::test
