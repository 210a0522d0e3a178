// The main menu: its texts and buttons, and the version check that runs once on its timer.

#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "core/app/OpenFailure.h"
#include "support/ProgramFixture.h"
#include "ui/app/ClickableLabel.h"
#include "ui/app/Look.h"
#include "ui/app/frmQuit.h"
#include "ui/app/frmStartUp.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"
#include "ui/keys/frmProgramKey.h"
#include "ui/keys/frmZipKey.h"
#include "ui/zones/frmProgramZip.h"

namespace vantor::test {
namespace {

using app::frmWelcome;

// The tests make every tick themselves; the real timers must not add ticks while they run.
constexpr int kNeverMs = 24 * 60 * 60 * 1000;
const QString kWebServer = QStringLiteral("http://127.0.0.1:8642");

class MainMenuTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        environment().set("VANTOR_WEB_SERVER", kWebServer.toUtf8());
    }

    frmWelcome& menu() { return program().form<frmWelcome>(); }

    // The start-up sequence as far as the menu: the splash loaded and gone, then the menu shown.
    void showMenu() {
        auto& splash = program().form<app::frmStartUp>();
        splash.showForm();
        splash.AskExit = false;
        splash.unload();
        showMenuAgain();
    }
    void showMenuAgain() {
        menu().showForm();
        menu().Timer1.setInterval(kNeverMs);
    }
    void tickTimer1(int ticks) {
        for (int i = 0; i < ticks; ++i)
            menu().Timer1_Timer();
    }

    void putFile(const QString& name) {
        QFile file(program().programFile(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("temporary");
    }
    bool exists(const QString& name) { return QFile::exists(program().programFile(name)); }

    // "E&xit", then "&Yes": the program ends at once, silently, the menu's own close check skipped.
    void exitWithYes() {
        dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));
        click(menu(), "cmdExit");
        EXPECT_EQ(endCount(), 1);
        EXPECT_TRUE(program().ended());
        EXPECT_FALSE(menu().isVisible());
        ASSERT_EQ(dialogs().shown().size(), 1u) << "the menu's closing handler asked again";
        EXPECT_TRUE(dialogs().asked().empty()) << "no message on the way out";
        QObject context;
        EXPECT_FALSE(program().scale().run([](scale::SerialTransport&) { return 0; }, &context, [](int) {}))
            << "the scale worker was stopped";
    }
};

TEST_F(MainMenuTest, LoadShowsTheTextsTheBoldVersionAndTheFiveButtonsInOneRow) {
    showMenu();

    auto* version = control<QLabel>(menu(), "lblVersion");
    EXPECT_EQ(version->text(), "Vantor PC Program Version 3.0");
    EXPECT_TRUE(version->font().bold());
    EXPECT_FALSE(program().form<app::frmStartUp>().isLoaded()) << "the splash was not opened again";

    struct Expected {
        const char* name;
        const char* text;
        const char* toolTip;
    };
    const Expected buttons[] = {{"cmdUpdate", "&Update Scale", "Continue updating scale."},
                                {"cmdDownload", "Download Latest &Manual", ""},
                                {"cmdProgZip", "&Program Zip-Zone/Key", ""},
                                {"cmdHelp", "&Help", "View help."},
                                {"cmdExit", "E&xit", "Quit PC Program. Scale will not be updated."}};
    int previousX = -1;
    const int row = control<QPushButton>(menu(), "cmdUpdate")->y();
    for (const Expected& expected : buttons) {
        auto* button = control<QPushButton>(menu(), expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), expected.text);
        EXPECT_EQ(button->toolTip(), expected.toolTip) << expected.name;
        EXPECT_EQ(button->y(), row) << expected.name << " stands in the row";
        EXPECT_GT(button->x(), previousX) << expected.name << " follows the one before it";
        EXPECT_EQ(button->palette().color(QPalette::Button), app::kBackground) << expected.name;
        previousX = button->x();
    }
    EXPECT_EQ(menu().palette().color(QPalette::Window), app::kBackground);
    EXPECT_TRUE(menu().AskExit);
}

TEST_F(MainMenuTest, VersionCheckRunsOnceOnTheEleventhTickAndNotAfterAReload) {
    showMenu();
    EXPECT_EQ(onlineChecks().updateChecks, 1) << "the update check runs at load";
    EXPECT_TRUE(menu().Timer1.isActive());

    tickTimer1(10);
    EXPECT_EQ(onlineChecks().versionChecks, 0);
    tickTimer1(1);
    EXPECT_EQ(onlineChecks().versionChecks, 1);
    EXPECT_TRUE(menu().UpdateShown);
    EXPECT_FALSE(menu().Timer1.isActive());

    menu().AskExit = false;
    menu().unload();
    showMenuAgain();

    EXPECT_EQ(onlineChecks().updateChecks, 2) << "the update check runs at every load";
    EXPECT_FALSE(menu().Timer1.isActive());
    tickTimer1(20);
    EXPECT_EQ(onlineChecks().versionChecks, 1);
}

TEST_F(MainMenuTest, ATickArrivingWhileTheVersionCheckWaitsStartsNoSecondCheck) {
    showMenu();
    // The real check waits for the server and may ask questions, and ticks go on meanwhile.
    onlineChecks().onVersionCheck = [this](QWidget*, app::VersionReply) { menu().Timer1_Timer(); };

    tickTimer1(11);

    EXPECT_EQ(onlineChecks().versionChecks, 1);
}

TEST_F(MainMenuTest, AReloadBeforeTheCheckHadRunStillRunsItOnce) {
    showMenu();
    tickTimer1(5);
    menu().AskExit = false;
    menu().unload();
    showMenuAgain();

    EXPECT_TRUE(menu().Timer1.isActive());
    tickTimer1(6);
    EXPECT_EQ(onlineChecks().versionChecks, 1);
}

TEST_F(MainMenuTest, CloseBoxThenCancelKeepsTheMenuWithBothTimersStopped) {
    // A banner to blink.
    onlineChecks().onUpdateCheck = [this](QWidget*, app::UpdateReplies) { menu().Timer2.start(); };
    showMenu();
    ASSERT_TRUE(menu().Timer2.isActive());
    EXPECT_EQ(menu().Timer2.interval(), 1000);
    menu().Timer2_Timer();
    menu().Timer2_Timer();  // the banner's dark second
    ASSERT_FALSE(menu().ImgBanner->isVisible());
    program().form<app::frmVersion>().NewVersion = true;
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));

    menu().close();

    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].title, "Quit PC Program") << "the scale question, not the download one";
    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(menu().isLoaded());
    EXPECT_TRUE(menu().AskExit);
    EXPECT_FALSE(menu().Timer1.isActive());
    EXPECT_FALSE(menu().Timer2.isActive());
    EXPECT_TRUE(menu().ImgBanner->isVisible()) << "stopped on a dark second, the banner still shows";
    EXPECT_EQ(endCount(), 0);
}

TEST_F(MainMenuTest, ExitThenYesDeletesBothTemporaryFilesAndEndsWithoutAMessage) {
    putFile(QStringLiteral("usaupdatebanner.jpg"));
    putFile(QStringLiteral("VantorUSA_APROM.hex"));
    showMenu();

    exitWithYes();

    EXPECT_FALSE(exists(QStringLiteral("usaupdatebanner.jpg")));
    EXPECT_FALSE(exists(QStringLiteral("VantorUSA_APROM.hex")));
}

TEST_F(MainMenuTest, ExitThenYesWithNeitherFilePresentEndsWithoutAMessage) {
    showMenu();

    exitWithYes();
}

TEST_F(MainMenuTest, ExitThenCancelOrTheQuestionsCloseBoxLeavesTheMenuAsItWas) {
    showMenu();
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));
    dialogs().onModal([](app::Form& question) { question.close(); });

    click(menu(), "cmdExit");
    click(menu(), "cmdExit");

    ASSERT_EQ(dialogs().shown().size(), 2u);
    EXPECT_EQ(dialogs().shown()[0].title, "Quit PC Program");
    EXPECT_FALSE(program().form<app::frmQuit>().isLoaded());
    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(menu().AskExit);
    EXPECT_TRUE(menu().Timer1.isActive()) << "only a close of the menu stops its timers";
    EXPECT_EQ(endCount(), 0);
}

TEST_F(MainMenuTest, ManualFailuresAreReportedUnderDownloadError) {
    showMenu();
    menu().HideForm = true;
    // Each failure's own sentence (its wording is OpenFailure's to check) reaches the box.
    const int cases[] = {31, 1, 0, 32};
    for (const int result : cases) {
        desktop().openResult = result;
        click(menu(), "cmdDownload");
        ASSERT_FALSE(dialogs().asked().empty());
        const auto& asked = dialogs().asked().back();
        EXPECT_EQ(asked.title, "Download Error");
        EXPECT_EQ(asked.text.toStdString(), app::openFailureText(result)) << "result " << result;
        EXPECT_EQ(asked.icon, app::Message::Icon::Exclamation);
        EXPECT_EQ(asked.buttons, app::Message::Buttons::Ok);
    }
    EXPECT_EQ(dialogs().asked().size(), std::size(cases));
    EXPECT_EQ(desktop().opened.back(), kWebServer + "/UserManuals/VantorUSA_Manual.pdf");
    EXPECT_FALSE(menu().HideForm);
    EXPECT_TRUE(menu().isVisible());
}

TEST_F(MainMenuTest, ManualOpenedAndBannerClickedFailingSayNothing) {
    showMenu();
    desktop().openResult = app::Desktop::kOpened;
    click(menu(), "cmdDownload");
    desktop().openResult = app::Desktop::kNoAssociation;
    menu().ImgBanner_Click();

    EXPECT_TRUE(dialogs().asked().empty());
    EXPECT_EQ(desktop().opened, QStringList({kWebServer + "/UserManuals/VantorUSA_Manual.pdf",
                                             kWebServer + "/vantorpc/usa/usaorderform.htm"}));
}

TEST_F(MainMenuTest, BannerBlinksOneSecondOnOneOffStartingVisibleAndKeepsGoingPastTheCounterRange) {
    showMenu();
    auto* banner = control<QLabel>(menu(), "ImgBanner");
    EXPECT_FALSE(banner->pixmap().isNull()) << "a picture before any banner is fetched";

    std::vector<bool> seen;
    for (int tick = 0; tick < 4; ++tick) {
        menu().Timer2_Timer();
        seen.push_back(banner->isVisible());
    }
    EXPECT_EQ(seen, std::vector<bool>({true, false, true, false}));

    // Nine hours and more of blinking: 16-bit counters run out at 32767 or 65535 ticks.
    for (int tick = 4; tick < 65540; ++tick)
        menu().Timer2_Timer();
    menu().Timer2_Timer();
    EXPECT_TRUE(banner->isVisible());
    menu().Timer2_Timer();
    EXPECT_FALSE(banner->isVisible());
}

TEST_F(MainMenuTest, ProgZipShowsTheChooserWhoseButtonsHandTheScaleToTheKeyOrZoneForm) {
    showMenu();
    struct Case {
        const char* button;
        app::Form* form;
        const char* title;
    };
    const Case cases[] = {{"cmdZip", &program().form<zones::frmProgramZip>(), "Program Zip/Zone"},
                          {"cmdKey", &program().form<keys::frmProgramKey>(), "Program Keys"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        QString label;
        dialogs().onModal([&](app::Form& chooser) {
            EXPECT_EQ(chooser.windowTitle(), "Choose What To Program");
            label = control<QLabel>(chooser, "lblChoose")->text();
            EXPECT_EQ(control<QPushButton>(chooser, "cmdZip")->text(), "&Zip/Zone");
            EXPECT_EQ(control<QPushButton>(chooser, "cmdKey")->text(), "&Blank Key");
            click(chooser, c.button);
        });

        click(menu(), "cmdProgZip");

        EXPECT_EQ(label, "Choose what do you want to program in your Vantor Scale.");
        EXPECT_FALSE(program().form<keys::frmZipKey>().isLoaded());
        EXPECT_TRUE(c.form->isVisible());
        EXPECT_EQ(c.form->windowTitle(), c.title);
        EXPECT_TRUE(menu().isMinimized());
        EXPECT_FALSE(menu().isEnabled());

        c.form->close();

        EXPECT_FALSE(c.form->isLoaded());
        EXPECT_FALSE(menu().isMinimized());
        EXPECT_TRUE(menu().isEnabled());
        EXPECT_TRUE(menu().isVisible());
    }
}

TEST_F(MainMenuTest, ChooserClosedByItsCloseBoxLeavesTheMenuAsItWas) {
    showMenu();
    dialogs().onModal([](app::Form& chooser) { chooser.close(); });

    click(menu(), "cmdProgZip");

    EXPECT_FALSE(program().form<keys::frmZipKey>().isLoaded());
    EXPECT_TRUE(menu().isEnabled());
    EXPECT_FALSE(menu().isMinimized());
    EXPECT_FALSE(program().hasForm<keys::frmProgramKey>());
    EXPECT_FALSE(program().hasForm<zones::frmProgramZip>());
}

}  // namespace
}  // namespace vantor::test
