// The whole update road, offscreen, against vantor-scale-sim on a pseudo-terminal and
// vantor-server on 127.0.0.1: "Update Scale", the link form, the download window, the
// download-finished form, the programming run and the final screen. The scale's memory is read
// from the simulator's memory file at the end.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "core/firmware/IntelHexLoader.h"
#include "core/online/DownloadRules.h"
#include "platform/app/SerialNumberSetting.h"
#include "support/ScaleFormsFixture.h"
#include "support/ServerProcess.h"
#include "support/SimulatorProcess.h"
#include "ui/app/frmCheckScale.h"
#include "ui/app/frmDownload.h"
#include "ui/app/frmSuccess.h"
#include "ui/app/frmSuccessUpdate.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"

namespace vantor::test {
namespace {

using app::frmCheckScale;
using app::frmDownload;
using app::frmSuccess;
using app::frmSuccessUpdate;
using app::frmWelcome;

constexpr int kRunWaitMs = 60000;
const QString kSample = QStringLiteral(VANTOR_FIXTURES_DIR "/hex/sample-update.hex");

class UpdateRoadTest : public ScaleFormsFixture {
protected:
    void SetUp() override {
        ScaleFormsFixture::SetUp();
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("VantorDownload"));
        ASSERT_TRUE(
            QFile::copy(kSample, m_root.filePath(QStringLiteral("VantorDownload/VantorUSA_APROM.hex"))));
        server =
            std::make_unique<ServerProcess>(std::vector<std::string>{"--root", m_root.path().toStdString()});
        simulator = std::make_unique<SimulatorProcess>(
            std::vector<std::string>{"--serial", "12345678", "--memory", memoryFile()});
        useScalePort(simulator->devicePath());
    }

    QString link(const char* path = "/VantorDownload/VantorUSA_APROM.hex") const {
        return QString::fromStdString(server->baseUrl()) + QLatin1String(path);
    }
    QString updateFile() { return program().programFile(QStringLiteral("VantorUSA_APROM.hex")); }

    frmWelcome& menu() { return program().form<frmWelcome>(); }
    frmCheckScale& checkScale() { return program().form<frmCheckScale>(); }
    frmDownload& download() { return program().form<frmDownload>(); }

    void toLinkForm() {
        menu().showForm();
        click(menu(), "cmdUpdate");
        ASSERT_TRUE(QTest::qWaitFor([&] { return checkScale().isVisible(); }, kWaitMs));
    }

    // Types the link and clicks Continue; returns once the link form is usable again or gone.
    void continueWith(const QString& text) {
        control<QLineEdit>(checkScale(), "txtLink")->setText(text);
        click(checkScale(), "cmdContinue");
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return checkScale().isEnabled() || !checkScale().isLoaded(); }, kWaitMs));
    }

    QTemporaryDir m_root;
    std::unique_ptr<ServerProcess> server;
    std::unique_ptr<SimulatorProcess> simulator;
};

TEST_F(UpdateRoadTest, BlankLinksFailedAndCancelledDownloadsKeepTheLinkFormUsable) {
    toLinkForm();
    EXPECT_TRUE(control<QLabel>(checkScale(), "lblSerial")->text().endsWith("  12345678"))
        << "the simulated scale's number";

    continueWith(QStringLiteral("  \t "));
    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].title, "Missing Link");
    EXPECT_EQ(dialogs().asked()[0].text, "Please provide the link on the text box.");
    EXPECT_EQ(dialogs().asked()[0].icon, app::Message::Icon::None);
    EXPECT_FALSE(program().hasForm<frmDownload>()) << "nothing was downloaded";

    continueWith(link("/VantorDownload/missing.hex"));
    ASSERT_EQ(dialogs().asked().size(), 2u);
    EXPECT_EQ(dialogs().asked()[1].title, "File Not Found");
    EXPECT_TRUE(checkScale().isVisible());
    EXPECT_EQ(control<QLineEdit>(checkScale(), "txtLink")->text(), link("/VantorDownload/missing.hex"))
        << "the link stays for correcting";
    EXPECT_FALSE(download().isVisible());

    // Cancel at once, before the first reply.
    control<QLineEdit>(checkScale(), "txtLink")->setText(link());
    click(checkScale(), "cmdContinue");
    EXPECT_FALSE(checkScale().isEnabled()) << "no second transfer meanwhile";
    EXPECT_TRUE(download().isVisible());
    EXPECT_EQ(download().windowTitle(), "Downloading.....");
    EXPECT_EQ(control<QCheckBox>(download(), "chkClose")->text(),
              "Close this box when download is completed.");
    dialogs().answer(app::Answer::Yes);
    click(download(), "CancelButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return checkScale().isEnabled(); }, kWaitMs));
    EXPECT_EQ(dialogs().asked().back().text.toStdString(), online::CancelQuestion().text);
    EXPECT_TRUE(download().CancelSearch);
    EXPECT_FALSE(download().isVisible());
    EXPECT_FALSE(QFile::exists(updateFile()));
    EXPECT_TRUE(checkScale().isVisible());
    EXPECT_FALSE(program().hasForm<frmSuccess>());
}

TEST_F(UpdateRoadTest, TheWholeRoadProgramsTheScaleAndEndsTheProgram) {
    QFile banner(program().programFile(QStringLiteral("usaupdatebanner.jpg")));
    ASSERT_TRUE(banner.open(QIODevice::WriteOnly));
    banner.close();
    toLinkForm();
    EXPECT_EQ(app::SerialNumberSetting::read(), "12345678");

    continueWith(link());
    ASSERT_TRUE(program().form<frmSuccess>().isVisible());
    EXPECT_FALSE(checkScale().isLoaded());
    EXPECT_TRUE(download().windowTitle().startsWith(QStringLiteral("100% of VantorUSA_APROM.hex Completed")))
        << download().windowTitle().toStdString();
    EXPECT_EQ(control<QLabel>(download(), "StatusLabel")->text(), "Download completed!");
    EXPECT_FALSE(download().CancelSearch);
    EXPECT_EQ(program().form<frmSuccess>().windowTitle(), "Successful Download");

    click(program().form<frmSuccess>(), "cmdUpdate");
    frmSuccessUpdate& last = program().form<frmSuccessUpdate>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return last.isVisible(); }, kRunWaitMs));
    EXPECT_EQ(last.windowTitle(), "Updating Scale Information");
    ASSERT_TRUE(QTest::qWaitFor([&] { return last.Timer1.isActive(); }, kWaitMs))
        << "the wait starts when shown";

    // The ticks are driven here: the success text comes on the eleventh, not before.
    for (int tick = 1; tick <= 10; ++tick)
        last.Timer1_Timer();
    EXPECT_TRUE(control<QLabel>(last, "lblUpdate")->isVisible());
    EXPECT_FALSE(control<QPushButton>(last, "cmdExit")->isVisible());
    last.Timer1_Timer();
    EXPECT_EQ(last.windowTitle(), "Successful Scale Update");
    EXPECT_FALSE(control<QLabel>(last, "lblUpdate")->isVisible());
    EXPECT_TRUE(control<QLabel>(last, "lblSuccess")->isVisible());
    EXPECT_FALSE(last.Timer1.isActive());

    click(last, "cmdExit");
    EXPECT_EQ(endCount(), 1);
    EXPECT_FALSE(QFile::exists(updateFile()));
    EXPECT_FALSE(banner.exists());

    simulator->stop();
    firmware::HexLoad expected = firmware::IntelHexLoader::loadFile(kSample.toStdString());
    ASSERT_TRUE(expected.image);
    expected.image->UpdateSN("12345678");
    const auto image = expected.image->bytes();
    EXPECT_TRUE(memory() == Bytes(image.begin(), image.end())) << "the scale's memory is the image";
}

TEST_F(UpdateRoadTest, ALinkThatGivesNoUpdateFileIsRefusedBeforeSuccessAndTheLinkStaysToCorrect) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(VANTOR_FIXTURES_DIR "/hex/html-page.hex"),
                            m_root.filePath(QStringLiteral("VantorDownload/login.html"))));
    toLinkForm();
    continueWith(link("/VantorDownload/login.html"));

    // The server says it is a web page: the download refuses it before a byte is saved.
    ASSERT_EQ(dialogs().asked().size(), 1u);
    const auto webPage = online::WebPageMessage(link("/VantorDownload/login.html").toStdString());
    EXPECT_EQ(dialogs().asked()[0].title.toStdString(), webPage.title);
    EXPECT_EQ(dialogs().asked()[0].text.toStdString(), webPage.text);
    EXPECT_FALSE(program().hasForm<frmSuccess>()) << "no \"Successful Download\"";
    EXPECT_FALSE(QFile::exists(updateFile()));
    EXPECT_TRUE(checkScale().isVisible());
    EXPECT_EQ(control<QLineEdit>(checkScale(), "txtLink")->text(), link("/VantorDownload/login.html"));

    continueWith(link());
    EXPECT_TRUE(program().form<frmSuccess>().isVisible()) << "the corrected link goes on";
}

TEST_F(UpdateRoadTest, TheRoadIsWalkedWithTheEnterKeyAlone) {
    // Enter goes where the keyboard's focus is, in the window the user is looking at.
    const auto pressEnterIn = [](app::Form& form) {
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form)) << form.objectName().toStdString();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && focus->window() == &form) << form.objectName().toStdString() << " has no focus";
        QTest::keyClick(focus, Qt::Key_Return);
    };
    menu().showForm();
    pressEnterIn(menu());
    ASSERT_TRUE(QTest::qWaitFor([&] { return checkScale().isVisible(); }, kWaitMs));

    QApplication::setActiveWindow(&checkScale());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&checkScale()));
    ASSERT_EQ(QApplication::focusWidget(), control<QLineEdit>(checkScale(), "txtLink"));
    QTest::keyClicks(QApplication::focusWidget(), link());
    pressEnterIn(checkScale());  // in the link box: continues, as the button does
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return program().hasForm<frmSuccess>() && program().form<frmSuccess>().isVisible(); },
        kWaitMs));

    pressEnterIn(program().form<frmSuccess>());
    frmSuccessUpdate& last = program().form<frmSuccessUpdate>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return last.isVisible() && last.Timer1.isActive(); }, kRunWaitMs));
    for (int tick = 1; tick <= 11; ++tick)
        last.Timer1_Timer();
    pressEnterIn(last);
    EXPECT_EQ(endCount(), 1) << "Enter on \"E&xit\" ends the program";
    EXPECT_TRUE(dialogs().asked().empty());
}

TEST_F(UpdateRoadTest, ALocalFileLinkIsCopiedInsteadOfDownloaded) {
    toLinkForm();
    continueWith(QUrl::fromLocalFile(kSample).toString());
    ASSERT_TRUE(program().form<frmSuccess>().isVisible());
    EXPECT_FALSE(program().hasForm<frmDownload>());
    QFile copy(updateFile());
    QFile original(kSample);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), original.readAll());
}

TEST_F(UpdateRoadTest, ClosingTheDownloadFinishedFormAsksToQuitAndYesEndsTheProgram) {
    toLinkForm();
    continueWith(link());
    frmSuccess& success = program().form<frmSuccess>();
    ASSERT_TRUE(success.isVisible());
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));
    success.close();
    EXPECT_TRUE(success.isVisible());
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));
    success.close();
    EXPECT_EQ(endCount(), 1);
    EXPECT_FALSE(QFile::exists(updateFile()));
}

}  // namespace
}  // namespace vantor::test
