// The zone form as the user meets it, offscreen: its texts, the paste box, the link, and whole
// programmings on the scale worker with the simulator on a pseudo-terminal as the scale.

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <iterator>

#include "platform/firmware/HistoryFile.h"
#include "platform/scale/SerialTransport.h"
#include "support/SimulatedScaleFixture.h"
#include "support/SimulatorProcess.h"
#include "ui/app/ClickableLabel.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/scale/frmErrorScaleCom.h"
#include "ui/zones/frmProgramZip.h"

namespace vantor::test {
namespace {

using app::Message;
using zones::frmProgramZip;

constexpr int kWaitMs = 30000;
const QString kExample =
    QStringLiteral("Zone Chart\r\n3-digit ZIP Code prefix is 123\r\n005 4 006---009 5*\r\n010---012 6\r\n");

class ProgramZipFormTest : public SimulatedScaleFixture {
protected:
    frmProgramZip& zip() { return program().form<frmProgramZip>(); }
    app::frmWelcome& menu() { return program().form<app::frmWelcome>(); }

    // As the chooser opens it: the menu steps aside, the zone form comes up.
    void openForm() {
        menu().showForm();
        menu().Timer1.stop();
        menu().stepAside();
        zip().showForm();
    }

    void pasteChart(const QString& text) {
        desktop().clipboard = text;
        click(zip(), QStringLiteral("cmdPaste"));
    }

    QPushButton* button(const char* name) { return control<QPushButton>(zip(), QLatin1String(name)); }
    QPlainTextEdit* box() { return zip().txtZipZone; }
};

TEST_F(ProgramZipFormTest, TextsAsTheUserReadsThem) {
    openForm();
    EXPECT_EQ(control<QLabel>(zip(), "lblInstruction2")->text(),
              "2. Get the zone chart of the zip that you want to use in your Vantor USA scale.\n\n"
              "3. In the web page, type your 3-digit zip prefix and click Get Zone Chart button.\n\n"
              "4. Wait for the web page to display the entire zone chart.\n\n"
              "5. On the Edit menu of your web browser, click Select All. You will notice that the whole "
              "contents of the web page are highlighted.\n\n"
              "6. On the Edit menu of your web browser, click Copy.\n\n"
              "7. Go back to Program Zip/Zone window of Vantor USA PC Program.\n\n"
              "8. Paste the data that you copied on the textbox on the left. You should see the data for "
              "zip/zone.\n\n"
              "9. Click Program button.\n\n"
              "10. Wait for a confirmation of successful zip/zone programming.");
    EXPECT_TRUE(control<QLabel>(zip(), "lblSite")->text().endsWith("/Zonecharts"));
    auto* progress = control<QProgressBar>(zip(), "progbarZipZone");
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 768);
    EXPECT_FALSE(progress->isVisible());
    auto* status = control<QLabel>(zip(), "lblProgramming");
    EXPECT_EQ(status->text(), "Programming postal zones into Vantor scale....");
    EXPECT_FALSE(status->isVisible());
}

TEST_F(ProgramZipFormTest, PasteLocksTheBoxAndClearEmptiesAndUnlocksIt) {
    openForm();
    EXPECT_FALSE(box()->isReadOnly());

    pasteChart(kExample);
    EXPECT_EQ(box()->toPlainText(), QString(kExample).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_TRUE(box()->isReadOnly());
    EXPECT_EQ(button("cmdPaste")->text(), "C&lear");
    EXPECT_EQ(button("cmdPaste")->toolTip(), "Click to clear current data");

    click(zip(), QStringLiteral("cmdPaste"));
    EXPECT_TRUE(box()->toPlainText().isEmpty());
    EXPECT_FALSE(box()->isReadOnly());
    EXPECT_EQ(button("cmdPaste")->text(), "P&aste");
    EXPECT_EQ(button("cmdPaste")->toolTip(), "Click to paste copied data from USPS website");

    // Pasted with the keyboard: locked the same way.
    box()->insertPlainText(QStringLiteral("005 4"));
    EXPECT_TRUE(box()->isReadOnly());
    EXPECT_EQ(button("cmdPaste")->text(), "C&lear");

    // An empty clipboard leaves nothing to lock.
    click(zip(), QStringLiteral("cmdPaste"));
    pasteChart(QString());
    EXPECT_FALSE(box()->isReadOnly());
    EXPECT_EQ(button("cmdPaste")->text(), "P&aste");
}

TEST_F(ProgramZipFormTest, TheSiteLinkOpensTheZoneChartPageWithoutReportingFailures) {
    openForm();
    desktop().openResult = 2;  // the system could not open it
    QTest::mouseClick(control<app::ClickableLabel>(zip(), "lblSite"), Qt::LeftButton);
    ASSERT_EQ(desktop().opened.size(), 1);
    EXPECT_TRUE(desktop().opened[0].startsWith("https://"));
    EXPECT_TRUE(desktop().opened[0].endsWith("/Zonecharts"));
    EXPECT_TRUE(dialogs().asked().empty());
}

TEST_F(ProgramZipFormTest, CloseGivesTheMenuBack) {
    openForm();
    ASSERT_FALSE(menu().isEnabled());
    click(zip(), QStringLiteral("cmdClose"));
    EXPECT_FALSE(zip().isLoaded());
    EXPECT_TRUE(menu().isEnabled());
    EXPECT_FALSE(menu().isMinimized());
}

TEST_F(ProgramZipFormTest, ProgramRefusesWhatCannotBeWrittenAndAsksBeforeWriting) {
    openForm();
    click(zip(), QStringLiteral("cmdProgram"));
    pasteChart(QStringLiteral("Zone Chart\r\n3-digit ZIP Code prefix is 004\r\n005 4\r\n"));
    click(zip(), QStringLiteral("cmdProgram"));
    click(zip(), QStringLiteral("cmdPaste"));
    // Copied from a browser, the blanks of the page may be non-breaking spaces.
    pasteChart(QString(kExample).replace(QLatin1Char(' '), QChar(0x00A0)));
    dialogs().answer(app::Answer::No);
    click(zip(), QStringLiteral("cmdProgram"));
    EXPECT_EQ(zip().Chart.ZipCount, 3);

    const auto& asked = dialogs().asked();
    ASSERT_EQ(asked.size(), 3u);
    // The chart's refusals (the zone flow's tests check each text) reach the user with their
    // title, icon and OK button.
    EXPECT_EQ(asked[0].title, "No Zip/Zone Data");
    EXPECT_EQ(asked[0].text,
              "There's no zip/zone data to program on Vantor scale. Please read the instructions.");
    EXPECT_EQ(asked[0].icon, Message::Icon::Exclamation);
    EXPECT_EQ(asked[1].title, "Invalid Data");
    EXPECT_EQ(asked[1].icon, Message::Icon::None);
    EXPECT_EQ(asked[1].buttons, Message::Buttons::Ok);
    EXPECT_EQ(asked[2].title, "Confirm Zip/Zone Programming");
    EXPECT_EQ(
        asked[2].text,
        "You are going to program your scale's postal zones using zip 123.\n3 destination ranges were read "
        "from the zone chart.\nThe chart ends at destination 012, so destinations 013 to 999 will have no "
        "zone in "
        "the scale. If you copied only part of the chart, answer No and copy the whole page again.\nAre you "
        "sure you want to continue?");
    EXPECT_EQ(asked[2].icon, Message::Icon::Question);
    EXPECT_EQ(asked[2].buttons, Message::Buttons::YesNo);
    // Declined: no run, the chart stays.
    EXPECT_FALSE(zip().running());
    EXPECT_FALSE(program().scale().busy());
    EXPECT_FALSE(box()->toPlainText().isEmpty());
    EXPECT_FALSE(zip().progbarZipZone->isVisible());
}

TEST_F(ProgramZipFormTest, AWholeProgrammingWritesTheTableIntoTheScale) {
    SimulatorProcess simulator({"--serial", "24681357", "--memory", memoryFile()});
    openForm();
    useScalePort(simulator.devicePath());
    std::vector<int> progress;
    QObject::connect(zip().progbarZipZone, &QProgressBar::valueChanged, &zip(),
                     [&](int value) { progress.push_back(value); });

    pasteChart(
        QStringLiteral("Zone Chart\r\n3-digit ZIP Code prefix is 123\r\n"
                       "005 4     300---310 7*    012 6\r\n006---009 5\r\n"));
    dialogs().answer(app::Answer::Yes);
    click(zip(), QStringLiteral("cmdProgram"));

    // During the run nothing that changes the chart or leaves the form can be used.
    ASSERT_TRUE(zip().running());
    EXPECT_FALSE(button("cmdPaste")->isEnabled());
    EXPECT_FALSE(button("cmdProgram")->isEnabled());
    EXPECT_FALSE(button("cmdClose")->isEnabled());
    EXPECT_TRUE(zip().progbarZipZone->isVisible());
    EXPECT_TRUE(zip().lblProgramming->isVisible());
    zip().close();
    EXPECT_TRUE(zip().isVisible());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !zip().running(); }, kWaitMs));

    ASSERT_EQ(dialogs().asked().size(), 2u);
    EXPECT_EQ(dialogs().asked()[1].title, "Successful Zip/Zone Programming");
    EXPECT_EQ(dialogs().asked()[1].text, "Zip/Zone programming successful!");
    EXPECT_EQ(dialogs().asked()[1].icon, Message::Icon::Information);
    EXPECT_EQ(std::vector<int>(progress.begin(), progress.end() - 1),
              (std::vector<int>{128, 256, 384, 512, 640, 768}));
    EXPECT_EQ(progress.back(), 0);
    // The form is ready for the next chart.
    EXPECT_TRUE(box()->toPlainText().isEmpty());
    EXPECT_FALSE(box()->isReadOnly());
    EXPECT_EQ(button("cmdPaste")->text(), "P&aste");
    EXPECT_TRUE(button("cmdClose")->isEnabled());
    EXPECT_FALSE(zip().progbarZipZone->isVisible());
    EXPECT_FALSE(zip().lblProgramming->isVisible());
    EXPECT_FALSE(workerPort().second) << "the port is left to other programs";
    EXPECT_TRUE(program().form<firmware::frmDisplay>().ScaleCom);

    ASSERT_EQ(simulator.stop(), 0);
    const Bytes scale = memory();
    ASSERT_EQ(scale.size(), 0x10000u);
    Bytes zones(256, 0), prefixes(512, 0);
    const std::pair<int, int> sorted[] = {{5, 4}, {9, 5}, {12, 6}, {310, 7}};
    for (std::size_t i = 0; i < std::size(sorted); ++i) {
        zones[i] = static_cast<Byte>(sorted[i].second);
        prefixes[2 * i] = static_cast<Byte>(sorted[i].first >> 8);
        prefixes[2 * i + 1] = static_cast<Byte>(sorted[i].first & 0xFF);
    }
    EXPECT_EQ(Bytes(scale.begin() + 0x8000, scale.begin() + 0x8100), zones);
    EXPECT_EQ(Bytes(scale.begin() + 0x8100, scale.begin() + 0x8300), prefixes);
    EXPECT_EQ(scale[0x8300], 0xFF);
    const auto history = firmware::readHistoryFile().records;
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(std::tie(history[0].operation, history[0].what, history[0].pages, history[0].ok),
              std::tuple("zones", "origin 123", 6u, true));
}

// Retry writes the whole table again; a write that fails once more is said as a table written in
// part, and the chart stays for another Program.
TEST_F(ProgramZipFormTest, RetryWritesTheTableAgainAndAPartWrittenTableIsSaidAsSuch) {
    SimulatorProcess simulator({"--fault", "refuse:unlock:count=4"});
    openForm();
    useScalePort(simulator.devicePath());
    pasteChart(kExample);
    dialogs().answer(app::Answer::Yes);
    bool enabledDuringDialog = false;
    dialogs().onModal([&](app::Form& error) {
        enabledDuringDialog = zip().isEnabled();
        click(error, QStringLiteral("cmdRetry"));
    });
    click(zip(), QStringLiteral("cmdProgram"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box()->toPlainText().isEmpty(); }, kWaitMs));

    ASSERT_EQ(dialogs().shown().size(), 1u);
    EXPECT_EQ(dialogs().shown()[0].form, "frmErrorScaleCom");
    EXPECT_EQ(dialogs().shown()[0].title, "Error Communicating with the Scale");
    EXPECT_TRUE(enabledDuringDialog);
    // Retry is no firmware update: the table was written from this form.
    EXPECT_FALSE(program().hasForm<firmware::frmDisplay>() &&
                 program().form<firmware::frmDisplay>().isVisible());
    EXPECT_EQ(dialogs().asked().back().text.toStdString(), zones::successMessage().text);
    ASSERT_EQ(simulator.stop(), 0);

    // Page 8100 refused on both tries: two of six pages are written, and the user is told so.
    SimulatorProcess refusing({"--fault", "refuse:write:addr=0x8100"});
    useScalePort(refusing.devicePath());
    pasteChart(kExample);
    dialogs().answer(app::Answer::Yes);
    dialogs().onModal([&](app::Form& error) { click(error, QStringLiteral("cmdRetry")); });
    click(zip(), QStringLiteral("cmdProgram"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return dialogs().asked().back().text.toStdString() == zones::incompleteTableMessage(2, 6).text;
        },
        kWaitMs));
    EXPECT_EQ(dialogs().shown().size(), 2u);
    EXPECT_FALSE(zip().running());
    EXPECT_TRUE(zip().isEnabled());
    EXPECT_FALSE(box()->toPlainText().isEmpty());
    EXPECT_TRUE(button("cmdProgram")->isEnabled());
    ASSERT_EQ(refusing.stop(), 0);
}

TEST_F(ProgramZipFormTest, AnUnlockOrWriteTimeOutDisablesTheFormUntilRetryHandsItBack) {
    using scale::Outcome;
    using scale::Stage;
    struct Case {
        Stage stage;
        Outcome outcome;
        bool disabled;
    };
    const Case cases[] = {
        {Stage::Unlock, Outcome::NoReply, true},
        {Stage::Write, Outcome::NoReply, true},
        {Stage::ReadBack, Outcome::NoReply, false},
        {Stage::Unlock, Outcome::Refused, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.stage) * 10 + static_cast<int>(c.outcome));
        openForm();
        pasteChart(kExample);
        scale::OperationResult result = scale::failedAt(c.stage, c.outcome);
        result.page = 0x8000;
        result.pagesTotal = 6;
        bool enabledDuringDialog = true;
        dialogs().onModal([&](app::Form& error) {
            enabledDuringDialog = zip().isEnabled();
            click(error, QStringLiteral("cmdRetry"));
        });

        zip().programmingEnded(result);

        EXPECT_EQ(enabledDuringDialog, !c.disabled);
        EXPECT_TRUE(zip().isEnabled()) << "Retry hands the form back usable";
        EXPECT_FALSE(box()->toPlainText().isEmpty());

        // Closed and opened again, the form is usable and empty.
        zip().close();
        EXPECT_FALSE(zip().isLoaded());
        EXPECT_TRUE(menu().isEnabled());
        openForm();
        EXPECT_TRUE(zip().isEnabled());
        EXPECT_TRUE(box()->toPlainText().isEmpty());
        zip().close();
    }
}

}  // namespace
}  // namespace vantor::test
