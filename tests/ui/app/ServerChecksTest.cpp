// The main menu's version and update checks against vantor-server on 127.0.0.1: the update banner,
// the version window and its questions, and what happens when the servers fail.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

#include "core/app/OpenFailure.h"
#include "core/online/modQuery.h"
#include "support/OnlineTestSupport.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedHttpServer.h"
#include "support/ServerProcess.h"
#include "ui/app/Look.h"
#include "ui/app/ServerChecks.h"
#include "ui/app/frmCheckScale.h"
#include "ui/app/frmStartUp.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"

namespace vantor::test {
namespace {

using app::frmVersion;
using app::frmWelcome;
using app::Message;
using app::ServerChecks;

// A check that has not come to its end by then has hung: the test fails instead of waiting on.
constexpr int kCheckLimitMs = 20000;
// The tests make every tick themselves; the real timers must not add ticks while they run.
constexpr int kNeverMs = 24 * 60 * 60 * 1000;
const QSize kServedBanner(200, 40);
const char* const kBannerFile = "usaupdatebanner.jpg";

struct Served {
    std::string currentVersion = "3.0";
    std::string softwareUpdate = "N";
    // The body of /VantorDownload/usaupdatebanner.jpg; none: no such file (the server's 404 page).
    std::optional<QByteArray> banner;
};

Served updateAnswer(const std::string& answer, std::optional<QByteArray> banner = std::nullopt) {
    Served served;
    served.softwareUpdate = answer;
    served.banner = std::move(banner);
    return served;
}

Served latestVersion(const std::string& version) {
    Served served;
    served.currentVersion = version;
    return served;
}

QByteArray jpegPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

// An address on which nothing listens: connections to it are refused at once.
std::string refusedAddress() {
    return ScriptedHttpServer::refusedUrl(QString()).toString().toStdString();
}

class ServerChecksTest : public ProgramFixture {
protected:
    // vantor-server with the answers and the banner of `served`; the checks ask it for both the
    // query script and the downloads, unless the addresses are given.
    void serve(const Served& served) {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("VantorDownload")));
        const QString bannerPath = m_root.filePath(QStringLiteral("VantorDownload/") + kBannerFile);
        QFile::remove(bannerPath);
        if (served.banner) {
            QFile file(bannerPath);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*served.banner);
        }
        m_server.reset();
        m_server = std::make_unique<ServerProcess>(
            std::vector<std::string>{"--root", m_root.path().toStdString(), "--current-version",
                                     served.currentVersion, "--software-update", served.softwareUpdate});
        useAddresses(m_server->baseUrl(), m_server->baseUrl());
    }

    void useAddresses(const std::string& web, const std::string& download) {
        environment().set("VANTOR_WEB_SERVER", QByteArray::fromStdString(web));
        environment().set("VANTOR_DOWNLOAD_SERVER", QByteArray::fromStdString(download));
        m_checks = std::make_unique<ServerChecks>(online::ServerAddresses{web, download, {}});
        onlineChecks().onUpdateCheck = [this](QWidget* owner, app::UpdateReplies replies) {
            m_checks->CheckUpdate(owner, std::move(replies));
        };
        onlineChecks().onVersionCheck = [this](QWidget* owner, app::VersionReply reply) {
            m_checks->CheckNewVersion(owner, std::move(reply));
        };
    }

    frmWelcome& menu() { return program().form<frmWelcome>(); }
    frmVersion& version() { return program().form<frmVersion>(); }
    ServerChecks& checks() { return *m_checks; }

    // The start-up sequence as far as the menu, whose load starts the update check.
    void showMenu() {
        auto& splash = program().form<app::frmStartUp>();
        if (!m_splashShown) {
            splash.showForm();
            splash.AskExit = false;
            splash.unload();
            m_splashShown = true;
        }
        menu().showForm();
        menu().Timer1.setInterval(kNeverMs);
        menu().Timer2.setInterval(kNeverMs);
    }

    void waitForUpdateCheck() {
        QSignalSpy finished(m_checks.get(), &ServerChecks::updateCheckFinished);
        if (m_checks->updateCheckRunning()) {
            ASSERT_TRUE(finished.wait(kCheckLimitMs)) << "the update check never ended";
        }
    }
    // The menu's version check: on the tick that starts it, or asked again once it has run.
    void runVersionCheck() {
        QSignalSpy finished(m_checks.get(), &ServerChecks::versionCheckFinished);
        if (menu().UpdateShown) {
            menu().CheckNewVersion();
        } else {
            for (int tick = 0; tick <= 10; ++tick)
                menu().Timer1_Timer();
        }
        ASSERT_TRUE(m_checks->versionCheckRunning());
        ASSERT_TRUE(finished.wait(kCheckLimitMs)) << "the version check never ended";
    }
    // The menu after its update check, with the version window offered for `latest`.
    void offerVersion(const std::string& latest) {
        serve(latestVersion(latest));
        showMenu();
        waitForUpdateCheck();
        runVersionCheck();
        ASSERT_TRUE(version().isVisible());
    }

    QLabel* banner() { return control<QLabel>(menu(), "ImgBanner"); }
    bool bannerFileLeft() { return QFile::exists(program().programFile(QLatin1String(kBannerFile))); }
    QStringList messageTexts() {
        QStringList texts;
        for (const auto& asked : dialogs().asked())
            texts << asked.text;
        return texts;
    }

    QTemporaryDir m_root;
    bool m_splashShown = false;
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<ServerChecks> m_checks;
};

TEST_F(ServerChecksTest, UpdateAvailableFetchesTheBannerShowsItAndDeletesTheLocalCopy) {
    for (const char* answer : {"y", "Y", " y "}) {
        SCOPED_TRACE(answer);
        serve(updateAnswer(answer, jpegPicture(kServedBanner)));
        showMenu();
        waitForUpdateCheck();

        EXPECT_TRUE(menu().Timer2.isActive());
        EXPECT_TRUE(menu().HideForm);
        EXPECT_TRUE(banner()->isVisible());
        EXPECT_EQ(banner()->pixmap().size(), kServedBanner) << "the served picture, not the built-in one";
        EXPECT_FALSE(bannerFileLeft());
        EXPECT_TRUE(dialogs().asked().empty());

        menu().AskExit = false;
        menu().unload();
        banner()->setPixmap(QPixmap());  // the next round must fetch its own
        banner()->setVisible(false);
    }
}

// A banner drawn at twice the screen's density is shown at half its pixels: crisp at 200 %, the
// same size as an ordinary one at 100 %.
TEST_F(ServerChecksTest, AHighResolutionBannerIsShownAtItsSizeInScreenPoints) {
    QImage image(QSize(960, 120), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(qRound(192 / 0.0254));
    image.setDotsPerMeterY(qRound(192 / 0.0254));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    serve(updateAnswer("Y", png));
    showMenu();
    waitForUpdateCheck();

    EXPECT_EQ(banner()->pixmap().devicePixelRatio(), 2.0);
    EXPECT_EQ(banner()->pixmap().deviceIndependentSize(), QSizeF(480, 60));
    menu().AskExit = false;
    menu().unload();

    // A file that claims a density no screen has is drawn at four times at most, not as a speck.
    image.setDotsPerMeterX(1000000);
    png.clear();
    buffer.seek(0);
    image.save(&buffer, "PNG");
    serve(updateAnswer("Y", png));
    banner()->setPixmap(QPixmap());
    showMenu();
    waitForUpdateCheck();
    EXPECT_EQ(banner()->pixmap().devicePixelRatio(), 4.0);
    menu().AskExit = false;
    menu().unload();
}

TEST_F(ServerChecksTest, TheFetchedBannerBlinksFromTheFirstTick) {
    serve(updateAnswer("y", jpegPicture(kServedBanner)));
    showMenu();
    waitForUpdateCheck();

    std::vector<bool> seen;
    for (int tick = 0; tick < 6; ++tick) {
        menu().Timer2_Timer();
        seen.push_back(banner()->isVisible());
    }
    EXPECT_EQ(seen, std::vector<bool>({true, false, true, false, true, false}));
    EXPECT_EQ(banner()->pixmap().size(), kServedBanner);
}

TEST_F(ServerChecksTest, NoUpdateStopsTheBlinkingAndFetchesNothing) {
    for (const char* answer : {"n", "N"}) {
        SCOPED_TRACE(answer);
        serve(updateAnswer(answer, jpegPicture(kServedBanner)));
        showMenu();
        menu().Timer2.start();  // left blinking by an earlier load
        waitForUpdateCheck();

        EXPECT_FALSE(menu().Timer2.isActive());
        EXPECT_FALSE(menu().HideForm);
        EXPECT_FALSE(banner()->isVisible());
        EXPECT_NE(banner()->pixmap().size(), kServedBanner);
        EXPECT_EQ(m_server->log().find("usaupdatebanner.jpg"), std::string::npos);
        EXPECT_TRUE(dialogs().asked().empty());

        menu().AskExit = false;
        menu().unload();
    }
}

TEST_F(ServerChecksTest, AnAnswerOtherThanYOrNCannotBeReadAndChangesNothing) {
    for (const char* answer : {"Yes", "", "yn"}) {
        SCOPED_TRACE(answer);
        serve(updateAnswer(answer, jpegPicture(kServedBanner)));
        const std::size_t before = dialogs().asked().size();
        showMenu();
        menu().Timer2.start();
        waitForUpdateCheck();

        ASSERT_EQ(dialogs().asked().size(), before + 1);
        EXPECT_EQ(dialogs().asked().back().text, "Unable to check software update.");
        EXPECT_EQ(dialogs().asked().back().buttons, Message::Buttons::Ok);
        EXPECT_TRUE(menu().Timer2.isActive()) << "the blinking is left as it was";
        EXPECT_FALSE(menu().HideForm);
        EXPECT_NE(banner()->pixmap().size(), kServedBanner);
        EXPECT_EQ(m_server->log().find("usaupdatebanner.jpg"), std::string::npos);

        menu().AskExit = false;
        menu().unload();
    }
}

TEST_F(ServerChecksTest, ABannerBodyThatIsNoPictureLeavesTheBannerAsItWasAndNoFile) {
    const std::optional<QByteArray> bodies[] = {QByteArray("<html><body>Down for maintenance</body></html>"),
                                                std::nullopt /* the server's own 404 page */};
    for (const auto& body : bodies) {
        serve(updateAnswer("y", body));
        showMenu();
        const QImage before = banner()->pixmap().toImage();
        waitForUpdateCheck();

        EXPECT_TRUE(banner()->isVisible()) << "the update is still announced";
        EXPECT_EQ(banner()->pixmap().toImage(), before);
        EXPECT_FALSE(bannerFileLeft());
        EXPECT_TRUE(dialogs().asked().empty());
        EXPECT_TRUE(menu().isLoaded());

        menu().AskExit = false;
        menu().unload();
    }
}

TEST_F(ServerChecksTest, ABannerThatCannotBeFetchedIsNoBannerAndTheMenuGoesOn) {
    serve(updateAnswer("y", jpegPicture(kServedBanner)));
    useAddresses(m_server->baseUrl(), refusedAddress());
    showMenu();
    waitForUpdateCheck();

    EXPECT_TRUE(menu().isVisible());
    EXPECT_FALSE(menu().Timer2.isActive()) << "no banner to blink";
    EXPECT_FALSE(banner()->isVisible());
    EXPECT_FALSE(bannerFileLeft());
    EXPECT_TRUE(dialogs().asked().empty());
}

TEST_F(ServerChecksTest, UnreachableServerIsReportedAndTheMenuGoesOn) {
    useAddresses(refusedAddress(), refusedAddress());
    showMenu();
    waitForUpdateCheck();

    ASSERT_EQ(dialogs().asked().size(), 2u);
    EXPECT_TRUE(dialogs().asked()[0].text.startsWith("Error: ")) << dialogs().asked()[0].text.toStdString();
    EXPECT_GT(dialogs().asked()[0].text.size(), 7) << "the failure's description follows";
    EXPECT_EQ(dialogs().asked()[1].text, "Unable to check software update.");

    dialogs().answer(app::Answer::Cancel);
    runVersionCheck();

    ASSERT_EQ(dialogs().asked().size(), 4u);
    EXPECT_TRUE(dialogs().asked()[2].text.startsWith("Error: "));
    EXPECT_EQ(dialogs().asked()[3].title, "Error Encountered");
    EXPECT_FALSE(version().isVisible());
    EXPECT_TRUE(menu().isVisible());
    EXPECT_EQ(endCount(), 0);
}

TEST_F(ServerChecksTest, TheChannelsOwnMessagesComeFirst) {
    struct Case {
        QByteArray body;
        QString message;
    };
    const std::string errorReply = online::EncodeForWire(online::FormatErrorReply("Table is locked"));
    const Case cases[] = {{QByteArray(), QStringLiteral("No response from server")},
                          {QByteArray::fromStdString(errorReply), QStringLiteral("Table is locked")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        ScriptedHttpServer web({}, {.raw = ScriptedHttpServer::response(c.body)});
        const std::string base = web.url().adjusted(QUrl::RemovePath).toString().toStdString();
        useAddresses(base, base);
        const std::size_t before = dialogs().asked().size();
        dialogs().answer(app::Answer::Cancel);

        showMenu();
        waitForUpdateCheck();
        runVersionCheck();

        ASSERT_EQ(dialogs().asked().size(), before + 4);
        EXPECT_EQ(dialogs().asked()[before].text, c.message);
        EXPECT_EQ(dialogs().asked()[before + 1].text, "Unable to check software update.");
        EXPECT_EQ(dialogs().asked()[before + 2].text, c.message);
        EXPECT_EQ(dialogs().asked()[before + 3].title, "Error Encountered");
        EXPECT_EQ(control<QLabel>(version(), "lblLatest")->text(), "") << "no answer at all";

        menu().AskExit = false;
        menu().unload();
    }
}

TEST_F(ServerChecksTest, ASecondUpdateCheckDoesNotStartWhileOneRuns) {
    serve(updateAnswer("Yes"));
    showMenu();
    ASSERT_TRUE(checks().updateCheckRunning()) << "the menu's load does not wait for the server";

    menu().CheckUpdate();
    waitForUpdateCheck();

    EXPECT_EQ(messageTexts(), QStringList({"Unable to check software update."}));
}

TEST_F(ServerChecksTest, AnAnswerArrivingAfterTheMenuWasLeftDoesNotTouchIt) {
    serve(updateAnswer("y", jpegPicture(kServedBanner)));
    showMenu();
    // "Update Scale" took the user on before the server answered.
    menu().AskExit = false;
    menu().unload();
    waitForUpdateCheck();

    EXPECT_FALSE(menu().Timer2.isActive());
    EXPECT_FALSE(menu().HideForm) << "the update road's download window must stay visible";
    EXPECT_NE(banner()->pixmap().size(), kServedBanner);
    EXPECT_FALSE(bannerFileLeft());
    EXPECT_TRUE(dialogs().asked().empty());
}

TEST_F(ServerChecksTest, ChecksStillRunningWhenTheProgramEndsAreAbandoned) {
    serve(updateAnswer("y", jpegPicture(kServedBanner)));
    showMenu();
    ASSERT_TRUE(checks().updateCheckRunning());

    m_checks.reset();
    QCoreApplication::processEvents();

    EXPECT_TRUE(dialogs().asked().empty());
    EXPECT_FALSE(menu().HideForm);
}

TEST_F(ServerChecksTest, ADifferentVersionOpensTheVersionWindowWithTheLatestInBlue) {
    for (const char* latest : {"3.1", "2.9"}) {
        SCOPED_TRACE(latest);
        offerVersion(latest);

        EXPECT_EQ(version().windowTitle(), "Program Version");
        EXPECT_EQ(control<QLabel>(version(), "lblLatest")->text(), QStringLiteral("Version ") + latest);
        EXPECT_EQ(control<QLabel>(version(), "lblLatest")->palette().color(QPalette::WindowText),
                  QColor(0, 0, 255));
        EXPECT_EQ(control<QLabel>(version(), "lblProg")->text(), "Version 3.0");
        EXPECT_EQ(control<QLabel>(version(), "lblPCProg")->text(), "Vantor PC Program Version 3.0");
        EXPECT_TRUE(control<QPushButton>(version(), "cmdDownloadPCProg")->isEnabled());
        EXPECT_TRUE(control<QPushButton>(version(), "cmdExit")->isEnabled());
        EXPECT_TRUE(version().AskExit);
        EXPECT_TRUE(version().NewVersion);
        EXPECT_TRUE(dialogs().asked().empty());

        version().AskExit = false;
        version().unload();
        menu().AskExit = false;
        menu().unload();
    }
}

TEST_F(ServerChecksTest, TheSameVersionTrimmedOpensNoWindow) {
    for (const char* latest : {"3.0", " 3.0 "}) {
        SCOPED_TRACE(latest);
        serve(latestVersion(latest));
        showMenu();
        waitForUpdateCheck();
        runVersionCheck();

        EXPECT_FALSE(version().isVisible());
        EXPECT_EQ(control<QLabel>(version(), "lblLatest")->text(), "Version 3.0");
        EXPECT_TRUE(dialogs().asked().empty());

        menu().AskExit = false;
        menu().unload();
    }
}

TEST_F(ServerChecksTest, NoVersionAsksToRetryAndRetryAsksTheServerAgain) {
    serve(latestVersion(""));
    showMenu();
    waitForUpdateCheck();
    dialogs().answer(app::Answer::Retry);
    dialogs().answer(app::Answer::Cancel);

    runVersionCheck();

    ASSERT_EQ(dialogs().asked().size(), 2u) << "one box for each answer the server gave";
    for (const auto& asked : dialogs().asked()) {
        EXPECT_EQ(asked.title, "Error Encountered");
        EXPECT_EQ(asked.text, "An error occurred while trying to check latest version of PC Program.");
        EXPECT_EQ(asked.icon, Message::Icon::Information);
        EXPECT_EQ(asked.buttons, Message::Buttons::RetryCancel);
    }
    EXPECT_EQ(control<QLabel>(version(), "lblLatest")->text(), "Version ") << "a row without a value";
    EXPECT_FALSE(version().isVisible());
    EXPECT_FALSE(checks().versionCheckRunning());
}

TEST_F(ServerChecksTest, TheVersionWindowsTextsAndPicture) {
    offerVersion("3.1");

    auto* download = control<QPushButton>(version(), "cmdDownloadPCProg");
    EXPECT_FALSE(control<QLabel>(version(), "Image1")->pixmap().isNull());
    EXPECT_EQ(version().palette().color(QPalette::Window), app::kBackground);
    EXPECT_EQ(download->palette().color(QPalette::Button), app::kBackground);
}

TEST_F(ServerChecksTest, YesInTheExitDownloadQuestionClosesOnlyTheVersionWindow) {
    offerVersion("3.1");
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));

    click(version(), "cmdExit");

    ASSERT_FALSE(dialogs().shown().empty());
    EXPECT_EQ(dialogs().shown().back().title, "Exit Download");
    EXPECT_FALSE(version().isVisible());
    EXPECT_FALSE(version().isLoaded());
    EXPECT_TRUE(menu().isVisible());
    EXPECT_TRUE(menu().isLoaded());
    EXPECT_EQ(endCount(), 0);
}

TEST_F(ServerChecksTest, ClosingTheVersionWindowAsksTheSameQuestionAndCancelKeepsIt) {
    offerVersion("3.1");
    QString title;
    dialogs().onModal([&](app::Form& quit) {
        title = quit.windowTitle();
        click(quit, "cmdCancel");
    });

    version().close();

    EXPECT_EQ(title, "Exit Download");
    EXPECT_TRUE(version().isVisible());
    EXPECT_EQ(endCount(), 0);
}

TEST_F(ServerChecksTest, TheMenusExitAsksTheScaleQuestionWhileTheVersionWindowIsOpen) {
    offerVersion("3.1");
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));

    click(menu(), "cmdExit");

    ASSERT_FALSE(dialogs().shown().empty());
    EXPECT_EQ(dialogs().shown().back().title, "Quit PC Program")
        << "the scale question, not the download one";
    EXPECT_TRUE(version().isVisible());
}

TEST_F(ServerChecksTest, DownloadOpensTheInstallerAndClosesTheWindowWithoutAsking) {
    offerVersion("3.1");
    menu().HideForm = true;

    click(version(), "cmdDownloadPCProg");

    EXPECT_EQ(desktop().opened, QStringList({QString::fromStdString(m_server->baseUrl()) +
                                             "/VantorDownload/VantorUSA_PCProgram.exe"}));
    EXPECT_FALSE(menu().HideForm);
    EXPECT_FALSE(version().isLoaded());
    EXPECT_FALSE(version().isVisible());
    EXPECT_TRUE(dialogs().shown().empty());
    EXPECT_TRUE(dialogs().asked().empty());
    EXPECT_FALSE(program().hasForm<app::frmCheckScale>());
}

TEST_F(ServerChecksTest, AFailedDownloadIsReportedAndTheWindowClosesAnyway) {
    offerVersion("3.1");
    auto& checkScale = program().form<app::frmCheckScale>();
    checkScale.showForm();
    desktop().openResult = app::Desktop::kNoAssociation;

    click(version(), "cmdDownloadPCProg");

    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].title, "Download Error");
    EXPECT_EQ(dialogs().asked()[0].text.toStdString(), app::openFailureText(app::Desktop::kNoAssociation));
    EXPECT_EQ(dialogs().asked()[0].icon, Message::Icon::Exclamation);
    EXPECT_FALSE(version().isLoaded());
    EXPECT_TRUE(checkScale.isVisible()) << "the update road stays when the installer did not open";
    EXPECT_TRUE(dialogs().shown().empty());
}

TEST_F(ServerChecksTest, AnOpenedDownloadLeavesTheUpdateRoadByItsOwnQuestion) {
    offerVersion("3.1");
    auto& checkScale = program().form<app::frmCheckScale>();
    checkScale.showForm();
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));

    click(version(), "cmdDownloadPCProg");

    ASSERT_FALSE(dialogs().shown().empty());
    EXPECT_EQ(dialogs().shown().back().title, "Quit PC Program");
    EXPECT_EQ(endCount(), 1) << "Yes there ends the program, as everywhere";
}

TEST_F(ServerChecksTest, TheVersionWindowLosingTheFocusToItsOwnQuestionKeepsItsFlag) {
    offerVersion("3.1");
    version().Form_LostFocus();
    EXPECT_FALSE(version().NewVersion) << "another window's question is the scale question";
    version().Form_GotFocus();
    EXPECT_TRUE(version().NewVersion);

    bool flagWhileAsking = false;
    dialogs().onModal([&](app::Form& quit) {
        version().Form_LostFocus();  // the question takes the focus
        flagWhileAsking = version().NewVersion;
        click(quit, "cmdYes");
    });
    click(version(), "cmdExit");

    EXPECT_TRUE(flagWhileAsking);
    EXPECT_FALSE(version().isLoaded());
    EXPECT_EQ(endCount(), 0);
}

}  // namespace
}  // namespace vantor::test
