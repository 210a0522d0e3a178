// The error dialog of a failed detection or menu read: Retry, the close box, Exit and the access
// hint.

#include <QLabel>
#include <QPushButton>

#include "support/ScaleFormsFixture.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"

namespace vantor::test {
namespace {

class ErrorScaleCom2Test : public ScaleFormsFixture {
protected:
    // The state a failed detection leaves behind.
    void failDetection() {
        listPorts(missingPort(1));
        detect();
        ASSERT_TRUE(errorDialog().isVisible());
        ASSERT_TRUE(choosePort().ErrorPort);
    }
};

TEST_F(ErrorScaleCom2Test, RetryAfterAFailedDetectionStartsAFreshOneAndClearsErrorPort) {
    failDetection();

    click(errorDialog(), "cmdRetry");

    EXPECT_TRUE(choosePort().isVisible());
    EXPECT_TRUE(choosePort().AskExit) << "the port form was loaded afresh";
    EXPECT_EQ(choosePort().windowTitle(), "Connect Scale to Computer");
    EXPECT_FALSE(errorDialog().isLoaded());
    EXPECT_FALSE(choosePort().ErrorPort);
    EXPECT_TRUE(dialogs().shown().empty());
}

TEST_F(ErrorScaleCom2Test, DeclinedCloseLeavesTheDialogAsItWasRetryIncluded) {
    failDetection();
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));

    errorDialog().close();

    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].form, "frmQuit");
    EXPECT_TRUE(errorDialog().isVisible());
    EXPECT_TRUE(choosePort().ErrorPort) << "Retry must still lead back to detection";
    click(errorDialog(), "cmdRetry");
    EXPECT_TRUE(choosePort().isVisible());
    EXPECT_FALSE(choosePort().ErrorPort);
}

TEST_F(ErrorScaleCom2Test, ExitAsksThePlainQuitQuestionAndYesEnds) {
    failDetection();
    program().form<app::frmVersion>().NewVersion = true;
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdYes")));

    click(errorDialog(), "cmdExit");

    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].title, "Quit PC Program");
    EXPECT_EQ(endCount(), 1);
}

TEST_F(ErrorScaleCom2Test, RetryAfterAFailedMenuReadGoesBackToTheMenu) {
    program().form<app::frmWelcome>().ErrorScale = true;
    errorDialog().showForm();

    click(errorDialog(), "cmdRetry");

    EXPECT_TRUE(program().form<app::frmWelcome>().isVisible());
    EXPECT_FALSE(errorDialog().isLoaded());
}

TEST_F(ErrorScaleCom2Test, RetryWithNothingToGoBackToKeepsTheDialogAsking) {
    errorDialog().showForm();

    click(errorDialog(), "cmdRetry");

    EXPECT_TRUE(errorDialog().isVisible());
    EXPECT_TRUE(errorDialog().AskExit) << "closing it must still ask";
    EXPECT_NE(errorDialog().cursor().shape(), Qt::WaitCursor) << "no hourglass left behind";
}

TEST_F(ErrorScaleCom2Test, RetryAfterAnAnsweredReadJustClosesTheDialog) {
    program().form<firmware::frmDisplay>().ScaleCom = true;
    errorDialog().showForm();

    click(errorDialog(), "cmdRetry");

    EXPECT_FALSE(errorDialog().isLoaded());
    EXPECT_FALSE(program().form<app::frmWelcome>().isVisible());
}

TEST_F(ErrorScaleCom2Test, AccessHintFollowsTheMessageUntilTheDialogCloses) {
    choosePort().ErrorPort = true;
    errorDialog().setAccessHint(QStringLiteral("Access to /dev/ttyUSB0 was denied: join the dialout group."));
    errorDialog().showForm();
    auto* failed = control<QLabel>(errorDialog(), "lblFailed");
    EXPECT_EQ(
        failed->text(),
        "A communication error with your scale was encountered. Please make sure that your Vantor scale "
        "is connected to your computer and that it is turned on.\n\nAccess to /dev/ttyUSB0 was denied: "
        "join the dialout group.");

    click(errorDialog(), "cmdRetry");

    EXPECT_FALSE(failed->text().contains(QStringLiteral("dialout")));
}

}  // namespace
}  // namespace vantor::test
