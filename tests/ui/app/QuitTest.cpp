// The quit question: which one is asked, and what Yes removes and closes.

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "support/ProgramFixture.h"
#include "ui/app/Road.h"
#include "ui/app/frmQuit.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"

namespace vantor::test {
namespace {

using app::frmQuit;
using app::frmVersion;

const QString kQuitQuestion = QStringLiteral("Are you sure you want to quit updating your scale?");
const QString kDownloadQuestion =
    QStringLiteral("Are you sure you do not want to download the latest version of Vantor PC Program?");

class QuitTest : public ProgramFixture {
protected:
    frmQuit& quit() { return program().form<frmQuit>(); }
    frmVersion& version() { return program().form<frmVersion>(); }

    void putFile(const QString& name) {
        QFile file(program().programFile(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("temporary");
    }
    bool exists(const QString& name) { return QFile::exists(program().programFile(name)); }

    // What the quit dialog looked like while it was shown.
    struct Seen {
        QString title;
        QString question;
    };
    Seen showAndAnswer(const QString& button) {
        Seen seen;
        dialogs().onModal([&](app::Form& form) {
            seen = {form.windowTitle(), control<QLabel>(form, "lblQuit")->text()};
            click(form, button);
        });
        quit().showModal(nullptr);
        return seen;
    }
};

TEST_F(QuitTest, QuestionFollowsTheVersionWindowsFlagAtEachLoad) {
    version().NewVersion = true;
    const Seen download = showAndAnswer(QStringLiteral("cmdCancel"));
    version().NewVersion = false;
    const Seen plain = showAndAnswer(QStringLiteral("cmdCancel"));

    EXPECT_EQ(download.title, "Exit Download");
    EXPECT_EQ(download.question, kDownloadQuestion);
    EXPECT_EQ(plain.title, "Quit PC Program");
    EXPECT_EQ(plain.question, kQuitQuestion);
    EXPECT_FALSE(quit().isLoaded());
    EXPECT_EQ(endCount(), 0);
}

TEST_F(QuitTest, YesToTheScaleQuestionDeletesBothTemporaryFilesAndEnds) {
    putFile(QStringLiteral("usaupdatebanner.jpg"));
    putFile(QStringLiteral("VantorUSA_APROM.hex"));
    putFile(QStringLiteral("keep.txt"));

    showAndAnswer(QStringLiteral("cmdYes"));

    EXPECT_FALSE(exists(QStringLiteral("usaupdatebanner.jpg")));
    EXPECT_FALSE(exists(QStringLiteral("VantorUSA_APROM.hex")));
    EXPECT_TRUE(exists(QStringLiteral("keep.txt")));
    EXPECT_EQ(endCount(), 1);
}

TEST_F(QuitTest, YesWithNeitherFilePresentEndsWithoutAnyMessage) {
    showAndAnswer(QStringLiteral("cmdYes"));

    EXPECT_EQ(endCount(), 1);
    EXPECT_TRUE(dialogs().asked().empty());
}

TEST_F(QuitTest, YesToTheDownloadQuestionClosesOnlyTheVersionWindow) {
    putFile(QStringLiteral("VantorUSA_APROM.hex"));
    version().showForm();
    version().NewVersion = true;
    version().AskExit = true;

    showAndAnswer(QStringLiteral("cmdYes"));

    EXPECT_FALSE(version().isLoaded());
    EXPECT_FALSE(version().NewVersion);
    EXPECT_FALSE(version().AskExit);
    EXPECT_TRUE(quit().CloseWindow);
    EXPECT_FALSE(quit().isLoaded());
    EXPECT_TRUE(exists(QStringLiteral("VantorUSA_APROM.hex")));
    EXPECT_EQ(endCount(), 0);
}

TEST_F(QuitTest, VersionWindowCloseAsksAboutTheDownloadAndOnlyYesLetsItClose) {
    version().showForm();
    QStringList questions;
    const auto answerWith = [&](const char* button) {
        dialogs().onModal([&questions, button](app::Form& form) {
            questions << control<QLabel>(form, "lblQuit")->text();
            click(form, QLatin1String(button));
        });
    };

    answerWith("cmdCancel");
    version().close();
    EXPECT_TRUE(version().isVisible());

    answerWith("cmdYes");
    version().close();
    EXPECT_FALSE(version().isLoaded());
    EXPECT_TRUE(quit().CloseWindow);

    // Shown again later in the run: an earlier Yes does not make a later Cancel close it.
    version().showForm();
    answerWith("cmdCancel");
    version().close();
    EXPECT_TRUE(version().isVisible());
    EXPECT_FALSE(quit().CloseWindow);

    EXPECT_EQ(questions, QStringList({kDownloadQuestion, kDownloadQuestion, kDownloadQuestion}));
    EXPECT_EQ(endCount(), 0);
    version().AskExit = false;
}

TEST_F(QuitTest, MainMenuCloseAsksThePlainQuestionEvenWhileTheVersionWindowIsOpen) {
    version().showForm();
    version().NewVersion = true;
    auto& welcome = program().form<app::frmWelcome>();
    welcome.showForm();
    QString asked;
    dialogs().onModal([&](app::Form& form) {
        asked = control<QLabel>(form, "lblQuit")->text();
        click(form, "cmdCancel");
    });

    welcome.close();

    EXPECT_EQ(asked, kQuitQuestion);
    EXPECT_TRUE(welcome.isVisible());
    EXPECT_TRUE(version().isLoaded());
}

// A stray Enter while the scale is being rewritten keeps the run going; at any other time Enter
// answers the question as asked.
TEST_F(QuitTest, EnterDuringAnUpdateIsTheCancelAnswerAndOtherwiseTheYes) {
    const auto pressEnter = [](app::Form& form) {
        ASSERT_NE(form.focusWidget(), nullptr);
        QTest::keyClick(form.focusWidget(), Qt::Key_Return);
    };
    dialogs().onModal(pressEnter);
    app::road().askToQuitDuringUpdate(nullptr);
    EXPECT_EQ(endCount(), 0);
    EXPECT_FALSE(quit().isLoaded());

    dialogs().onModal(pressEnter);
    app::road().askToQuit(nullptr);
    EXPECT_EQ(endCount(), 1);
}

TEST_F(QuitTest, ScriptedDialogsAnswerQuestionsInOrderAndRecordThem) {
    dialogs().answer(app::Answer::Yes);
    dialogs().answer(app::Answer::No);
    const app::Message question{QStringLiteral("Title"), QStringLiteral("Go on?"),
                                app::Message::Icon::Question, app::Message::Buttons::YesNo};

    EXPECT_EQ(program().dialogs().ask(nullptr, question), app::Answer::Yes);
    EXPECT_EQ(program().dialogs().ask(nullptr, question), app::Answer::No);
    EXPECT_EQ(program().dialogs().ask(nullptr, {QStringLiteral("Done"), QStringLiteral("Saved."),
                                                app::Message::Icon::Information, app::Message::Buttons::Ok}),
              app::Answer::Ok);

    ASSERT_EQ(dialogs().asked().size(), 3u);
    EXPECT_EQ(dialogs().asked()[0].title, "Title");
    EXPECT_EQ(dialogs().asked()[0].text, "Go on?");
    EXPECT_EQ(dialogs().asked()[0].icon, app::Message::Icon::Question);
    EXPECT_EQ(dialogs().asked()[2].buttons, app::Message::Buttons::Ok);
}

}  // namespace
}  // namespace vantor::test
