// The error dialog of a failed exchange with the scale: Retry back to the form that failed, the
// close box and Exit.

#include <QLabel>
#include <QPushButton>

#include "support/ProgramFixture.h"
#include "ui/app/frmVersion.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/keys/frmProgramKey.h"
#include "ui/scale/frmErrorScaleCom.h"
#include "ui/zones/frmProgramZip.h"

namespace vantor::test {
namespace {

using scale::frmErrorScaleCom;

class ErrorScaleComTest : public ProgramFixture {
protected:
    frmErrorScaleCom& errorDialog() { return program().form<frmErrorScaleCom>(); }
};

TEST_F(ErrorScaleComTest, RetryAfterAFailedUpdateRunShowsTheUpdateFormAgain) {
    errorDialog().showForm();
    EXPECT_TRUE(errorDialog().AskExit);

    click(errorDialog(), "cmdRetry");

    EXPECT_FALSE(errorDialog().isLoaded());
    EXPECT_TRUE(program().form<firmware::frmDisplay>().isVisible());
    EXPECT_TRUE(dialogs().shown().empty()) << "Retry closes without asking";
}

TEST_F(ErrorScaleComTest, RetryFromKeyOrZoneProgrammingGoesBackToThatFormAndStartsNoFirmwareUpdate) {
    app::Form* callers[] = {&program().form<keys::frmProgramKey>(), &program().form<zones::frmProgramZip>()};
    for (app::Form* caller : callers) {
        SCOPED_TRACE(caller->objectName().toStdString());
        caller->showForm();
        dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdRetry")));

        errorDialog().showModalFor(*caller);

        EXPECT_FALSE(errorDialog().isLoaded());
        EXPECT_TRUE(caller->isVisible());
        EXPECT_FALSE(program().hasForm<firmware::frmDisplay>()) << "no update run was started";
    }
    // Opened again after a failed update run, Retry leads to the update form once more.
    errorDialog().showForm();
    click(errorDialog(), "cmdRetry");
    EXPECT_TRUE(program().form<firmware::frmDisplay>().isVisible());
}

TEST_F(ErrorScaleComTest, CloseBoxAsksAndCancelKeepsTheDialogRetryIncluded) {
    auto& key = program().form<keys::frmProgramKey>();
    key.showForm();
    dialogs().onModal([&](app::Form& dialog) {
        dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));
        dialog.close();
        EXPECT_TRUE(dialog.isVisible()) << "the user declined";
        click(dialog, "cmdRetry");
    });

    errorDialog().showModalFor(key);

    ASSERT_EQ(dialogs().shown().size(), 2u);
    EXPECT_EQ(dialogs().shown()[1].form, "frmQuit");
    EXPECT_FALSE(program().hasForm<firmware::frmDisplay>());
    EXPECT_EQ(endCount(), 0);
}

TEST_F(ErrorScaleComTest, ExitAsksThePlainQuitQuestionAndYesEnds) {
    program().form<app::frmVersion>().NewVersion = true;
    errorDialog().showForm();
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));

    click(errorDialog(), "cmdExit");

    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].title, "Quit PC Program");
    EXPECT_EQ(endCount(), 1);
}

}  // namespace
}  // namespace vantor::test
