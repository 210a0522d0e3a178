// Keyboard and screen-reader use of every form: accessible names, the tab order, the mnemonics.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <map>

#include "support/ProgramFixture.h"
#include "ui/app/ClickableLabel.h"
#include "ui/app/Road.h"
#include "ui/app/frmCheckScale.h"
#include "ui/app/frmDownload.h"
#include "ui/app/frmHelp.h"
#include "ui/app/frmNotConnected.h"
#include "ui/app/frmQuit.h"
#include "ui/app/frmStartUp.h"
#include "ui/app/frmSuccess.h"
#include "ui/app/frmSuccessUpdate.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/keys/frmProgramKey.h"
#include "ui/keys/frmZipKey.h"
#include "ui/scale/frmChoosePort.h"
#include "ui/scale/frmErrorScaleCom.h"
#include "ui/scale/frmErrorScaleCom2.h"
#include "ui/zones/frmProgramZip.h"

namespace {

using vantor::app::Form;

class Keyboard : public vantor::test::ProgramFixture {
protected:
    // Every form of the program, loaded (the look, and with it the accessible names, is applied at
    // load) but not shown: showing some of them starts work.
    std::vector<Form*> allForms() {
        using namespace vantor;
        std::vector<Form*> forms{&loaded<app::frmStartUp>(),          &loaded<app::frmNotConnected>(),
                                 &loaded<scale::frmChoosePort>(),     &loaded<scale::frmErrorScaleCom>(),
                                 &loaded<scale::frmErrorScaleCom2>(), &loaded<app::frmQuit>(),
                                 &loaded<app::frmWelcome>(),          &loaded<app::frmHelp>(),
                                 &loaded<keys::frmZipKey>(),          &loaded<app::frmVersion>(),
                                 &loaded<app::frmCheckScale>(),       &loaded<app::frmDownload>(),
                                 &loaded<firmware::frmDisplay>(),     &loaded<app::frmSuccessUpdate>(),
                                 &loaded<app::frmSuccess>(),          &loaded<keys::frmProgramKey>(),
                                 &loaded<zones::frmProgramZip>()};
        // Left running, the splash's start-up sequence would open the offline form part way
        // through a test and take the keyboard from the form under test.
        program().form<app::frmStartUp>().Timer1.stop();
        return forms;
    }

    template <class F>
    F& loaded() {
        F& form = program().form<F>();
        form.load();
        return form;
    }

    // The controls Tab stops at, in order, starting from the form's first.
    static QStringList tabChain(QWidget& form) {
        QStringList chain;
        QWidget* widget = &form;
        for (int guard = 0; guard < 200; ++guard) {
            widget = widget->nextInFocusChain();
            if (widget == &form)
                break;
            if (takesTab(form, *widget))
                chain << widget->objectName();
        }
        return chain;
    }

    static bool takesTab(QWidget& form, QWidget& widget) {
        // Disabled controls count: Tab skips them only while they are disabled.
        return (widget.focusPolicy() & Qt::TabFocus) && widget.window() == &form && !isInternal(widget);
    }

    // Parts Qt builds inside a control (a table's viewport, a combo box's list) are named by it.
    static bool isInternal(const QWidget& widget) {
        return widget.objectName().isEmpty() || widget.objectName().startsWith(QStringLiteral("qt_"));
    }
};

TEST_F(Keyboard, EveryControlHasAnAccessibleName) {
    for (Form* form : allForms()) {
        for (QWidget* widget : form->findChildren<QWidget*>()) {
            if (isInternal(*widget))
                continue;
            const auto* label = qobject_cast<QLabel*>(widget);
            // An empty status line says nothing until it is given a text; Qt names it then.
            if (label && label->text().isEmpty() && label->pixmap().isNull() && !label->movie())
                continue;
            const bool control =
                (widget->focusPolicy() & Qt::TabFocus) || label || qobject_cast<QProgressBar*>(widget);
            if (!control)
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
                << form->objectName().toStdString() << "." << widget->objectName().toStdString() << " ("
                << widget->metaObject()->className() << ") has no accessible name";
        }
    }
}

// Each form's Tab stops, in the order of its layout: top to bottom, left to right, a column
// beside another after it, and the buttons under both last.
TEST_F(Keyboard, TabFollowsTheVisualOrderOnEveryForm) {
    const std::map<QString, QStringList> expected{
        {"frmStartUp", {}},
        {"frmNotConnected", {"cmdOkay"}},
        {"frmChoosePort", {"cmdContinue"}},
        {"frmErrorScaleCom", {"cmdRetry", "cmdExit"}},
        {"frmErrorScaleCom2", {"cmdRetry", "cmdExit"}},
        {"frmQuit", {"cmdYes", "cmdCancel"}},
        {"frmWelcome", {"ImgBanner", "cmdUpdate", "cmdDownload", "cmdProgZip", "cmdHelp", "cmdExit"}},
        {"frmHelp", {"lblWebsite", "cmdClose"}},
        {"frmZipKey", {"cmdZip", "cmdKey"}},
        {"frmVersion", {"cmdDownloadPCProg", "cmdExit"}},
        {"frmCheckScale", {"txtLink", "cmdContinue", "cmdExit"}},
        {"frmDownload", {"chkClose", "CancelButton"}},
        // The menus, and Retry and Exit once an update stopped; the other buttons are kept hidden.
        {"frmDisplay",
         {"cmdRetry", "cmdExit", "LoadHex", "Program", "cmdRead", "cmdPageUp", "cmdPageDown", "APROM",
          "LDROM"}},
        {"frmSuccessUpdate", {"cmdExit"}},
        {"frmSuccess", {"cmdUpdate"}},
        {"frmProgramKey",
         {"cboKeyNum", "optOz", "optLb", "optGms", "txtMinWt", "txtMaxWt", "txtRate", "cmdAdd", "cmdEdit",
          "cmdClear", "fgridWeightRate", "cmdProgram", "cmdClose"}},
        {"frmProgramZip", {"txtZipZone", "cmdPaste", "cmdProgram", "cmdClose", "lblSite"}},
    };
    for (Form* form : allForms()) {
        const auto found = expected.find(form->objectName());
        ASSERT_NE(found, expected.end()) << form->objectName().toStdString();
        EXPECT_EQ(tabChain(*form), found->second) << form->objectName().toStdString();
    }
}

// Every "&" caption on a window has a letter of its own, and the letter reaches its control.
TEST_F(Keyboard, EveryMnemonicIsUniqueOnItsFormAndPressesItsButton) {
    for (Form* form : allForms()) {
        std::map<QString, QString> owners;  // mnemonic key -> control
        const auto claim = [&](const QString& text, const QString& control) {
            const QString key = QKeySequence::mnemonic(text).toString();
            if (key.isEmpty())
                return;
            EXPECT_TRUE(owners.emplace(key, control).second)
                << form->objectName().toStdString() << ": " << key.toStdString() << " is both "
                << owners[key].toStdString() << " and " << control.toStdString();
        };
        for (QAbstractButton* button : form->findChildren<QAbstractButton*>())
            claim(button->text(), button->objectName());
        for (QLabel* label : form->findChildren<QLabel*>()) {
            if (QKeySequence::mnemonic(label->text()).isEmpty())
                continue;
            EXPECT_NE(label->buddy(), nullptr)
                << form->objectName().toStdString() << "." << label->objectName().toStdString()
                << " shows a mnemonic that leads nowhere";
            claim(label->text(), label->objectName());
        }
        for (QMenuBar* bar : form->findChildren<QMenuBar*>())
            for (QAction* menu : bar->actions())
                claim(menu->text(), menu->objectName());
    }
}

TEST_F(Keyboard, AltWithTheUnderlinedLetterClicksTheButton) {
    using namespace vantor;
    // frmDisplay is left out: showing it starts a programming run. Its menus are checked above.
    for (Form* form : allForms()) {
        if (form->objectName() == QStringLiteral("frmDisplay"))
            continue;
        form->show();
        QApplication::setActiveWindow(form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(form))
            << form->objectName().toStdString() << " active: "
            << (QApplication::activeWindow() ? QApplication::activeWindow()->objectName().toStdString()
                                             : "none")
            << " visible " << form->isVisible();
        for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
            if (mnemonic.isEmpty())
                continue;
            // Only whether the key reaches the button is checked here, not what the button does.
            QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
            button->setEnabled(true);
            button->setVisible(true);
            QSignalSpy clicks(button, &QAbstractButton::clicked);
            QTest::keyClick(form, static_cast<Qt::Key>(mnemonic[0].key()), Qt::AltModifier);
            // A mnemonic animates the click: the button is released a moment later.
            if (clicks.isEmpty())
                clicks.wait(2000);
            EXPECT_EQ(clicks.count(), 1)
                << form->objectName().toStdString() << "." << button->objectName().toStdString()
                << " did not answer " << mnemonic.toString(QKeySequence::NativeText).toStdString();
        }
        form->hide();
    }
}

TEST_F(Keyboard, EnterClicksTheFocusedButtonOnEveryFormAndAQuestionsFirstButtonIsItsDefault) {
    using namespace vantor;
    for (Form* form : allForms()) {
        if (form->objectName() == QStringLiteral("frmDisplay"))
            continue;  // showing it starts a run
        form->show();
        QApplication::setActiveWindow(form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(form)) << form->objectName().toStdString();
        for (QPushButton* button : form->findChildren<QPushButton*>()) {
            // Only whether Enter reaches the button is checked here, not what the button does.
            QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
            button->setEnabled(true);
            button->setVisible(true);
            button->setFocus();
            QSignalSpy clicks(button, &QAbstractButton::clicked);
            QTest::keyClick(button, Qt::Key_Return);
            QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
            EXPECT_EQ(clicks.count(), 2)
                << form->objectName().toStdString() << "." << button->objectName().toStdString();
        }
        form->hide();
    }

    const std::pair<vantor::app::Message::Buttons, QMessageBox::StandardButton> firsts[] = {
        {vantor::app::Message::Buttons::Ok, QMessageBox::Ok},
        {vantor::app::Message::Buttons::OkCancel, QMessageBox::Ok},
        {vantor::app::Message::Buttons::YesNo, QMessageBox::Yes},
        {vantor::app::Message::Buttons::YesNoCancel, QMessageBox::Yes},
        {vantor::app::Message::Buttons::RetryCancel, QMessageBox::Retry},
    };
    for (const auto& [buttons, first] : firsts) {
        const auto box = vantor::app::makeMessageBox(
            nullptr,
            {QStringLiteral("T"), QStringLiteral("Text"), vantor::app::Message::Icon::Question, buttons});
        EXPECT_EQ(box->defaultButton(), box->button(first)) << static_cast<int>(buttons);
    }
}

// The walk a keyboard user makes: Tab through the main menu, and through the key form with a
// table typed in, pressing Tab and seeing where the focus lands.
QStringList walkWithTab(QWidget& form, int presses) {
    QStringList visited;
    for (int i = 0; i < presses; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            break;
        visited << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    Q_UNUSED(form);
    return visited;
}

TEST_F(Keyboard, TabWalksTheMainMenuInOrderAndComesRound) {
    auto& menu = program().form<vantor::app::frmWelcome>();
    menu.showForm();
    QApplication::setActiveWindow(&menu);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
    EXPECT_EQ(walkWithTab(menu, 6),
              (QStringList{"cmdUpdate", "cmdDownload", "cmdProgZip", "cmdHelp", "cmdExit", "cmdUpdate"}));

    // With the update banner shown it comes first: it stands above the buttons.
    menu.ImgBanner->setVisible(true);
    menu.cmdExit->setFocus();
    QTest::keyClick(menu.cmdExit, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), menu.ImgBanner);
}

TEST_F(Keyboard, TheBannerOpensWithTheKeyboardAsWithTheMouse) {
    auto& menu = program().form<vantor::app::frmWelcome>();
    menu.showForm();
    QSignalSpy clicks(menu.ImgBanner, &vantor::app::ClickableLabel::clicked);
    QTest::keyClick(menu.ImgBanner, Qt::Key_Space);
    QTest::keyClick(menu.ImgBanner, Qt::Key_Return);
    QTest::keyClick(menu.ImgBanner, Qt::Key_A);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(Keyboard, TabWalksTheKeyFormInReadingOrder) {
    auto& keys = program().form<vantor::keys::frmProgramKey>();
    keys.showForm();
    QApplication::setActiveWindow(&keys);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&keys));
    EXPECT_EQ(QApplication::focusWidget(), keys.cboKeyNum) << "the form opens at step 1's box";
    // One range in the table, so that every button can be used.
    keys.cboKeyNum->setCurrentIndex(0);
    keys.txtMaxWt->setText(QStringLiteral("2"));
    keys.txtRate->setText(QStringLiteral("1.00"));
    click(keys, QStringLiteral("cmdAdd"));
    ASSERT_EQ(keys.fgridWeightRate->rowCount(), 2) << "the header row and the range";

    keys.cboKeyNum->setFocus();
    EXPECT_EQ(walkWithTab(keys, 13),
              (QStringList{"cboKeyNum", "optOz", "txtMinWt", "txtMaxWt", "txtRate", "cmdAdd", "cmdEdit",
                           "cmdClear", "fgridWeightRate", "cmdProgram", "cmdClose", "cboKeyNum", "optOz"}));
}

TEST_F(Keyboard, UpAndDownInTheWeightBoxDoWhatTheArrowsDo) {
    auto& keys = program().form<vantor::keys::frmProgramKey>();
    keys.showForm();
    keys.cboKeyNum->setCurrentIndex(0);
    keys.txtMaxWt->setFocus();
    const QString before = keys.txtMaxWt->text();
    QTest::keyClick(keys.txtMaxWt, Qt::Key_Up);
    const QString up = keys.txtMaxWt->text();
    EXPECT_NE(up, before);
    QTest::keyClick(keys.txtMaxWt, Qt::Key_Down);
    EXPECT_EQ(keys.txtMaxWt->text(), before);
}

// Escape closes a window as its close box does, except where it would throw away a typed table
// or a pasted chart. In the quit question it is the Cancel answer, as in any question box.
TEST_F(Keyboard, EscapeClosesWindowsButThrowsNothingAwayAndIsTheQuitQuestionsCancel) {
    using namespace vantor;
    auto& keys = program().form<keys::frmProgramKey>();
    keys.showForm();
    keys.cboKeyNum->setCurrentIndex(0);
    keys.txtMaxWt->setText(QStringLiteral("2"));
    keys.txtRate->setText(QStringLiteral("1.00"));
    click(keys, QStringLiteral("cmdAdd"));
    keys.txtMaxWt->setFocus();
    QTest::keyClick(keys.txtMaxWt, Qt::Key_Escape);
    EXPECT_TRUE(keys.isVisible());
    EXPECT_EQ(keys.table().rowCount(), 1);

    auto& zip = program().form<zones::frmProgramZip>();
    zip.showForm();
    desktop().clipboard = QStringLiteral("005   4\n006   5\n");
    click(zip, QStringLiteral("cmdPaste"));
    const QString pasted = zip.txtZipZone->toPlainText();
    ASSERT_FALSE(pasted.isEmpty());
    QTest::keyClick(zip.txtZipZone, Qt::Key_Escape);
    EXPECT_TRUE(zip.isVisible());
    EXPECT_EQ(zip.txtZipZone->toPlainText(), pasted);
    click(zip, QStringLiteral("cmdPaste"));  // Clear: nothing left to lose
    QTest::keyClick(zip.txtZipZone, Qt::Key_Escape);
    EXPECT_FALSE(zip.isLoaded());

    auto& menu = program().form<app::frmWelcome>();
    menu.showForm();
    auto& help = program().form<app::frmHelp>();
    app::road().openHelp();
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_FALSE(help.isLoaded());
    EXPECT_TRUE(dialogs().shown().empty()) << "nothing asked";

    // A window that asks before closing asks on Escape too; Escape in the question keeps it open.
    dialogs().onModal([](Form& quit) { QTest::keyClick(&quit, Qt::Key_Escape); });
    QTest::keyClick(&menu, Qt::Key_Escape);
    EXPECT_FALSE(program().form<app::frmQuit>().isLoaded());
    EXPECT_TRUE(menu.isLoaded());
    EXPECT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(endCount(), 0);
}

}  // namespace
