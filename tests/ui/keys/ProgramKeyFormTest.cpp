// The key form as the user meets it: a table built by typing and clicking, the questions, and
// programming on the scale worker with the simulator on a pseudo-terminal as the scale.

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "core/scale/SerialNumber.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/scale/SerialTransport.h"
#include "support/SimulatedScaleFixture.h"
#include "support/SimulatorProcess.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/keys/UpDownArrows.h"
#include "ui/keys/frmProgramKey.h"
#include "ui/scale/frmErrorScaleCom.h"

namespace vantor::test {
namespace {

using app::Answer;
using keys::frmProgramKey;

constexpr int kWaitMs = 20000;

class ProgramKeyFormTest : public SimulatedScaleFixture {
protected:
    frmProgramKey& form() { return program().form<frmProgramKey>(); }

    void open() {
        program().form<app::frmWelcome>().stepAside();
        form().showForm();
    }

    void chooseKey(int key) { form().cboKeyNum->setCurrentIndex(key - 1); }

    // Types the range into the boxes as the user does and clicks Add.
    void addRange(const QString& max, const QString& rate) {
        form().txtMaxWt->clear();
        QTest::keyClicks(form().txtMaxWt, max);
        form().txtRate->clear();
        QTest::keyClicks(form().txtRate, rate);
        click(form(), "cmdAdd");
    }

    QString cell(int row, int column) {
        const QTableWidgetItem* item = form().fgridWeightRate->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    QString header(int column) { return form().fgridWeightRate->horizontalHeaderItem(column)->text(); }

    // Clicks Program and waits until the run and its questions are over.
    void programAndWait() {
        EXPECT_TRUE(runToEnd(form(), &frmProgramKey::runEnded, [this] { click(form(), "cmdProgram"); }));
    }

    std::vector<QString> titlesAsked() {
        std::vector<QString> titles;
        for (const auto& asked : dialogs().asked())
            titles.push_back(asked.title);
        return titles;
    }
};

TEST_F(ProgramKeyFormTest, StartsEmptyWithItsTextsAndNoKeyChosen) {
    open();
    EXPECT_EQ(form().cboKeyNum->currentIndex(), -1);
    EXPECT_EQ(form().cboKeyNum->count(), 6);
    EXPECT_TRUE(form().optOz->isChecked());
    EXPECT_EQ(form().txtMinWt->text(), "0");
    EXPECT_EQ(form().txtMaxWt->text(), "0");
    EXPECT_EQ(form().txtRate->text(), "$0.00");
    EXPECT_TRUE(form().txtMinWt->isReadOnly());
    EXPECT_NE(form().txtMinWt->palette().color(QPalette::Base),
              form().txtMaxWt->palette().color(QPalette::Base))
        << "the read-only box looks read-only";
    EXPECT_FALSE(form().cmdEdit->isEnabled());
    EXPECT_FALSE(form().cmdClear->isEnabled());
    EXPECT_FALSE(form().cmdProgram->isEnabled());
    EXPECT_FALSE(form().progbarKey->isVisible());
    EXPECT_EQ(header(0), "Range*");
    EXPECT_EQ(header(1), "Weight Not Over (oz)");
    EXPECT_EQ(header(2), "Rate");
    // The columns share the table's width: all three in view without scrolling, each header whole.
    const QTableWidget& grid = *form().fgridWeightRate;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
    EXPECT_LE(grid.horizontalHeader()->length(), grid.viewport()->width());
    for (int column = 0; column < 3; ++column)
        EXPECT_GT(grid.columnWidth(column), grid.fontMetrics().horizontalAdvance(header(column))) << column;
    EXPECT_EQ(form().fgridWeightRate->rowCount(), 1);

    // Nothing can be added before a key is chosen.
    addRange("12", "1");
    EXPECT_EQ(titlesAsked(), std::vector<QString>{"Choose Blank Key"});
    EXPECT_EQ(form().fgridWeightRate->rowCount(), 1);
}

TEST_F(ProgramKeyFormTest, TableIsBuiltByTypingAndClicking) {
    open();
    chooseKey(3);
    addRange("12", "1");
    EXPECT_EQ(form().txtMinWt->text(), "12");
    EXPECT_EQ(form().txtMaxWt->text(), "13");
    EXPECT_EQ(form().txtRate->text(), "$1.00");
    QTest::mouseClick(form().UDRate->up(), Qt::LeftButton);
    EXPECT_EQ(form().txtRate->text(), "$2.00");
    QTest::mouseClick(form().UDMax->up(), Qt::LeftButton);
    EXPECT_EQ(form().txtMaxWt->text(), "14");
    click(form(), "cmdAdd");
    // The scale holds whole weights: 20.5 is refused, not written as 20.
    addRange("20.5", "$1,234.50");
    EXPECT_EQ(titlesAsked(), std::vector<QString>{"Incorrect Value"});
    EXPECT_EQ(form().fgridWeightRate->rowCount(), 3);
    addRange("20", "$1,234.50");

    ASSERT_EQ(form().fgridWeightRate->rowCount(), 4);  // three rows and the empty one
    const std::vector<std::vector<QString>> expected = {
        {"1", "12", "$1.00"}, {"2", "14", "$2.00"}, {"3", "20", "$1,234.50"}, {"", "", ""}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(cell(r, c), expected[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
            EXPECT_EQ(form().fgridWeightRate->item(r, c)->textAlignment(), Qt::AlignCenter);
        }
    EXPECT_EQ(form().table().MaxWts[2], 20);
    EXPECT_TRUE(form().cmdEdit->isEnabled());
    EXPECT_TRUE(form().cmdClear->isEnabled());
    EXPECT_TRUE(form().cmdProgram->isEnabled());
    EXPECT_EQ(dialogs().asked().size(), 1u);

    click(form(), "cmdEdit");
    EXPECT_EQ(form().fgridWeightRate->rowCount(), 3);
    EXPECT_EQ(form().txtMaxWt->text(), "20");
    EXPECT_EQ(form().txtMinWt->text(), "14");

    dialogs().answer(Answer::Yes);
    click(form(), "cmdClear");
    EXPECT_EQ(form().fgridWeightRate->rowCount(), 1);
    EXPECT_FALSE(form().cmdProgram->isEnabled());
    EXPECT_FALSE(form().cmdClear->isEnabled());
    EXPECT_EQ(titlesAsked(), (std::vector<QString>{"Incorrect Value", "Clear Data"}));
}

TEST_F(ProgramKeyFormTest, DecliningTheUnitChangeKeepsTableAndUnit) {
    open();
    chooseKey(1);
    addRange("12", "1");
    dialogs().answer(Answer::No);
    form().optGms->click();
    EXPECT_TRUE(form().optOz->isChecked());
    EXPECT_FALSE(form().optGms->isChecked());
    EXPECT_EQ(form().table().rowCount(), 1);
    EXPECT_EQ(header(1), "Weight Not Over (oz)");
    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].text,
              "This will clear all your entries in the Weight and Rate Table.\r\nDo you want to continue?");
    EXPECT_EQ(dialogs().asked()[0].buttons, app::Message::Buttons::YesNoCancel);

    dialogs().answer(Answer::Yes);
    form().optLb->click();
    EXPECT_EQ(header(1), "Weight Not Over (lbs)");
    EXPECT_EQ(form().table().rowCount(), 0);
    EXPECT_FALSE(form().cmdProgram->isEnabled());
}

TEST_F(ProgramKeyFormTest, ProgramsTheKeyAndStartsAgainForAnother) {
    SimulatorProcess simulator({"--serial", "12345678", "--memory", memoryFile()});
    open();
    useScalePort(simulator.devicePath());
    chooseKey(2);
    addRange("16", "2.50");
    std::vector<int> progress;
    QObject::connect(form().progbarKey, &QProgressBar::valueChanged, &form(),
                     [&](int value) { progress.push_back(value); });
    bool disabledDuringRun = false;
    QObject::connect(form().progbarKey, &QProgressBar::valueChanged, &form(), [&](int value) {
        if (value == 128)
            disabledDuringRun = !form().cmdAdd->isEnabled() && !form().cmdClose->isEnabled() &&
                                !form().cmdProgram->isEnabled() && !form().cboKeyNum->isEnabled();
    });

    dialogs().answer(Answer::Yes);  // confirm
    dialogs().answer(Answer::Yes);  // another key
    programAndWait();

    EXPECT_EQ(titlesAsked(), (std::vector<QString>{"Confirm Key Programming", "Successful Key Programming"}));
    EXPECT_EQ(dialogs().asked()[0].text,
              "You are going to program weight and rates for blank key number 2.\r\nAre you sure you want to "
              "continue?");
    EXPECT_TRUE(disabledDuringRun);
    const std::vector<int> pages = {128, 256, 384, 512, 640};
    EXPECT_NE(std::search(progress.begin(), progress.end(), pages.begin(), pages.end()), progress.end());
    EXPECT_EQ(form().MaxWtsGrams[0], 454);
    EXPECT_EQ(form().RatesCents[0], 250);
    // Ready for the next key: empty, in ounces, the key still chosen.
    EXPECT_EQ(form().table().rowCount(), 0);
    EXPECT_EQ(form().cboKeyNum->currentIndex(), 1);
    EXPECT_FALSE(form().cmdProgram->isEnabled());
    EXPECT_TRUE(form().cmdClose->isEnabled());
    EXPECT_TRUE(form().cmdAdd->isEnabled());
    EXPECT_FALSE(form().progbarKey->isVisible());
    EXPECT_FALSE(workerPort().second) << "the port is left to other programs";

    ASSERT_EQ(simulator.stop(), 0);
    Bytes expected(640, 0);
    expected[0] = 0x01;
    expected[1] = 0xC6;
    expected[258] = 0xFA;
    EXPECT_EQ(memory(0x8580, 640), expected);
    EXPECT_EQ(memory(0x8300, 0x280), Bytes(0x280, 0xFF));
    const auto history = firmware::readHistoryFile().records;
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(std::tie(history[0].operation, history[0].what, history[0].serial, history[0].ok),
              std::tuple("key", "key 2", "12345678", true));
}

TEST_F(ProgramKeyFormTest, ProgrammedKeyIsOverwrittenOnlyAfterYes) {
    writeMemory("12345678", 0x8580, {0x01});
    SimulatorProcess simulator({"--memory", memoryFile()});
    open();
    useScalePort(simulator.devicePath());
    chooseKey(2);
    addRange("16", "2.50");

    dialogs().answer(Answer::No);
    programAndWait();
    ASSERT_EQ(titlesAsked(), std::vector<QString>{"Overwrite Programmed Data"});
    EXPECT_EQ(dialogs().asked()[0].buttons, app::Message::Buttons::YesNo);
    EXPECT_FALSE(form().progbarKey->isVisible());
    EXPECT_TRUE(form().cmdProgram->isEnabled());
    EXPECT_EQ(form().table().rowCount(), 1);
    EXPECT_EQ(form().focusWidget(), form().cboKeyNum);

    dialogs().answer(Answer::Yes);  // overwrite
    dialogs().answer(Answer::Yes);  // confirm
    dialogs().answer(Answer::No);   // no other key: the form closes
    programAndWait();
    EXPECT_FALSE(form().isLoaded());
    EXPECT_TRUE(program().form<app::frmWelcome>().isEnabled());
    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(0x8580, 3), (Bytes{0x01, 0xC6, 0x00}));
}

// A write that fails part way: Retry writes the same table to the same key again, and the user
// sees the form pass through the same states as the first time.
TEST_F(ProgramKeyFormTest, RetryAfterAFailedWriteWritesTheSameTableAgain) {
    // The third page is refused as often as one write tries it, then taken.
    SimulatorProcess simulator({"--memory", memoryFile(), "--fault", "refuse:write:addr=0x8400:count=4"});
    open();
    useScalePort(simulator.devicePath());
    chooseKey(1);
    addRange("16", "2.50");
    addRange("32", "3.00");
    // What the form shows each time a page has been written.
    std::vector<QString> states;
    QObject::connect(form().progbarKey, &QProgressBar::valueChanged, &form(), [&](int value) {
        if (value > 0 && form().lblProgramming->text().startsWith(QLatin1String("Programming")))
            states.push_back(QStringLiteral("%1 %2 %3 close %4")
                                 .arg(value)
                                 .arg(form().lblProgramming->text())
                                 .arg(form().lblProgramming->isVisible())
                                 .arg(form().cmdClose->isEnabled()));
    });

    dialogs().answer(Answer::Yes);  // confirm
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdRetry")));
    dialogs().answer(Answer::Yes);  // another key
    programAndWait();

    EXPECT_EQ(titlesAsked(), (std::vector<QString>{"Confirm Key Programming", "Successful Key Programming"}));
    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].title, "Error Communicating with the Scale");
    const QString writing = QStringLiteral(" Programming rates and functions of key 1.... 1 close 0");
    EXPECT_EQ(states,
              (std::vector<QString>{"128" + writing, "256" + writing, "128" + writing, "256" + writing,
                                    "384" + writing, "512" + writing, "640" + writing}));
    EXPECT_FALSE(program().hasForm<firmware::frmDisplay>());
    EXPECT_TRUE(form().cmdClose->isEnabled());
    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(0x8400, 6), (Bytes{0x00, 0x00, 0xFA, 0x00, 0x01, 0x2C}));
}

// Exit from the error dialog, or a Retry that fails again, hands the form back usable and says
// what the key now holds.
TEST_F(ProgramKeyFormTest, AFailedWriteLeftAsItIsSaysTheKeyMustBeProgrammedAgain) {
    SimulatorProcess simulator({"--memory", memoryFile(), "--fault", "refuse:write:addr=0x8400"});
    open();
    useScalePort(simulator.devicePath());
    chooseKey(1);
    addRange("16", "2.50");
    addRange("32", "3.00");

    const auto formHandedBack = [this] {
        EXPECT_EQ(dialogs().asked().back().title, "Key Programming Incomplete");
        EXPECT_EQ(dialogs().asked().back().icon, app::Message::Icon::Exclamation);
        EXPECT_TRUE(dialogs().allScriptUsed());
        EXPECT_FALSE(form().lblProgramming->isVisible());
        EXPECT_FALSE(form().progbarKey->isVisible());
        EXPECT_TRUE(form().cmdClose->isEnabled());
        EXPECT_TRUE(form().cmdProgram->isEnabled());
        EXPECT_TRUE(form().cmdAdd->isEnabled());
        EXPECT_EQ(form().table().rowCount(), 2);
        EXPECT_TRUE(form().isVisible());
        EXPECT_EQ(endCount(), 0);
    };

    dialogs().answer(Answer::Yes);  // confirm
    dialogs().onModal([this](app::Form& error) {
        dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdCancel")));  // the quit question
        click(error, QStringLiteral("cmdExit"));
    });
    programAndWait();
    EXPECT_EQ(titlesAsked(), (std::vector<QString>{"Confirm Key Programming", "Key Programming Incomplete"}));
    formHandedBack();

    dialogs().answer(Answer::Yes);  // overwrite: the key's first page is written now
    dialogs().answer(Answer::Yes);  // confirm
    dialogs().onModal(ScriptedDialogs::click(QStringLiteral("cmdRetry")));
    programAndWait();
    ASSERT_EQ(dialogs().shown().size(), 3u) << "no second error dialog after the failed retry";
    EXPECT_EQ(dialogs().asked().size(), 5u);
    formHandedBack();

    EXPECT_FALSE(program().hasForm<firmware::frmDisplay>());
    ASSERT_EQ(simulator.stop(), 0);
    // The two pages before the failed one stay written.
    EXPECT_EQ(memory(0x8300, 2), (Bytes{0x01, 0xC6}));
    EXPECT_EQ(memory(0x8400, 128), Bytes(128, 0xFF));
}

// Ranges typed as a keyboard user does: Enter adds the range and takes the focus back to the max
// weight; however long the table grows, its newest row is in view.
TEST_F(ProgramKeyFormTest, EnterAddsTheRangeAndTheNewestRowStaysInView) {
    open();
    QApplication::setActiveWindow(&form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    chooseKey(1);
    form().txtMaxWt->setFocus();
    form().txtMaxWt->selectAll();
    const QTableWidget& grid = *form().fgridWeightRate;
    const auto inView = [&grid](int row) {
        return grid.viewport()->rect().contains(grid.visualItemRect(grid.item(row, 0)));
    };
    constexpr int kRows = 24;
    for (int range = 1; range <= kRows; ++range) {
        QTest::keyClicks(form().txtMaxWt, QString::number(range * 2));
        QTest::keyClick(form().txtMaxWt, Qt::Key_Tab);
        ASSERT_EQ(form().focusWidget(), form().txtRate);
        QTest::keyClicks(form().txtRate, QString::number(range));
        QTest::keyClick(form().txtRate, range % 2 ? Qt::Key_Return : Qt::Key_Enter);
        ASSERT_EQ(form().table().rowCount(), range);
        ASSERT_EQ(form().focusWidget(), form().txtMaxWt);
        EXPECT_EQ(form().txtMaxWt->selectedText(), QString::number(range * 2 + 1));
        EXPECT_TRUE(inView(range - 1)) << range;
    }
    EXPECT_TRUE(dialogs().asked().empty());
    EXPECT_EQ(cell(kRows - 1, 1), QString::number(kRows * 2));

    click(form(), "cmdEdit");
    click(form(), "cmdEdit");
    EXPECT_TRUE(inView(kRows - 3));

    // Enter in the weight box adds the range too.
    form().txtMaxWt->selectAll();
    QTest::keyClicks(form().txtMaxWt, QStringLiteral("100"));
    QTest::keyClick(form().txtMaxWt, Qt::Key_Return);
    EXPECT_EQ(form().table().rowCount(), kRows - 1);
}

// A declined unit change ticks the unit in use again, and the focus goes with the tick, so that
// the arrow keys go on from there.
TEST_F(ProgramKeyFormTest, DeclinedUnitChangeTakesTheFocusBackWithTheTick) {
    open();
    QApplication::setActiveWindow(&form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    chooseKey(1);
    addRange("12", "1");
    form().optOz->setFocus();
    for (int press = 0; press < 2; ++press) {
        dialogs().answer(Answer::No);
        QTest::keyClick(form().focusWidget(), Qt::Key_Right);
        QCoreApplication::processEvents();
        EXPECT_TRUE(form().optOz->isChecked());
        EXPECT_EQ(form().focusWidget(), form().optOz) << press;
    }
    EXPECT_EQ(titlesAsked(), (std::vector<QString>{"Change Weight Unit", "Change Weight Unit"}));
    EXPECT_EQ(form().table().rowCount(), 1);
}

TEST_F(ProgramKeyFormTest, ScaleThatCannotBeReachedWritesNothing) {
    open();
    // The device has gone, so the scale is looked for on every port: the silent ones of this
    // machine would hold the check for the whole serial-number limit.
    program().scale().setDetectionLimit(std::chrono::milliseconds(300));
    useScalePort(
        QStringLiteral("/dev/vantor-missing-key-%1").arg(QCoreApplication::applicationPid()).toStdString());
    chooseKey(1);
    addRange("16", "2.50");
    programAndWait();
    ASSERT_EQ(titlesAsked(), std::vector<QString>{"Check Scale Connection"});
    EXPECT_EQ(dialogs().asked()[0].buttons, app::Message::Buttons::Ok);
    EXPECT_FALSE(form().progbarKey->isVisible());
    EXPECT_TRUE(form().cmdProgram->isEnabled());
    EXPECT_TRUE(form().cmdClose->isEnabled());
}

}  // namespace
}  // namespace vantor::test
