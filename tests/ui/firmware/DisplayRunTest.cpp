// The update form as the user meets it: shown, it loads the update file and programs the scale on
// the scale worker while the form keeps answering; the simulator on a pseudo-terminal is the scale.

#include <QAction>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/Sha256.h"
#include "core/firmware/TablesMessages.h"
#include "core/firmware/UpdateJournal.h"
#include "core/firmware/UserTables.h"
#include "core/scale/ScaleLink.h"
#include "platform/app/SerialNumberSetting.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/JournalFile.h"
#include "platform/scale/SerialTransport.h"
#include "support/ScopedEnvironment.h"
#include "support/SimulatedScaleFixture.h"
#include "support/SimulatorProcess.h"
#include "ui/app/frmSuccessUpdate.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/scale/frmErrorScaleCom.h"

using namespace std::chrono_literals;

namespace vantor::test {
namespace {

using firmware::frmDisplay;
using firmware::ImageBuffer;

constexpr int kWaitMs = 20000;
const QString kFixtures = QStringLiteral(VANTOR_FIXTURES_DIR "/hex/");

class DisplayRunTest : public SimulatedScaleFixture {
protected:
    frmDisplay& display() { return program().form<frmDisplay>(); }
    QString updateFile() { return program().programFile(QStringLiteral("VantorUSA_APROM.hex")); }

    void putUpdateFile(const char* fixture) {
        QFile::remove(updateFile());
        ASSERT_TRUE(QFile::copy(kFixtures + QLatin1String(fixture), updateFile()));
    }

    std::string link(const char* name) { return program().programFile(QLatin1String(name)).toStdString(); }

    // Two device links, the names an adapter may come back under, listed for detection.
    std::pair<std::string, std::string> listTwoLinks() {
        const std::string before = link("scale-a"), after = link("scale-b");
        m_environment.set("VANTOR_ONLY_PORTS", QByteArray::fromStdString(before + ":" + after));
        return {before, after};
    }

    // Past the reading of the user's tables: the bar shows the run itself.
    bool runUnderWay() {
        return display().running() && display().lblStatus->text() != "Saving your zone table and keys...";
    }

    // Every value the progress bar showed for the run, in order.
    void recordProgress() {
        QObject::connect(display().ProgressBar1, &QProgressBar::valueChanged, &display(), [this](int value) {
            if (runUnderWay())
                m_progress.push_back(value);
        });
    }

    bool successShown() {
        return program().hasForm<app::frmSuccessUpdate>() &&
               program().form<app::frmSuccessUpdate>().isVisible();
    }
    bool errorShown() {
        return program().hasForm<scale::frmErrorScaleCom>() &&
               program().form<scale::frmErrorScaleCom>().isVisible();
    }

    static Bytes expectedMemory(const char* fixture, std::string_view serial) {
        auto load = firmware::IntelHexLoader::loadFile((kFixtures + QLatin1String(fixture)).toStdString());
        ImageBuffer image = load.image.value_or(ImageBuffer());
        image.UpdateSN(serial);
        return Bytes(image.bytes().begin(), image.bytes().end());
    }

    std::vector<int> m_progress;
    ScopedEnvironment m_environment;
};

TEST_F(DisplayRunTest, ShownItProgramsTheScaleAndHandsOverToTheFinalScreen) {
    SimulatorProcess simulator({"--serial", "24681357", "--memory", memoryFile()});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());
    recordProgress();

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));

    EXPECT_FALSE(display().isVisible());
    EXPECT_FALSE(display().isLoaded());
    EXPECT_FALSE(QFile::exists(updateFile()));
    EXPECT_EQ(program().form<app::frmSuccessUpdate>().windowTitle(), "Updating Scale Information");
    EXPECT_EQ(display().ScaleSerial, "24681357");
    EXPECT_TRUE(display().ScaleCom);
    EXPECT_TRUE(dialogs().asked().empty());
    ASSERT_FALSE(m_progress.empty());
    EXPECT_TRUE(std::is_sorted(m_progress.begin(), m_progress.end()));
    EXPECT_LE(m_progress.back(), 511);
    EXPECT_GE(m_progress.back(), 256);

    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("sample-update.hex", "24681357"));
}

TEST_F(DisplayRunTest, FormKeepsAnsweringWhileAPageIsBeingVerified) {
    // The first read-back is answered late: the user interface must go on meanwhile.
    SimulatorProcess simulator({"--fault", "delay:read:addr=0:ms=1500:count=1"});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());

    int ticksWhileVerifying = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (display().running() && display().ProgressBar1->value() >= 256)
            ++ticksWhileVerifying;
    });
    ticker.start(20);
    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    EXPECT_GE(ticksWhileVerifying, 30);  // 75 when nothing else delays the ticks
}

TEST_F(DisplayRunTest, RefusedFileIsNamedByLineAndNothingReachesTheScale) {
    SimulatorProcess simulator;
    putUpdateFile("html-page.hex");
    useScalePort(simulator.devicePath());

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs().asked().empty(); }, kWaitMs));
    const auto& message = dialogs().asked().front();
    EXPECT_EQ(message.title, "Update File Refused");
    // The loader's own reason (its wording is the loader's to check), whole.
    const firmware::HexLoad page =
        firmware::IntelHexLoader::loadFile((kFixtures + "html-page.hex").toStdString());
    EXPECT_EQ(message.text.toStdString(), page.error.message());
    EXPECT_EQ(message.icon, app::Message::Icon::Exclamation);
    EXPECT_FALSE(display().running());
    EXPECT_FALSE(display().imageLoaded());
    EXPECT_FALSE(display().ProgressBar1->isVisible());
    EXPECT_TRUE(display().isVisible());
    EXPECT_FALSE(workerPort().second);  // the port was never opened: not one byte went out

    // Nor can the service menu program the empty image that is left.
    display().Program_Click();
    ASSERT_EQ(dialogs().asked().size(), 2u);
    EXPECT_EQ(dialogs().asked()[1].text, "Load the update file before programming the scale.");
    EXPECT_FALSE(workerPort().second);
}

TEST_F(DisplayRunTest, MissingFileIsSaidClearlyAndNothingIsSent) {
    SimulatorProcess simulator;
    useScalePort(simulator.devicePath());
    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs().asked().empty(); }, kWaitMs));
    EXPECT_EQ(dialogs().asked().front().title, "Update File Refused");
    // The loader's own sentence, naming the file the form looked for.
    EXPECT_EQ(dialogs().asked().front().text.toStdString(),
              firmware::IntelHexLoader::loadFile(updateFile().toStdString()).error.message());
    EXPECT_FALSE(workerPort().second);
}

TEST_F(DisplayRunTest, LoaderSetsTheKindCaptionsAndPacksTheStoredSerialNumber) {
    app::SerialNumberSetting::save(QStringLiteral("09120045"));
    putUpdateFile("ldrom-marker.hex");
    display().load();
    EXPECT_EQ(action(display(), "mnuAPROM")->text(), "->APROM<-");
    EXPECT_EQ(display().imageBuffer()[0x0701], 0x12);  // a fresh form already carries the number

    click(display(), "LoadHex");
    EXPECT_TRUE(display().imageLoaded());
    EXPECT_EQ(action(display(), "mnuAPROM")->text(), "  APROM  ");
    EXPECT_EQ(action(display(), "mnuLDROM")->text(), "->LDROM<-");
    EXPECT_TRUE(control<QRadioButton>(display(), "LDROM")->isChecked());
    EXPECT_EQ(Bytes(display().imageBuffer().bytes().begin() + 0x06FF,
                    display().imageBuffer().bytes().begin() + 0x0704),
              (Bytes{0x55, 0x09, 0x12, 0x00, 0x45}));
    EXPECT_EQ(display().pageQuarter(), 0);
    EXPECT_FALSE(control<QPushButton>(display(), "cmdPageUp")->isEnabled());
    EXPECT_TRUE(control<QPushButton>(display(), "cmdPageDown")->isEnabled());

    action(display(), "mnuAPROM")->trigger();
    EXPECT_EQ(action(display(), "mnuAPROM")->text(), "->APROM<-");
    EXPECT_EQ(action(display(), "mnuLDROM")->text(), "  LDROM  ");
    EXPECT_EQ(display().imageBuffer()[0x06FF], 0x55);  // the selection changes no byte
}

TEST_F(DisplayRunTest, RefusedUnlockSaysSerialNumberWrongAndWritesNothing) {
    SimulatorProcess simulator({"--fault", "refuse:unlock", "--memory", memoryFile()});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs().asked().empty(); }, kWaitMs));
    EXPECT_EQ(dialogs().asked().front().text, "Serial number wrong");
    EXPECT_EQ(dialogs().asked().front().buttons, app::Message::Buttons::Ok);
    EXPECT_TRUE(display().isVisible());
    EXPECT_TRUE(display().ProgressBar1->isVisible());
    EXPECT_FALSE(display().running());
    EXPECT_FALSE(errorShown());
    EXPECT_TRUE(display().cmdRetry->isVisible() && display().cmdExit->isVisible()) << "a way on";

    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("end-only.hex", "12345678"));  // as it was
}

TEST_F(DisplayRunTest, FailedRunShowsTheErrorDialogWhoseRetryProgramsAgain) {
    // Page 0380 is refused six times: the first run gives up after five restarts, the second succeeds.
    SimulatorProcess simulator({"--fault", "refuse:write:addr=0x0380:count=6", "--memory", memoryFile()});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return errorShown(); }, kWaitMs));
    EXPECT_FALSE(display().isVisible());
    EXPECT_FALSE(display().ScaleCom);
    EXPECT_FALSE(display().AskExit);
    EXPECT_TRUE(QFile::exists(updateFile()));
    EXPECT_TRUE(dialogs().asked().empty());

    click(program().form<scale::frmErrorScaleCom>(), "cmdRetry");
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    EXPECT_FALSE(errorShown());
    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("sample-update.hex", "12345678"));
}

// The cable is pulled in the middle of the run; the adapter comes back under another name and the
// scale with the pages it had stored. Retry finds it and completes the run.
TEST_F(DisplayRunTest, RetryAfterThePulledCableFindsTheScaleUnderItsNewName) {
    const auto [before, after] = listTwoLinks();
    auto first = std::make_unique<SimulatorProcess>(
        std::vector<std::string>{"--serial", "24681357", "--memory", memoryFile()});
    first->plugInAt(before);
    putUpdateFile("sample-update.hex");
    useScalePort(before, "24681357");
    QObject::connect(display().ProgressBar1, &QProgressBar::valueChanged, &display(), [&](int value) {
        if (value >= 100 && first)
            first->stop();
    });

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return errorShown(); }, kWaitMs));
    first.reset();
    std::filesystem::remove(before);
    SimulatorProcess again({"--serial", "24681357", "--memory", memoryFile()});
    again.plugInAt(after);

    click(program().form<scale::frmErrorScaleCom>(), "cmdRetry");
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    EXPECT_TRUE(dialogs().asked().empty());
    ASSERT_EQ(again.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("sample-update.hex", "24681357"));
}

TEST_F(DisplayRunTest, AnotherScaleFoundAtRetryIsReportedAndNotProgrammed) {
    const auto [before, after] = listTwoLinks();
    SimulatorProcess other({"--serial", "11223344", "--memory", memoryFile()});
    other.plugInAt(after);
    putUpdateFile("sample-update.hex");
    useScalePort(before, "24681357");

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return errorShown(); }, kWaitMs));
    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].text,
              "Another scale (serial number 11223344) is connected now. Connect the scale that was being "
              "updated, then click Retry.");
    ASSERT_EQ(other.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("end-only.hex", "11223344"));  // as it was
}

// The cable is pulled mid-run and another scale is plugged in under the same name: its refusal of
// the unlock is no "Serial number wrong" dead end, but names it and offers Retry and Exit again.
TEST_F(DisplayRunTest, AnotherScaleOnTheOldPortAfterAReplugIsNamedAndRetryIsOfferedAgain) {
    const std::string port = link("scale-a");
    m_environment.set("VANTOR_ONLY_PORTS", QByteArray::fromStdString(port));
    auto first = std::make_unique<SimulatorProcess>(std::vector<std::string>{"--serial", "24681357"});
    first->plugInAt(port);
    putUpdateFile("sample-update.hex");
    useScalePort(port, "24681357");
    QObject::connect(display().ProgressBar1, &QProgressBar::valueChanged, &display(), [&](int value) {
        if (value >= 100 && first)
            first->stop();
    });
    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return errorShown(); }, kWaitMs));
    first.reset();
    std::filesystem::remove(port);
    SimulatorProcess other({"--serial", "11223344", "--memory", memoryFile()});
    other.plugInAt(port);

    click(program().form<scale::frmErrorScaleCom>(), "cmdRetry");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs().asked().empty() && errorShown(); }, kWaitMs));
    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].text,
              "Another scale (serial number 11223344) is connected now. Connect the scale that was being "
              "updated, then click Retry.");
    EXPECT_FALSE(display().isVisible());
    ASSERT_EQ(other.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("end-only.hex", "11223344"));  // as it was
}

// No room for the update's notes: nothing is written, and the form offers Retry, which goes on
// once there is room.
TEST_F(DisplayRunTest, NoRoomForTheUpdatesNotesLeavesRetryWhichGoesOnOnceThereIsRoom) {
    SimulatorProcess simulator({"--memory", memoryFile()});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());
    const QString journals = firmware::JournalFile::folder();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(journals).absolutePath()));
    QFile blocker(journals);  // a file where the folder should be: the notes cannot be written
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs().asked().empty(); }, kWaitMs));
    EXPECT_TRUE(dialogs().asked()[0].text.startsWith("The update cannot begin"));
    EXPECT_TRUE(display().isVisible());
    EXPECT_TRUE(display().cmdRetry->isVisible());
    EXPECT_TRUE(display().cmdExit->isVisible());

    ASSERT_TRUE(QFile::remove(journals));
    click(display(), "cmdRetry");
    EXPECT_FALSE(display().cmdRetry->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("sample-update.hex", "12345678"));
}

TEST_F(DisplayRunTest, NoSecondRunStartsInsideARunningOne) {
    SimulatorProcess simulator({"--fault", "delay:read:addr=0:ms=800:count=1"});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return display().ProgressBar1->value() >= 256; }, kWaitMs));
    ASSERT_TRUE(display().running());
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&display(), &activate);
    display().Program_Click();
    click(display(), "Program");
    EXPECT_FALSE(action(display(), "mnuProgram")->isEnabled());

    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    EXPECT_TRUE(dialogs().asked().empty());  // a second start would have found the link busy
}

// Closing the form mid-run asks the quit question with the run held between two exchanges:
// Cancel goes on where the run stood, Yes ends the program with no page half sent.
TEST_F(DisplayRunTest, TheRunWaitsWhileTheQuitQuestionIsOpen) {
    // At the wire's own pace the run is far from its end whenever the form is closed.
    SimulatorProcess simulator({"--wire-timing"});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());
    scale::PauseGate& gate = program().scale().pauseGate();
    display().showForm();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return runUnderWay() && display().ProgressBar1->value() >= 2; }, kWaitMs));
    int held = -1;
    const auto askAndAnswer = [&](const char* answer) {
        return [&, answer](app::Form& quit) {
            EXPECT_EQ(quit.windowTitle(), "Quit PC Program");
            EXPECT_TRUE(control<QLabel>(quit, "lblUnfinished")->isVisible());
            EXPECT_EQ(control<QLabel>(quit, "lblUnfinished")->text(),
                      "Your scale will not work until it has been updated.");
            EXPECT_TRUE(QTest::qWaitFor([&] { return gate.holding(); }, kWaitMs));
            QCoreApplication::processEvents();
            held = display().ProgressBar1->value();
            QCoreApplication::processEvents();
            EXPECT_EQ(display().ProgressBar1->value(), held);
            EXPECT_TRUE(gate.holding());
            click(quit, QLatin1String(answer));
        };
    };

    dialogs().onModal(askAndAnswer("cmdCancel"));
    display().close();
    EXPECT_TRUE(display().isVisible());
    recordProgress();
    ASSERT_TRUE(QTest::qWaitFor([&] { return display().ProgressBar1->value() >= held + 2; }, kWaitMs));
    ASSERT_FALSE(m_progress.empty());
    EXPECT_GE(m_progress.front(), held) << "the run went on where it stood";

    dialogs().onModal(askAndAnswer("cmdYes"));
    display().close();
    EXPECT_EQ(endCount(), 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(display().running());
    EXPECT_FALSE(errorShown());
    EXPECT_TRUE(dialogs().asked().empty());
    EXPECT_TRUE(dialogs().allScriptUsed());
}

TEST_F(DisplayRunTest, EndingTheProgramStopsTheRunPromptlyAndReleasesThePort) {
    SimulatorProcess simulator({"--wire-timing"});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());

    display().showForm();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return runUnderWay() && display().ProgressBar1->value() >= 4; }, kWaitMs));
    const auto started = std::chrono::steady_clock::now();
    program().end();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_EQ(endCount(), 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs().asked().empty());
    EXPECT_FALSE(errorShown());

    // The port is free again: another program can open it and talk to the scale.
    scale::SerialTransport transport;
    transport.setPortName(QString::fromStdString(simulator.devicePath()));
    ASSERT_FALSE(transport.open());
    EXPECT_EQ(scale::RdSN(transport).serial, "12345678");
}

}  // namespace
}  // namespace vantor::test

namespace vantor::test {
namespace {

// A programmed zone table and keys, 8000 to 91FF.
Bytes programmedTables() {
    Bytes tables(0x1200);
    for (std::size_t a = 0x8000; a < 0x9200; ++a)
        tables[a - 0x8000] = static_cast<Byte>(a * 11 + 3);
    return tables;
}

Bytes tablesOf(const Bytes& memory) {
    return Bytes(memory.begin() + 0x8000, memory.begin() + 0x9200);
}

}  // namespace

// The update file leaves the tables region blank. The first run fails after it has written over
// the user's tables; the Retry must offer back the tables read before that first run, not the
// blank region the scale holds by then.
TEST_F(DisplayRunTest, TheUsersTablesReadBeforeTheFirstRunAreWrittenBackAfterTheUpdate) {
    writeMemory("24681357", 0x8000, programmedTables());
    const Bytes userTables = tablesOf(memory());
    SimulatorProcess simulator({"--memory", memoryFile(), "--fault", "corrupt:read:addr=0:count=4"});
    putUpdateFile("one-record.hex");
    useScalePort(simulator.devicePath());
    QStringList statuses;
    QObject::connect(display().ProgressBar1, &QProgressBar::valueChanged, &display(),
                     [&] { statuses.append(display().lblStatus->text()); });

    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return errorShown(); }, kWaitMs));
    EXPECT_TRUE(statuses.contains("Saving your zone table and keys..."));
    ASSERT_TRUE(display().update() && display().update()->tables());
    EXPECT_EQ(*display().update()->tables(), userTables);
    const QString backup = QString::fromStdString(display().update()->tablesWhere());
    EXPECT_TRUE(backup.startsWith(program().programFolder() + "/Tables-24681357-")) << backup.toStdString();
    const auto file = firmware::IntelHexLoader::loadFile(backup.toStdString());
    ASSERT_TRUE(file.image);
    EXPECT_EQ(tablesOf(Bytes(file.image->bytes().begin(), file.image->bytes().end())), userTables);

    // The offer closed without an answer is made again: only No gives the tables up.
    dialogs().answer(app::Answer::Cancel);
    dialogs().answer(app::Answer::Yes);
    click(program().form<scale::frmErrorScaleCom>(), "cmdRetry");
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    ASSERT_EQ(dialogs().asked().size(), 3u);
    const auto& offer = dialogs().asked()[0];
    EXPECT_EQ(offer.text.toStdString(), firmware::tables_text::offerRestore(backup.toStdString()).text);
    EXPECT_EQ(offer.icon, app::Message::Icon::Question);
    EXPECT_EQ(offer.buttons, app::Message::Buttons::YesNo);
    EXPECT_TRUE(offer.closeIsNoAnswer);
    EXPECT_EQ(offer.folder, QFileInfo(backup).absolutePath());
    EXPECT_EQ(dialogs().asked()[1].text, offer.text);
    const auto& restored = dialogs().asked()[2];
    EXPECT_EQ(restored.text.toStdString(), firmware::tables_text::restored().text);
    EXPECT_EQ(restored.icon, app::Message::Icon::Information);
    EXPECT_EQ(restored.buttons, app::Message::Buttons::Ok);
    ASSERT_EQ(simulator.stop(), 0);
    Bytes expected = expectedMemory("one-record.hex", "24681357");
    std::copy(userTables.begin(), userTables.end(), expected.begin() + 0x8000);
    EXPECT_EQ(memory(), expected);

    // Both runs and the write-back are in the history.
    std::vector<std::string> history;
    for (const firmware::HistoryRecord& record : firmware::readHistoryFile().records)
        history.push_back(record.serial + " " + record.operation +
                          (record.open ? " begun"
                           : record.ok ? " ok"
                                       : " failed"));
    EXPECT_EQ(history, (std::vector<std::string>{"24681357 update begun", "24681357 update failed",
                                                 "24681357 update begun", "24681357 update ok",
                                                 "24681357 restore ok"}));
}

// A page of the tables that does not come back stops the update before anything is written,
// unless the user agrees to lose them (No is the default).
TEST_F(DisplayRunTest, TablesThatCannotBeReadAreAskedAboutBeforeAnythingIsWritten) {
    writeMemory("24681357", 0x8000, programmedTables());
    SimulatorProcess simulator({"--memory", memoryFile(), "--fault", "echo:read:addr=0x8000:count=8"});
    putUpdateFile("sample-update.hex");
    useScalePort(simulator.devicePath());
    bool ended = false;
    const QObject watcher;  // the connection ends with it, before `ended` does
    QObject::connect(&display(), &firmware::frmDisplay::runEnded, &watcher, [&] { ended = true; });
    dialogs().answer(app::Answer::No);
    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, kWaitMs));
    ASSERT_EQ(dialogs().asked().size(), 1u);
    // The scale answered, with replies that did not fit: the question says so.
    EXPECT_TRUE(dialogs().asked()[0].text.startsWith(
        "Your zone table and keys could not be saved before the update: the scale's reply to the read of "
        "page 8000 did not fit.\n\n"));
    EXPECT_TRUE(dialogs().asked()[0].defaultNo);
    EXPECT_EQ(display().lblStatus->text(), "The scale was not updated; nothing was written to it.");
    EXPECT_FALSE(successShown());

    dialogs().answer(app::Answer::Yes);
    display().Program_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    EXPECT_EQ(dialogs().asked().size(), 2u);
    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(), expectedMemory("sample-update.hex", "24681357"));
}

}  // namespace vantor::test

namespace vantor::test {

// The scale lost its power part way through an update that kept its tables. Asked at the next
// start, the user finishes it: the journal's own copy of the update file is written, then the
// tables saved before the update, and the journal is gone.
TEST_F(DisplayRunTest, AnUnfinishedUpdateIsFinishedFromItsJournal) {
    writeMemory("24681357", 0x8000, programmedTables());
    const Bytes userTables = tablesOf(memory());
    putUpdateFile("one-record.hex");
    {
        SimulatorProcess failing({"--memory", memoryFile(), "--fault", "power-cut:write:nth=300"});
        useScalePort(failing.devicePath());
        bool ended = false;
        const QObject watcher;  // the connection ends with it, before `ended` does
        QObject::connect(&display(), &firmware::frmDisplay::runEnded, &watcher, [&] { ended = true; });
        display().showForm();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, kWaitMs));
        EXPECT_TRUE(program().form<scale::frmErrorScaleCom>().lblTablesSaved->isVisible());
        ASSERT_EQ(failing.stop(), 0);
    }
    EXPECT_EQ(tablesOf(memory()), Bytes(0x1200, 0xFF));  // the run had erased them
    QFile::remove(updateFile());                         // the download is gone: the journal has its own
    program().form<scale::frmErrorScaleCom>().hide();
    display().hide();
    display().unload();

    SimulatorProcess restarted({"--memory", memoryFile()});
    useScalePort(restarted.devicePath());
    dialogs().answer(app::Answer::Yes);  // finish the update now
    dialogs().answer(app::Answer::Yes);  // write the tables back
    ASSERT_TRUE(firmware::frmDisplay::offerToFinish(nullptr, "24681357"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    EXPECT_EQ(dialogs().asked()[0].text,
              QString("The last update of your scale (serial number 24681357) did not finish (%1). Your "
                      "scale will not work until it has been updated.\n\nFinish the update now?")
                  .arg(QDateTime::currentDateTime().toString("yyyy-MM-dd, HH:mm")));
    EXPECT_FALSE(firmware::JournalFile::find(firmware::JournalFile::folder(), "24681357"));
    EXPECT_FALSE(firmware::frmDisplay::offerToFinish(nullptr, "24681357"));
    ASSERT_EQ(restarted.stop(), 0);
    Bytes expected = expectedMemory("one-record.hex", "24681357");
    std::copy(userTables.begin(), userTables.end(), expected.begin() + 0x8000);
    EXPECT_EQ(memory(), expected);
}

}  // namespace vantor::test

namespace vantor::test {

// No to writing the tables back is no success for them: the final screen says where they are,
// the history says they were declined, and the next start offers them until they are written or
// the user leaves them out.
TEST_F(DisplayRunTest, TablesNotWrittenBackAreSaidAndOfferedAgainUntilLeftOut) {
    writeMemory("24681357", 0x8000, programmedTables());
    SimulatorProcess simulator({"--memory", memoryFile()});
    putUpdateFile("one-record.hex");
    useScalePort(simulator.devicePath());
    dialogs().answer(app::Answer::No);
    display().showForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return successShown(); }, kWaitMs));
    const std::string backup = display().update()->tablesWhere();
    auto& final = program().form<app::frmSuccessUpdate>();
    EXPECT_EQ(final.lblTables->text().toStdString(), firmware::tables_text::notInScale(backup));
    EXPECT_TRUE(dialogs().asked()[0].text.contains("If you answer No, the scale has no zone table"));
    const auto records = firmware::readHistoryFile().records;
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().operation, "restore");
    EXPECT_FALSE(records.back().ok);
    EXPECT_EQ(records.back().result, firmware::tables_text::declinedRecord(backup));

    // The next start: Cancel asks again next time, No leaves them out for good.
    const auto journal = firmware::JournalFile::find(firmware::JournalFile::folder(), "24681357");
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->phase, firmware::kTablesDeclinedPhase);
    dialogs().answer(app::Answer::Cancel);
    EXPECT_FALSE(firmware::frmDisplay::offerToFinish(nullptr, "24681357"));
    ASSERT_EQ(dialogs().asked().size(), 2u);
    EXPECT_EQ(dialogs().asked()[1].buttons, app::Message::Buttons::YesNoCancel);
    EXPECT_TRUE(dialogs().asked()[1].text.contains("its zone table and keys were not written back"));
    dialogs().answer(app::Answer::No);
    EXPECT_FALSE(firmware::frmDisplay::offerToFinish(nullptr, "24681357"));
    EXPECT_FALSE(firmware::JournalFile::find(firmware::JournalFile::folder(), "24681357"));
    EXPECT_EQ(firmware::readHistoryFile().records.back().result.rfind("Left out: ", 0), 0u);
    EXPECT_FALSE(firmware::frmDisplay::offerToFinish(nullptr, "24681357"));
    EXPECT_EQ(dialogs().asked().size(), 3u);
    ASSERT_EQ(simulator.stop(), 0);
}

}  // namespace vantor::test

namespace vantor::test {

// An unfinished update of another scale with the same serial number: this scale's own tables are
// not replaced without asking, and No (the default) writes nothing.
TEST_F(DisplayRunTest, AScaleWithOtherTablesThanAnUnfinishedUpdatesIsAskedAbout) {
    writeMemory("24681357", 0x8000, programmedTables());
    const Bytes before = memory();
    const QDir journals(firmware::JournalFile::folder());
    ASSERT_TRUE(journals.mkpath("."));
    const QString image = journals.filePath("Update-24681357.hex");
    ASSERT_TRUE(QFile::copy(kFixtures + "one-record.hex", image));
    QFile imageFile(image);
    ASSERT_TRUE(imageFile.open(QIODevice::ReadOnly));
    const Bytes othersTables(firmware::kTablesSize, 0x5C);
    const std::string backup = journals.filePath("Tables-A.hex").toStdString();
    { std::ofstream(backup, std::ios::binary) << firmware::tablesHex(othersTables); }
    firmware::UpdateJournal journal;
    journal.serial = "24681357";
    journal.imageSha256 =
        QCryptographicHash::hash(imageFile.readAll(), QCryptographicHash::Sha256).toHex().toStdString();
    journal.imageFile = image.toStdString();
    journal.backupFile = backup;
    journal.tablesSha256 = firmware::sha256Hex(othersTables);
    journal.started = "2026-12-08 12:00";
    journal.phase = "writing";
    journal.pages = 288;
    {
        std::ofstream(journals.filePath("Update-24681357.journal").toStdString())
            << firmware::formatJournal(journal);
    }

    SimulatorProcess simulator({"--memory", memoryFile()});
    putUpdateFile("one-record.hex");
    useScalePort(simulator.devicePath());
    dialogs().answer(app::Answer::No);
    ASSERT_TRUE(runToEnd(display(), &frmDisplay::runEnded, [&] { display().showForm(); }));
    ASSERT_EQ(dialogs().asked().size(), 1u);
    EXPECT_EQ(dialogs().asked()[0].text.toStdString(),
              firmware::tables_text::differQuestion("24681357", backup).text);
    EXPECT_TRUE(dialogs().asked()[0].defaultNo);
    EXPECT_EQ(display().lblStatus->text(), "The scale was not updated; nothing was written to it.");
    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(), before);
}

}  // namespace vantor::test
