// The program's look: focus frame, colours and font of every form, scrolling forms on small
// screens, and message boxes named after the program.

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "support/ProgramFixture.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Look.h"
#include "ui/app/frmCheckScale.h"
#include "ui/app/frmHelp.h"
#include "ui/app/frmQuit.h"
#include "ui/app/frmSuccessUpdate.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/keys/frmProgramKey.h"
#include "ui/keys/frmZipKey.h"
#include "ui/scale/frmErrorScaleCom.h"
#include "ui/scale/frmErrorScaleCom2.h"
#include "ui/zones/frmProgramZip.h"

namespace vantor::test {
namespace {

class LookTest : public ProgramFixture {};

double luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

TEST_F(LookTest, TheFocusFrameStandsOutOnTheProgramsBlue) {
    auto& keys = program().form<keys::frmProgramKey>();
    keys.load();
    for (QWidget* control : std::initializer_list<QWidget*>{keys.cboKeyNum, keys.cmdAdd}) {
        const double frame = luminance(control->palette().color(QPalette::Highlight));
        const double background = luminance(app::kBackground);
        EXPECT_GE((background + 0.05) / (frame + 0.05), 3.0) << control->objectName().toStdString();
    }
}

// The test screen (800 x 600) is what a 1366 x 768 screen at 150 % offers: the key and zone forms
// take its size and scroll, their controls whole and their buttons reachable; none can be made
// smaller than that.
TEST_F(LookTest, FormsLargerThanTheScreenScrollWithTheirControlsWhole) {
    auto& keys = program().form<keys::frmProgramKey>();
    auto& zip = program().form<zones::frmProgramZip>();
    const std::vector<std::pair<app::Form*, QStringList>> forms = {
        {&keys, {"cmdAdd", "cmdProgram", "cmdClose", "txtMaxWt", "txtRate"}},
        {&zip, {"cmdPaste", "cmdProgram", "cmdClose"}}};
    for (const auto& [form, controls] : forms) {
        SCOPED_TRACE(form->objectName().toStdString());
        form->showForm();
        const QSize room = form->screen()->availableGeometry().size();
        ASSERT_LT(room.width(), 860);
        EXPECT_LE(form->width(), room.width());
        EXPECT_LE(form->height(), room.height());
        form->resize(form->width() - 100, form->height() - 100);
        EXPECT_GE(form->width(), form->minimumWidth());
        EXPECT_EQ(form->minimumSize(), form->size());
        auto* area = form->findChild<QScrollArea*>();
        ASSERT_NE(area, nullptr);
        for (const QString& name : controls) {
            QWidget* control = ProgramFixture::control(*form, name);
            EXPECT_GE(control->height(), control->minimumSizeHint().height()) << name.toStdString();
            EXPECT_GE(control->width(), control->minimumSizeHint().width()) << name.toStdString();
            area->ensureWidgetVisible(control);
            const QRect shown(control->mapTo(area->viewport(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(area->viewport()->rect().contains(shown)) << name.toStdString();
        }
        form->endSilently();
    }
}

TEST_F(LookTest, MessageBoxesAreNamedAfterTheProgramAndWideEnoughForTheirTitles) {
    const auto untitled = app::makeMessageBox(
        nullptr, {QString(), QStringLiteral("Are you sure you want to cancel this operation?"),
                  app::Message::Icon::Question, app::Message::Buttons::YesNo});
    EXPECT_EQ(untitled->windowTitle(), "Vantor PC Program");

    const QString title = QStringLiteral("Successful Zip/Zone Programming");
    const auto success =
        app::makeMessageBox(nullptr, {title, QStringLiteral("Zip/Zone programming successful!"),
                                      app::Message::Icon::Information, app::Message::Buttons::Ok});
    success->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(success.get()));
    QFont titleFont = success->font();
    titleFont.setBold(true);
    EXPECT_GT(success->width(), QFontMetrics(titleFont).horizontalAdvance(title) + 100);
}

// Boxes wear the forms' look: their blue, the program's own icon, buttons of one width with no
// pictures, each with its Alt letter.
TEST_F(LookTest, MessageBoxesWearTheFormsLookWithTheProgramsIconsAndEvenButtons) {
    const auto box = app::makeMessageBox(
        nullptr, {QStringLiteral("Vantor PC Program"), QStringLiteral("The connection was reset."),
                  app::Message::Icon::Exclamation, app::Message::Buttons::RetryCancel});
    EXPECT_EQ(box->palette().color(QPalette::Window), app::kBackground);
    EXPECT_FALSE(box->iconPixmap().isNull());
    const QList<QAbstractButton*> buttons = box->buttons();
    ASSERT_EQ(buttons.size(), 2);
    for (const QAbstractButton* button : buttons) {
        EXPECT_TRUE(button->icon().isNull()) << button->text().toStdString();
        EXPECT_EQ(button->minimumWidth(), buttons[0]->minimumWidth());
        EXPECT_TRUE(button->text().contains(QLatin1Char('&'))) << button->text().toStdString();
    }
}

TEST_F(LookTest, EveryFormPaintsItselfItsLabelsAndButtonsInTheProgramsColourWithVerdanaAtLoad) {
    const std::vector<app::Form*> forms = {
        &program().form<app::frmWelcome>(),         &program().form<app::frmHelp>(),
        &program().form<app::frmCheckScale>(),      &program().form<app::frmQuit>(),
        &program().form<app::frmVersion>(),         &program().form<keys::frmZipKey>(),
        &program().form<keys::frmProgramKey>(),     &program().form<zones::frmProgramZip>(),
        &program().form<scale::frmErrorScaleCom>(), &program().form<scale::frmErrorScaleCom2>()};
    for (app::Form* form : forms) {
        SCOPED_TRACE(form->objectName().toStdString());
        form->load();
        std::vector<QWidget*> painted = {form};
        for (QLabel* label : form->findChildren<QLabel*>())
            painted.push_back(label);
        for (QPushButton* button : form->findChildren<QPushButton*>())
            painted.push_back(button);
        for (QWidget* widget : painted) {
            EXPECT_EQ(widget->palette().color(QPalette::Window), app::kBackground)
                << widget->objectName().toStdString();
            EXPECT_EQ(widget->palette().color(QPalette::Button), app::kBackground)
                << widget->objectName().toStdString();
            EXPECT_EQ(widget->font().families().value(0), "Verdana") << widget->objectName().toStdString();
        }
    }
}

// The window opens with room for the success text and the exit button that follow the wait text:
// it keeps its size when they come.
TEST_F(LookTest, TheFinalFormKeepsItsSizeAndShowsTheWholeSuccessTextAndItsExitButton) {
    auto& last = program().form<app::frmSuccessUpdate>();
    last.showForm();
    last.Timer1.stop();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&last));
    const QSize waiting = last.size();
    for (int tick = 0; tick <= 10; ++tick)
        last.Timer1_Timer();
    ASSERT_TRUE(last.lblSuccess->isVisible());

    const auto wholeTextShown = [&] {
        const QLabel& text = *last.lblSuccess;
        return text.height() >= text.heightForWidth(text.width()) && last.rect().contains(text.geometry()) &&
               last.rect().contains(last.cmdExit->geometry());
    };
    EXPECT_TRUE(QTest::qWaitFor(wholeTextShown, 2000))
        << "text " << last.lblSuccess->height() << " px of "
        << last.lblSuccess->heightForWidth(last.lblSuccess->width()) << ", window " << last.height() << " px";
    EXPECT_EQ(last.size(), waiting);
    last.endSilently();
}

// The real message boxes: a question the events have answered (the download ended while it asked
// whether to cancel) is closed, as Cancel, instead of staying open over the finished window.
TEST_F(LookTest, AQuestionOverAWindowIsClosedWhenEventsHaveAnsweredIt) {
    app::MessageBoxDialogs dialogs;
    QWidget owner;
    owner.show();
    QTimer::singleShot(0, &owner, [&] { dialogs.closeQuestionsOver(&owner); });
    const app::Message question{QStringLiteral(""),
                                QStringLiteral("Are you sure you want to cancel this operation?"),
                                app::Message::Icon::Question, app::Message::Buttons::YesNo};
    EXPECT_EQ(dialogs.ask(&owner, question), app::Answer::Cancel);
}

// A box that speaks of a folder opens it with a button of its own, and the question stays open.
TEST_F(LookTest, AQuestionAboutAFileOpensItsFolderAndStaysOpen) {
    app::Message offer{QStringLiteral("Vantor PC Program"),
                       QStringLiteral("Write them back into the scale now?"), app::Message::Icon::Question,
                       app::Message::Buttons::YesNo};
    offer.folder = QStringLiteral("/data/Vantor/Tables");
    const auto box = app::makeMessageBox(nullptr, offer);
    box->show();
    auto* open = box->findChild<QPushButton*>(QStringLiteral("cmdOpenFolder"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "Open &Folder");
    open->click();
    EXPECT_EQ(desktop().opened, QStringList{QStringLiteral("file:///data/Vantor/Tables")});
    EXPECT_TRUE(box->isVisible());
}

// Laid out for their size, forms offer no maximise button; the key and zone forms, whose table
// and chart box grow with the window, do.
TEST_F(LookTest, OnlyTheKeyAndZoneFormsCanBeMaximised) {
    const auto maximisable = [](const QWidget& form) {
        return form.windowFlags().testFlags(Qt::CustomizeWindowHint | Qt::WindowMaximizeButtonHint);
    };
    EXPECT_FALSE(maximisable(program().form<app::frmWelcome>()));
    EXPECT_TRUE(program().form<app::frmWelcome>().windowFlags().testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(maximisable(program().form<keys::frmProgramKey>()));
    EXPECT_TRUE(maximisable(program().form<zones::frmProgramZip>()));
    // Window managers that offer to maximise whatever the form asks leave a window of one size be.
    auto& menu = program().form<app::frmWelcome>();
    menu.load();
    EXPECT_EQ(menu.minimumSize(), menu.maximumSize());
    auto& keys = program().form<keys::frmProgramKey>();
    keys.load();
    EXPECT_NE(keys.minimumSize(), keys.maximumSize());
}

// A run's status line, bar and time left keep their places while hidden: the window asks for the
// same room before a run as during it, so nothing grows, shrinks or moves when they appear.
TEST_F(LookTest, NoFormChangesItsSizeWhenItsProgressPartsAppear) {
    const auto roomAskedWith = [](QWidget& form, std::initializer_list<QWidget*> parts) {
        form.layout()->activate();
        const QSize before = form.sizeHint();
        for (QWidget* part : parts)
            part->setVisible(true);
        form.layout()->invalidate();
        form.layout()->activate();
        EXPECT_EQ(form.sizeHint(), before) << form.objectName().toStdString();
    };
    auto& display = program().form<firmware::frmDisplay>();
    display.load();  // shown, it would start an update run
    display.lblStatus->setText(QStringLiteral("Updating scale with latest postage rates and services..."));
    display.lblTimeLeft->setText(QStringLiteral("Estimated time left: 1 min 5 sec"));
    roomAskedWith(display,
                  {display.lblStatus, display.ProgressBar1, display.lblTimeLeft, display.lblKeepConnected});

    // The zone form is shown: its chart box and buttons stay where they were when the bar appears.
    auto& zones = program().form<zones::frmProgramZip>();
    zones.showForm();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&zones));
    const QRect box = zones.txtZipZone->geometry();
    const QRect button = zones.cmdProgram->geometry();
    roomAskedWith(zones, {zones.lblProgramming, zones.progbarZipZone});
    QCoreApplication::processEvents();
    EXPECT_EQ(zones.txtZipZone->geometry(), box);
    EXPECT_EQ(zones.cmdProgram->geometry(), button);
    zones.endSilently();

    auto& keys = program().form<keys::frmProgramKey>();
    keys.load();
    roomAskedWith(keys, {keys.lblProgramming, keys.progbarKey});
}

}  // namespace
}  // namespace vantor::test
