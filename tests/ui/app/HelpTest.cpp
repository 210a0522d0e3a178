// The help window: opened from the menu, its web link, and closing it back to the menu.

#include <QLabel>
#include <QPushButton>

#include "support/ProgramFixture.h"
#include "ui/app/frmHelp.h"
#include "ui/app/frmWelcome.h"

namespace vantor::test {
namespace {

using app::frmHelp;
using app::frmWelcome;

class HelpTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        environment().set("VANTOR_WEB_SERVER", "https://help.example.net/");
        menu().showForm();
    }

    frmWelcome& menu() { return program().form<frmWelcome>(); }
    frmHelp& help() { return program().form<frmHelp>(); }
    QString text(const char* label) { return control<QLabel>(help(), label)->text(); }
};

TEST_F(HelpTest, HelpButtonShowsHelpAndMinimisesTheMenu) {
    click(menu(), "cmdHelp");

    EXPECT_TRUE(help().isVisible());
    EXPECT_TRUE(menu().isMinimized());
    EXPECT_TRUE(dialogs().shown().empty()) << "help is no modal dialog";
    EXPECT_EQ(text("lblHelp1"),
              "The following is a summary on how to use Vantor PC Program to update your scale with its "
              "latest postage rates and services:");
    EXPECT_EQ(text("lblHelp2"),
              "1.  Upon running PC Program, connect your scale to your computer         and turn it on. PC "
              "Program will automatically detect which port in        your computer your scale is connected "
              "to. Click Continue button.");
    EXPECT_TRUE(text("lblHelp3").startsWith("2.  ")) << text("lblHelp3").toStdString();
    EXPECT_TRUE(text("lblHelp3").contains("'Update Scale'"));
    EXPECT_TRUE(text("lblHelp4").startsWith("3.  ")) << text("lblHelp4").toStdString();
    EXPECT_EQ(
        text("lblhelp5"),
        "4.  Wait for a confirmation that your scale has been successfully              updated.  After "
        "this, your scale is now ready to use with its latest        postage rates and services.");
    EXPECT_EQ(text("lblUpdate"), "Software Updates:");
    EXPECT_EQ(
        text("lblUpdate2"),
        "Once you run Vantor PC Program, it will automatically detect for a new version.  A dialog box "
        "will appear if there is a new version of Vantor PC program.  This is downloadable for free.    "
        "          For scale software updates like changes in rates or postage services, a banner "
        "regarding the update will automatically appear in your PC Program.");
    EXPECT_EQ(text("lblWebsite"), "help.example.net");
    EXPECT_TRUE(control<QLabel>(help(), "lblWebsite")->font().underline());
}

TEST_F(HelpTest, WebLinkOpensTheHelpPageAndAFailureSaysNothing) {
    click(menu(), "cmdHelp");
    desktop().openResult = app::Desktop::kNoAssociation;

    help().lblWebsite_Click();

    EXPECT_EQ(desktop().opened, QStringList{"https://help.example.net/vantorpc/usa/vantorusa.htm"});
    EXPECT_TRUE(dialogs().asked().empty());
    EXPECT_TRUE(help().isVisible());
}

TEST_F(HelpTest, CloseButtonAndCloseBoxBothRestoreTheMenu) {
    for (const bool byButton : {true, false}) {
        SCOPED_TRACE(byButton ? "Close" : "close box");
        click(menu(), "cmdHelp");
        ASSERT_TRUE(menu().isMinimized());

        if (byButton)
            click(help(), "cmdClose");
        else
            help().close();

        EXPECT_FALSE(help().isLoaded());
        EXPECT_FALSE(help().isVisible());
        EXPECT_FALSE(menu().isMinimized());
        EXPECT_TRUE(menu().isVisible());
    }
    EXPECT_TRUE(dialogs().shown().empty()) << "closing help asks nothing";
}

TEST_F(HelpTest, ClosingHelpAfterTheMenuHasGoneDoesNotBringTheMenuBack) {
    click(menu(), "cmdHelp");
    // The user restored the menu by hand and went on with the update road.
    menu().showNormal();
    menu().AskExit = false;
    menu().unload();

    click(help(), "cmdClose");

    EXPECT_FALSE(menu().isLoaded());
    EXPECT_FALSE(menu().isVisible());
}

}  // namespace
}  // namespace vantor::test
