// The words every form shows once loaded, one table for all forms: titles, labels, buttons and
// tool tips as the user reads them. Texts that change with what happens stay with their forms' tests.

#include <QApplication>
#include <QVariant>

#include "support/ProgramFixture.h"
#include "ui/app/frmHelp.h"
#include "ui/app/frmNotConnected.h"
#include "ui/app/frmQuit.h"
#include "ui/app/frmStartUp.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/keys/frmProgramKey.h"
#include "ui/scale/frmChoosePort.h"
#include "ui/scale/frmErrorScaleCom.h"
#include "ui/zones/frmProgramZip.h"

namespace vantor::test {
namespace {

struct Shown {
    const char* form;     // the form's objectName
    const char* control;  // "" for the form itself
    const char* property;
    const char* text;
};

// clang-format off
const Shown kTexts[] = {
    {"frmStartUp", "", "windowTitle", "Vantor PC Program"},
    {"frmStartUp", "lblTitle", "text", "Vantor USA PC Program"},
    {"frmStartUp", "lblLoading", "text", "Loading, please wait...."},
    {"frmNotConnected", "", "windowTitle", "No Internet Connection"},
    {"frmNotConnected", "lblNotConnected", "text",
     "Please connect your computer to the Internet first to proceed with scale update."},
    {"frmNotConnected", "cmdOkay", "text", "&Okay"},
    {"frmChoosePort", "", "windowTitle", "Connect Scale to Computer"},
    {"frmChoosePort", "lblChoose", "text",
     "Please close all other windows until your scale is successfully updated. Connect your scale to "
     "your computer and turn it on. Then, click Continue button to check the scale connection and "
     "proceed with update. Latest versions of PC Program and scale software will be checked also."},
    {"frmChoosePort", "cmdContinue", "text", "&Continue"},
    {"frmErrorScaleCom", "", "windowTitle", "Error Communicating with the Scale"},
    {"frmErrorScaleCom", "lblFailed", "text",
     "A communication error with your scale was encountered. Please make sure that your Vantor "
     "scale is connected to your computer and that it is turned on."},
    {"frmErrorScaleCom", "cmdRetry", "text", "&Retry"},
    {"frmErrorScaleCom", "cmdExit", "text", "E&xit"},
    {"frmWelcome", "", "windowTitle", "Welcome to Vantor PC Program!"},
    {"frmWelcome", "lblWelcome", "text",
     "Welcome to Vantor PC Program! This program will let you update your Vantor scale with the "
     "latest postage rates and services that are available."},
    {"frmQuit", "cmdYes", "text", "&Yes"},
    {"frmQuit", "cmdCancel", "text", "&Cancel"},
    {"frmHelp", "", "windowTitle", "Vantor PC Program Help"},
    {"frmHelp", "lblFormore", "text", "For more details and help, please visit us at:"},
    {"frmHelp", "cmdClose", "text", "&Close"},
    {"frmVersion", "lblLatestVer", "text", "Latest PC Program Version:"},
    {"frmVersion", "lblProgVer", "text", "Your PC Program Version:"},
    {"frmVersion", "lblStatus", "text",
     "It has been automatically detected that your PC Program is not the latest version."},
    {"frmVersion", "lblLatest", "toolTip", "This is the latest PC Program version available."},
    {"frmVersion", "lblProg", "toolTip", "This is the version of the current/running PC Program."},
    {"frmVersion", "cmdDownloadPCProg", "text", "&Download PC Program"},
    {"frmVersion", "cmdDownloadPCProg", "toolTip", "Download the latest PC Program for free."},
    {"frmVersion", "cmdExit", "text", "E&xit"},
    {"frmDisplay", "", "windowTitle", "Vantor Scale Update"},
    {"frmProgramZip", "", "windowTitle", "Program Zip/Zone"},
    {"frmProgramZip", "lblCopy", "text", "Copy zone chart of your desired ZIP and paste it here:"},
    {"frmProgramZip", "txtZipZone", "toolTip", "Paste zip/zone data from USPS website here."},
    {"frmProgramZip", "cmdPaste", "text", "P&aste"},
    {"frmProgramZip", "cmdPaste", "toolTip", "Click to paste copied data from USPS website"},
    {"frmProgramZip", "cmdProgram", "text", "&Program"},
    {"frmProgramZip", "cmdProgram", "toolTip", "Program Vantor scale's zip/zone"},
    {"frmProgramZip", "cmdClose", "text", "&Close"},
    {"frmProgramZip", "lblInstruction1", "text", "Instructions:\n\n1.  Go to "},
    {"frmProgramKey", "", "windowTitle", "Program Keys"},
    {"frmProgramKey", "optGms", "toolTip", "Use grams as weight unit. Maximum of 5443 gms."},
    {"frmProgramKey", "UDRate", "toolTip", "Use this up-down arrow to change the rate for the specified range."},
    {"frmProgramKey", "cmdEdit", "text", "&Edit Last"},
    {"frmProgramKey", "lblNote", "text", "*Note: You can input a maximum of 128 range or intervals."},
};
// clang-format on

// Loads every form of the table; loading runs the form's own set-up, nothing that follows a click.
void loadEveryForm() {
    app::program().form<app::frmStartUp>().load();
    app::program().form<app::frmNotConnected>().load();
    app::program().form<scale::frmChoosePort>().load();
    app::program().form<scale::frmErrorScaleCom>().load();
    app::program().form<app::frmWelcome>().load();
    app::program().form<app::frmQuit>().load();
    app::program().form<app::frmHelp>().load();
    app::program().form<app::frmVersion>().load();
    app::program().form<firmware::frmDisplay>().load();  // shown, it would start an update run
    app::program().form<zones::frmProgramZip>().load();
    app::program().form<keys::frmProgramKey>().load();
}

using FormTextsTest = ProgramFixture;

TEST_F(FormTextsTest, EveryFormShowsItsWordsOnceLoaded) {
    loadEveryForm();
    for (const Shown& shown : kTexts) {
        SCOPED_TRACE(std::string(shown.form) + " " + shown.control + " " + shown.property);
        QObject* form = nullptr;
        for (QWidget* widget : QApplication::allWidgets()) {
            if (widget->objectName() == QLatin1String(shown.form) && widget->isWindow())
                form = widget;
        }
        ASSERT_NE(form, nullptr);
        QObject* control = *shown.control ? form->findChild<QObject*>(QLatin1String(shown.control)) : form;
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->property(shown.property).toString().toStdString(), shown.text);
    }
}

}  // namespace
}  // namespace vantor::test
