// The start-up splash: its version line, the Internet check on its timer, and the form that
// follows.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "core/scale/DetectionRound.h"
#include "platform/firmware/JournalFile.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedHttpServer.h"
#include "ui/app/Road.h"
#include "ui/app/frmNotConnected.h"
#include "ui/app/frmQuit.h"
#include "ui/app/frmStartUp.h"
#include "ui/app/frmWelcome.h"
#include "ui/scale/frmChoosePort.h"

namespace vantor::test {
namespace {

using app::frmNotConnected;
using app::frmStartUp;
using scale::frmChoosePort;

constexpr int kWaitMs = 10000;
// The tests make every tick themselves; the real timer must not add ticks while they wait.
constexpr int kNeverMs = 24 * 60 * 60 * 1000;

class StartUpTest : public ProgramFixture {
protected:
    frmStartUp& splash() { return program().form<frmStartUp>(); }

    void showSplash() {
        splash().showForm();
        splash().Timer1.setInterval(kNeverMs);
    }

    void probeAgainst(const QUrl& url) { environment().set("VANTOR_PROBE_URL", url.toString().toUtf8()); }

    // Runs the second tick and waits until the Internet check has answered.
    void tickThroughCheck() {
        splash().Timer1_Timer();
        ASSERT_EQ(splash().TimerCount, 1) << "the tick ends only when the check answers";
        ASSERT_TRUE(QTest::qWaitFor([&] { return splash().TimerCount == 2; }, kWaitMs));
    }

    // Closes the splash by its close box and answers the quit question with Cancel.
    void closeAndCancel() {
        bool timerStoppedWhileAsking = false;
        dialogs().onModal([&](app::Form& quit) {
            timerStoppedWhileAsking = !splash().Timer1.isActive();
            click(quit, QStringLiteral("cmdCancel"));
        });
        splash().close();
        EXPECT_TRUE(timerStoppedWhileAsking);
    }

    // Starts the Internet check, closes the splash, and answers the quit question with Cancel once
    // the check has answered. True when nothing moved on while the question was open.
    bool closeWhileTheCheckAnswers() {
        showSplash();
        splash().Timer1_Timer();
        splash().Timer1_Timer();
        bool held = false;
        dialogs().onModal([&](app::Form& quit) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return splash().TimerCount == 2; }, kWaitMs)) << "no answer";
            held = !splash().Timer1.isActive() && !program().hasForm<frmChoosePort>() &&
                   !program().hasForm<frmNotConnected>();
            click(quit, QStringLiteral("cmdCancel"));
        });
        splash().close();
        return held;
    }

    ScriptedHttpServer web;
};

TEST_F(StartUpTest, LoadShowsTheVersionInBoldAndStartsTheTimer) {
    splash().showForm();

    EXPECT_EQ(splash().VersionNum, "Version 3.0");
    EXPECT_EQ(control<QLabel>(splash(), "lblVersion")->text(), "Version 3.0");
    EXPECT_TRUE(control<QLabel>(splash(), "lblVersion")->font().bold());
    EXPECT_TRUE(splash().Timer1.isActive());
    EXPECT_EQ(splash().Timer1.interval(), 1000);
    EXPECT_TRUE(splash().AskExit);
    EXPECT_EQ(splash().TimerCount, 0);
}

TEST_F(StartUpTest, WithInternetThePortFormFollowsOnTheThirdTickAndTheSplashCloses) {
    ASSERT_TRUE(web.listening());
    probeAgainst(web.url(QStringLiteral("/")));
    showSplash();

    splash().Timer1_Timer();
    EXPECT_EQ(splash().TimerCount, 1);
    tickThroughCheck();
    EXPECT_TRUE(splash().Timer1.isActive()) << "the sequence goes on after a good check";
    EXPECT_FALSE(program().hasForm<frmChoosePort>());

    splash().Timer1_Timer();

    EXPECT_EQ(splash().TimerCount, 3);
    EXPECT_TRUE(program().form<frmChoosePort>().isLoaded());
    EXPECT_TRUE(program().form<frmChoosePort>().isVisible());
    EXPECT_FALSE(splash().isLoaded());
    EXPECT_FALSE(splash().isVisible());
    EXPECT_FALSE(splash().Timer1.isActive());
    EXPECT_TRUE(dialogs().shown().empty()) << "the splash closes itself without asking";
    EXPECT_FALSE(program().hasForm<frmNotConnected>());
}

TEST_F(StartUpTest, WithoutInternetTheNoConnectionFormAppearsAndTheSequenceStops) {
    probeAgainst(ScriptedHttpServer::refusedUrl());
    showSplash();

    splash().Timer1_Timer();
    tickThroughCheck();

    EXPECT_TRUE(program().form<frmNotConnected>().isVisible());
    EXPECT_FALSE(splash().Timer1.isActive());
    EXPECT_TRUE(splash().isVisible()) << "the splash stays behind the message";
    EXPECT_FALSE(program().hasForm<frmChoosePort>());
    EXPECT_EQ(endCount(), 0);
}

// An update cut short needs no Internet to be finished: offline, the scale is looked for all the
// same, and only a scale without an unfinished update ends at the offline form.
TEST_F(StartUpTest, WithoutInternetAnUnfinishedUpdateStillLeadsToTheScale) {
    QDir().mkpath(firmware::JournalFile::folder());
    QFile journal(QDir(firmware::JournalFile::folder()).filePath(QStringLiteral("Update-12345678.journal")));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.close();
    probeAgainst(ScriptedHttpServer::refusedUrl());
    showSplash();

    splash().Timer1_Timer();
    tickThroughCheck();

    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].title, "No Internet Connection");
    EXPECT_TRUE(dialogs().asked()[0].text.contains("can be finished without the Internet"));
    EXPECT_TRUE(program().form<frmChoosePort>().isVisible());
    EXPECT_FALSE(splash().isLoaded());
    EXPECT_FALSE(program().hasForm<frmNotConnected>());

    scale::DetectionResult otherScale;
    otherScale.port = "/dev/ttyUSB0";
    otherScale.serial = "87654321";
    app::road().detectionFinished(otherScale, QString());
    EXPECT_TRUE(program().form<frmNotConnected>().isVisible()) << "nothing to finish on this scale";
    EXPECT_FALSE(program().hasForm<app::frmWelcome>());
}

TEST_F(StartUpTest, TicksWhileTheCheckIsOutDoNothing) {
    probeAgainst(web.url(QStringLiteral("/")));
    showSplash();
    splash().Timer1_Timer();
    splash().Timer1_Timer();  // starts the check

    splash().Timer1_Timer();
    splash().Timer1_Timer();

    EXPECT_EQ(splash().TimerCount, 1);
    EXPECT_FALSE(program().hasForm<frmChoosePort>());
    ASSERT_TRUE(QTest::qWaitFor([&] { return splash().TimerCount == 2; }, kWaitMs));
    EXPECT_FALSE(program().hasForm<frmChoosePort>());
}

TEST_F(StartUpTest, CancelledCloseResumesTheSequenceWhereItStood) {
    probeAgainst(web.url(QStringLiteral("/")));
    showSplash();
    splash().Timer1_Timer();

    closeAndCancel();

    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].form, "frmQuit");
    EXPECT_EQ(dialogs().shown()[0].title, "Quit PC Program");
    EXPECT_TRUE(splash().isLoaded());
    EXPECT_EQ(splash().TimerCount, 1);
    EXPECT_TRUE(splash().Timer1.isActive());

    // The check runs next, once, and the hand-over follows.
    tickThroughCheck();
    closeAndCancel();
    EXPECT_EQ(splash().TimerCount, 2);
    EXPECT_TRUE(splash().Timer1.isActive());
    splash().Timer1_Timer();
    EXPECT_TRUE(program().form<frmChoosePort>().isVisible());
    EXPECT_EQ(endCount(), 0);
}

TEST_F(StartUpTest, CancelledCloseAfterAFailedCheckDoesNotRestartTheSequence) {
    probeAgainst(ScriptedHttpServer::refusedUrl());
    showSplash();
    splash().Timer1_Timer();
    tickThroughCheck();

    closeAndCancel();

    EXPECT_TRUE(splash().isLoaded());
    EXPECT_FALSE(splash().Timer1.isActive()) << "the next tick would open the port form while offline";
    EXPECT_FALSE(program().hasForm<frmChoosePort>());
}

TEST_F(StartUpTest, ACheckThatAnswersWhileTheQuitQuestionIsOpenWaitsForTheAnswer) {
    probeAgainst(web.url(QStringLiteral("/")));
    EXPECT_TRUE(closeWhileTheCheckAnswers()) << "nothing appears behind the open question";
    EXPECT_TRUE(splash().Timer1.isActive()) << "Cancel goes on from where the sequence stood";
    splash().Timer1_Timer();
    EXPECT_TRUE(program().form<frmChoosePort>().isVisible());

    // Offline: the no-connection form comes once the question has been answered.
    StartUpTest::TearDown();
    StartUpTest::SetUp();
    probeAgainst(ScriptedHttpServer::refusedUrl());
    EXPECT_TRUE(closeWhileTheCheckAnswers());
    EXPECT_FALSE(splash().Timer1.isActive());
    EXPECT_TRUE(program().form<frmNotConnected>().isVisible());
}

TEST_F(StartUpTest, YesToTheQuitQuestionEndsTheProgramInsideTheClose) {
    showSplash();
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));

    splash().close();

    EXPECT_EQ(endCount(), 1);
    EXPECT_FALSE(splash().isVisible());
    EXPECT_FALSE(splash().Timer1.isActive());
}

TEST_F(StartUpTest, NoConnectionFormEndsTheProgramByOkayOrByItsCloseBox) {
    auto& notConnected = program().form<frmNotConnected>();
    notConnected.showForm();

    click(notConnected, "cmdOkay");
    EXPECT_EQ(endCount(), 1);
    EXPECT_TRUE(program().ended());
    EXPECT_TRUE(dialogs().asked().empty());
}

TEST_F(StartUpTest, NoConnectionFormCloseBoxEndsTheProgram) {
    auto& notConnected = program().form<frmNotConnected>();
    notConnected.showForm();

    notConnected.close();

    EXPECT_EQ(endCount(), 1);
    EXPECT_TRUE(dialogs().shown().empty());
}

TEST_F(StartUpTest, MainMenuShowsTheSplashVersionWithoutReopeningTheSplash) {
    showSplash();
    splash().AskExit = false;
    splash().unload();

    auto& welcome = program().form<app::frmWelcome>();
    welcome.showForm();

    // The menu's own texts and looks are the menu's test's; here, that the splash's version reached it.
    EXPECT_EQ(control<QLabel>(welcome, "lblVersion")->text(), "Vantor PC Program Version 3.0");
    EXPECT_FALSE(splash().isLoaded());
    EXPECT_FALSE(splash().Timer1.isActive());
}

}  // namespace
}  // namespace vantor::test
