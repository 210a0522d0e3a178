// vantor-cli's image, flash and read commands, run as a user runs them, against the simulator.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/UpdateSentences.h"
#include "core/firmware/UserTables.h"
#include "core/scale/OperationResult.h"
#include "support/CliScaleFixture.h"
#include "support/SimulatorProcess.h"

using namespace vantor;
using vantor::firmware::ImageBuffer;
using vantor::test::CliRun;
using vantor::test::CliScaleFixture;
using vantor::test::SimulatorProcess;

namespace {

const QString kFixtures = QStringLiteral(VANTOR_FIXTURES_DIR "/hex/");

class CliFirmware : public CliScaleFixture {
protected:
    // The serial number as the program stores it, in the settings folder the tool is given.
    void storeSerial(const QString& serial) {
        QSettings settings(configFolder() + QStringLiteral("/VantorUSA_PCProgram/VantorUSA_PCProgram.conf"),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("Properties/Serial Number"), serial);
    }

    static QByteArray readAll(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    static QByteArray expectedImage(const char* fixture, std::string_view serial) {
        auto load = firmware::IntelHexLoader::loadFile((kFixtures + QLatin1String(fixture)).toStdString());
        EXPECT_TRUE(load.image);
        ImageBuffer image = load.image.value_or(ImageBuffer());
        image.UpdateSN(serial);
        return QByteArray(reinterpret_cast<const char*>(image.bytes().data()),
                          static_cast<qsizetype>(image.bytes().size()));
    }
};

}  // namespace

TEST_F(CliFirmware, ImageIsTheLoadersImageWithTheSerialNumber) {
    const CliRun run =
        cli({"image", kFixtures + "sample-update.hex", "--output", path("out.bin"), "--serial", "09120045"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readAll(path("out.bin")), expectedImage("sample-update.hex", "09120045"));

    // Without --serial: the stored number, or zeros when none is stored.
    EXPECT_EQ(cli({"image", kFixtures + "one-record.hex", "--output", path("none.bin")}).exitCode, 0);
    EXPECT_EQ(readAll(path("none.bin")), expectedImage("one-record.hex", "00000000"));
    storeSerial(QStringLiteral("11223344"));
    EXPECT_EQ(cli({"image", kFixtures + "one-record.hex", "--output", path("stored.bin")}).exitCode, 0);
    EXPECT_EQ(readAll(path("stored.bin")), expectedImage("one-record.hex", "11223344"));
}

TEST_F(CliFirmware, ImageRefusesABadFileWithOneLineAndWritesNothing) {
    const CliRun run = cli({"image", kFixtures + "bad-checksum.hex", "--output", path("out.bin")});
    EXPECT_EQ(run.exitCode, 2);
    // The loader's own reason (its wording is the loader's to check) after the file's name.
    const vantor::firmware::HexLoad load =
        vantor::firmware::IntelHexLoader::loadFile((kFixtures + "bad-checksum.hex").toStdString());
    EXPECT_EQ(run.err,
              kFixtures + "bad-checksum.hex: " + QString::fromStdString(load.error.message()) + "\n");
    EXPECT_FALSE(QFile::exists(path("out.bin")));

    EXPECT_EQ(
        cli({"image", kFixtures + "end-only.hex", "--output", path("x.bin"), "--serial", "1234"}).exitCode,
        2);
    EXPECT_EQ(cli({"image", kFixtures + "end-only.hex"}).exitCode, 2);
    EXPECT_EQ(cli({"image", kFixtures + "end-only.hex", "--output", path("no-such-folder/x.bin")}).exitCode,
              2);
}

TEST_F(CliFirmware, FlashProgramsTheScaleAndReportsProgress) {
    auto simulator = std::make_unique<SimulatorProcess>(
        std::vector<std::string>{"--serial", "24681357", "--memory", path("scale.bin").toStdString()});
    const QString device = QString::fromStdString(simulator->devicePath());

    const CliRun run = cli({"flash", kFixtures + "sample-update.hex", "--port", device});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "Scale 24681357 on " + device + " updated: All 512 pages were written and verified.\n");
    EXPECT_TRUE(run.err.contains("Pages written: 448/512\nPages verified: 0/512\n")) << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith("Pages verified: 512/512\n")) << run.err.toStdString();

    const CliRun dump = cli({"read", "0x6F8", "24", "--port", device});
    EXPECT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    EXPECT_EQ(dump.out,
              "06F8: 17 1E 25 2C 33 3A 41 AA 24 68 13 57 78 7F 86 8D\n"
              "0708: 94 9B A2 A9 B0 B7 BE C5\n");

    ASSERT_EQ(simulator->stop(), 0);
    EXPECT_EQ(readAll(path("scale.bin")), expectedImage("sample-update.hex", "24681357"));
}

TEST_F(CliFirmware, FlashChecksTheWholeFileBeforeLookingForTheScale) {
    for (const char* fixture : {"html-page.hex", "missing-end.hex", "empty.hex", "no-such-file.hex"}) {
        const CliRun run = cli({"flash", kFixtures + fixture, "--port", "/dev/vantor-no-such-port"});
        EXPECT_EQ(run.exitCode, 2) << fixture;
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("vantor-no-such-port")) << run.err.toStdString();
    }
}

TEST_F(CliFirmware, FlashFailuresExitWithOne) {
    SimulatorProcess refusing({"--fault", "refuse:unlock"});
    const CliRun wrong = cli(
        {"flash", kFixtures + "sample-update.hex", "--port", QString::fromStdString(refusing.devicePath())});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.out.isEmpty());
    EXPECT_TRUE(wrong.err.contains("refused the unlock")) << wrong.err.toStdString();

    SimulatorProcess stubborn({"--fault", "refuse:write:addr=0x0380"});
    const CliRun failed = cli(
        {"flash", kFixtures + "sample-update.hex", "--port", QString::fromStdString(stubborn.devicePath())});
    EXPECT_EQ(failed.exitCode, 1);
    // The one sentence about the run, then which scale was left as it was.
    scale::OperationResult refused = scale::failedAt(scale::Stage::Write, scale::Outcome::Refused);
    refused.page = 0x0380;
    refused.pagesDone = 7;
    refused.pagesTotal = 512;
    refused.restarts = 5;
    EXPECT_TRUE(failed.err.contains("The scale on " + QString::fromStdString(stubborn.devicePath()) + ": " +
                                    QString::fromStdString(firmware::update_text::runFailed(refused)) + "\n"))
        << failed.err.toStdString();

    const CliRun missing =
        cli({"flash", kFixtures + "sample-update.hex", "--port", "/dev/vantor-no-such-port"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.startsWith("Cannot open /dev/vantor-no-such-port: "))
        << missing.err.toStdString();
}

TEST_F(CliFirmware, ReadChecksItsNumbers) {
    // A reply for another page is asked again, as every page read is.
    SimulatorProcess simulator({"--serial", "09120045", "--fault", "echo:read:addr=0x0700:count=1"});
    const QString device = QString::fromStdString(simulator.devicePath());
    const CliRun page = cli({"read", "1792", "--port", device});  // one page by default
    EXPECT_EQ(page.exitCode, 0);
    EXPECT_EQ(page.out.count('\n'), 8);
    EXPECT_TRUE(page.out.startsWith("0700: 09 12 00 45 FF FF")) << page.out.toStdString();

    const CliRun last = cli({"read", "0xFFFE", "2", "--port", device});
    EXPECT_EQ(last.out, "FFFE: FF FF\n");
    EXPECT_EQ(cli({"read", "0x10000", "--port", device}).exitCode, 2);
    EXPECT_EQ(cli({"read", "0xFFF0", "17", "--port", device}).exitCode, 2);
    EXPECT_EQ(cli({"read", "twelve", "--port", device}).exitCode, 2);
}

namespace {

// A scale memory file whose tables region holds a pattern, with the scale's serial number.
QByteArray memoryWithTables() {
    QByteArray memory(0x10000, char(0xFF));
    for (int a = 0x8000; a < 0x9200; ++a)
        memory[a] = char(a * 5 + 1);
    memory.replace(0x0700, 4, QByteArray::fromHex("24681357"));
    return memory;
}

}  // namespace

TEST_F(CliFirmware, FlashKeepsTheTablesWhenTheUpdateFileLeavesThemBlank) {
    write("scale.bin", memoryWithTables());
    auto simulator = std::make_unique<SimulatorProcess>(
        std::vector<std::string>{"--memory", path("scale.bin").toStdString()});
    const CliRun run = cli({"flash", kFixtures + "one-record.hex", "--port",
                            QString::fromStdString(simulator->devicePath()), "--keep-tables"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Tables saved to " + dataFolder() +
                                 "/VantorUSA_PCProgram/VantorUSA_PCProgram/Tables-24681357-"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith("Your zone table and keys were written back into the scale and verified.\n"))
        << run.err.toStdString();
    ASSERT_EQ(simulator->stop(), 0);

    QByteArray expected = expectedImage("one-record.hex", "24681357");
    expected.replace(0x8000, 0x1200, memoryWithTables().mid(0x8000, 0x1200));
    EXPECT_EQ(readAll(path("scale.bin")), expected);
}

// The user's tables are never lost: tables that cannot be kept stop flash before anything is
// written, and a write-back that fails is no success.
TEST_F(CliFirmware, FlashStopsWhenTheTablesCannotBeKeptAndFailsWhenTheyDoNotComeBack) {
    write("scale.bin", memoryWithTables());
    const QString scaleFile = path("scale.bin");
    auto unread = std::make_unique<SimulatorProcess>(
        std::vector<std::string>{"--memory", scaleFile.toStdString(), "--fault", "echo:read:addr=0x8800"});
    const CliRun stopped =
        cli({"flash", kFixtures + "one-record.hex", "--port", QString::fromStdString(unread->devicePath())});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_TRUE(stopped.err.contains("Nothing was written: the zone table and keys could not be read."))
        << stopped.err.toStdString();
    EXPECT_TRUE(stopped.err.contains("use --erase-tables")) << stopped.err.toStdString();
    ASSERT_EQ(unread->stop(), 0);
    EXPECT_EQ(readAll(scaleFile), memoryWithTables());

    // A regular file where the data folder should be: no backup file can be saved.
    write("not-a-folder", "x");
    auto noFolder =
        std::make_unique<SimulatorProcess>(std::vector<std::string>{"--memory", scaleFile.toStdString()});
    const CliRun unsaved = test::runCli(
        QStringLiteral(VANTOR_CLI_PATH),
        {"flash", kFixtures + "one-record.hex", "--port", QString::fromStdString(noFolder->devicePath())},
        {{"XDG_CONFIG_HOME", configFolder()}, {"XDG_DATA_HOME", path("not-a-folder")}});
    EXPECT_EQ(unsaved.exitCode, 1);
    EXPECT_TRUE(unsaved.err.contains("Nothing was written: the zone table and keys could not be saved to "))
        << unsaved.err.toStdString();
    ASSERT_EQ(noFolder->stop(), 0);
    EXPECT_EQ(readAll(scaleFile), memoryWithTables());

    // The run verifies, the write-back is refused at page 8800: exit 1, and the backup is named.
    auto refusing = std::make_unique<SimulatorProcess>(std::vector<std::string>{
        "--memory", scaleFile.toStdString(), "--fault", "refuse:write:addr=0x8800:nth=2:count=8"});
    const CliRun incomplete = cli(
        {"flash", kFixtures + "one-record.hex", "--port", QString::fromStdString(refusing->devicePath())});
    EXPECT_EQ(incomplete.exitCode, 1);
    EXPECT_TRUE(incomplete.out.contains(" updated: All 512 pages were written and verified."));
    EXPECT_TRUE(
        incomplete.err.contains("The scale has been updated, but your zone table and keys were not "
                                "written back: The scale refused the write for page 8800; 16 of 36 "
                                "pages were written. They are saved in "))
        << incomplete.err.toStdString();
    EXPECT_TRUE(incomplete.err.contains("Write them into the scale with: vantor-cli restore " + dataFolder() +
                                        "/VantorUSA_PCProgram/VantorUSA_PCProgram/Tables-24681357-"))
        << incomplete.err.toStdString();
}

// The scale loses its power at points through a kept-tables update; after it is back, resume
// finishes the update: the new software, and the user's tables as they were before.
TEST_F(CliFirmware, AnUpdateCutShortIsFinishedByResume) {
    QByteArray finished = expectedImage("one-record.hex", "24681357");
    finished.replace(0x8000, 0x1200, memoryWithTables().mid(0x8000, 0x1200));
    // Reads: the serial number, 36 of the tables, 512 of the verify; writes: 512, then the tables'.
    const char* cuts[] = {"power-cut:write:nth=1",   "power-cut:write:nth=2",  "power-cut:write:nth=256",
                          "power-cut:write:nth=257", "power-cut:read:nth=138", "power-cut:write:nth=522"};
    for (const char* cut : cuts) {
        SCOPED_TRACE(cut);
        write("scale.bin", memoryWithTables());
        SimulatorProcess failing({"--memory", memoryFile(), "--fault", cut});
        const CliRun flash = cli(
            {"flash", kFixtures + "one-record.hex", "--port", QString::fromStdString(failing.devicePath())});
        EXPECT_EQ(flash.exitCode, 1) << flash.err.toStdString();
        ASSERT_EQ(failing.stop(), 0);

        SimulatorProcess restarted({"--memory", memoryFile()});
        const CliRun resume =
            cli({"resume", "--port", QString::fromStdString(restarted.devicePath()), "--yes"});
        EXPECT_EQ(resume.exitCode, 0) << resume.err.toStdString();
        ASSERT_EQ(restarted.stop(), 0);
        EXPECT_EQ(readAll(path("scale.bin")), finished);
    }
    // Nothing is left to finish, and a cut before the first unlock leaves nothing to finish either.
    write("scale.bin", memoryWithTables());
    SimulatorProcess reading({"--memory", memoryFile(), "--fault", "power-cut:read:nth=10"});
    EXPECT_EQ(
        cli({"flash", kFixtures + "one-record.hex", "--port", QString::fromStdString(reading.devicePath())})
            .exitCode,
        1);
    ASSERT_EQ(reading.stop(), 0);
    SimulatorProcess untouched({"--memory", memoryFile()});
    const CliRun nothing = cli({"resume", "--port", QString::fromStdString(untouched.devicePath())});
    EXPECT_EQ(nothing.exitCode, 0);
    EXPECT_EQ(nothing.out, "Scale 24681357 on " + QString::fromStdString(untouched.devicePath()) +
                               ": no unfinished update.\n");
    ASSERT_EQ(untouched.stop(), 0);
    EXPECT_EQ(readAll(path("scale.bin")), memoryWithTables());
}

namespace {

class CliJournal : public CliFirmware {
protected:
    QString journalPath() const {
        return dataFolder() + "/VantorUSA_PCProgram/VantorUSA_PCProgram/Journals/Update-24681357.journal";
    }
    // The backup the unfinished update's journal names.
    QString savedBackup() const {
        QFile journal(journalPath());
        if (!journal.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray& line : journal.readAll().split('\n'))
            if (line.startsWith("backup-file="))
                return QString::fromUtf8(line.mid(12));
        return {};
    }
    static void overwrite(const QString& file) {
        QFile damaged(file);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
        damaged.write("damaged\n");
    }
    // A kept-tables flash of the scale file, cut short by `cut`.
    void flashCutShort(const char* cut) {
        SimulatorProcess failing({"--memory", memoryFile(), "--fault", cut});
        const CliRun flash = cli(
            {"flash", kFixtures + "one-record.hex", "--port", QString::fromStdString(failing.devicePath())});
        EXPECT_EQ(flash.exitCode, 1) << flash.err.toStdString();
        ASSERT_EQ(failing.stop(), 0);
    }
};

}  // namespace

// The backup cannot be read, but the run was cut before it reached the tables: they are read from
// the scale. Cut after it wrote over them: resume stops, and says where the tables were saved.
TEST_F(CliJournal, ResumeKeepsTablesTheUpdateNeverReachedWhenTheirBackupIsLost) {
    QByteArray finished = expectedImage("one-record.hex", "24681357");
    finished.replace(0x8000, 0x1200, memoryWithTables().mid(0x8000, 0x1200));
    write("scale.bin", memoryWithTables());
    flashCutShort("power-cut:write:nth=40");
    overwrite(savedBackup());
    SimulatorProcess restarted({"--memory", memoryFile()});
    const CliRun resume = cli({"resume", "--port", QString::fromStdString(restarted.devicePath()), "--yes"});
    EXPECT_EQ(resume.exitCode, 0) << resume.err.toStdString();
    ASSERT_EQ(restarted.stop(), 0);
    EXPECT_EQ(readAll(path("scale.bin")), finished);

    write("scale.bin", memoryWithTables());
    flashCutShort("power-cut:write:nth=300");
    const QString lost = savedBackup();
    overwrite(lost);
    const QByteArray cut = readAll(path("scale.bin"));
    SimulatorProcess again({"--memory", memoryFile()});
    const CliRun stopped = cli({"resume", "--port", QString::fromStdString(again.devicePath()), "--yes"});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_TRUE(
        stopped.err.contains("Nothing was written: the zone table and keys saved before the unfinished "
                             "update of this scale (" +
                             lost + ") cannot be read, and that update has written over the scale's own."))
        << stopped.err.toStdString();
    ASSERT_EQ(again.stop(), 0);
    EXPECT_EQ(readAll(path("scale.bin")), cut);
}

// Scale A is cut short; B, with the same serial number and tables of its own, is not given A's.
TEST_F(CliJournal, AnotherScaleWithTheSameNumberIsNotGivenTheSavedTables) {
    write("scale.bin", memoryWithTables());
    flashCutShort("power-cut:write:nth=300");
    QByteArray other = memoryWithTables();
    other.replace(0x8000, 0x100, QByteArray(0x100, char(0x42)));
    write("other.bin", other);
    SimulatorProcess b({"--memory", path("other.bin").toStdString()});
    const CliRun run =
        cli({"flash", kFixtures + "one-record.hex", "--port", QString::fromStdString(b.devicePath())}, {},
            test::CliInput::Null);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.err.contains("Nothing was written: the zone table and keys in this scale are neither those "
                         "saved before the unfinished update of its serial number"))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("--yes")) << "--yes answers no such question";
    ASSERT_EQ(b.stop(), 0);
    EXPECT_EQ(readAll(path("other.bin")), other);
}

// A journal that cannot be read is reported with the newest backup, and fails; a FIFO in its place
// blocks neither resume nor flash.
TEST_F(CliJournal, ADamagedJournalIsReportedAndNothingBlocks) {
    write("scale.bin", memoryWithTables());
    flashCutShort("power-cut:write:nth=300");
    const QString backup = savedBackup();
    QFile journal(journalPath());
    ASSERT_TRUE(journal.open(QIODevice::ReadWrite));
    const QByteArray text = journal.readAll();
    journal.resize(text.indexOf('\n', text.size() / 2) + 1);  // cut short, after a whole line
    journal.close();
    SimulatorProcess scale({"--memory", memoryFile()});
    const QString device = QString::fromStdString(scale.devicePath());
    const CliRun resume = cli({"resume", "--port", device, "--yes"});
    EXPECT_EQ(resume.exitCode, 1);
    EXPECT_EQ(resume.err.toStdString(),
              ("The journal of the last update of scale 24681357 (" + journalPath() +
               ") cannot be read: a field missing or wrong. That update may not have finished; the "
               "newest backup of the scale's zone table and keys is " +
               backup + ". Update the scale again with vantor-cli flash.\n")
                  .toStdString());

    ASSERT_TRUE(QFile::remove(journalPath()));
    ASSERT_EQ(mkfifo(QFile::encodeName(journalPath()).constData(), 0600), 0);
    const CliRun fifo = cli({"resume", "--port", device, "--yes"});
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_TRUE(fifo.err.contains("cannot be read: it is not a regular file.")) << fifo.err.toStdString();
    const CliRun flash = cli({"flash", kFixtures + "one-record.hex", "--port", device});
    EXPECT_EQ(flash.exitCode, 1);
    EXPECT_TRUE(flash.err.contains(journalPath() + " is not a regular file")) << flash.err.toStdString();
    ASSERT_EQ(scale.stop(), 0);
}

// A write-back cut short: the tables read as programmed, and the last update as ok, but status and
// verify name the unfinished update and fail.
TEST_F(CliJournal, StatusAndVerifyNameAnUnfinishedUpdate) {
    write("scale.bin", memoryWithTables());
    flashCutShort("power-cut:write:nth=530");
    SimulatorProcess scale({"--memory", memoryFile()});
    const QString device = QString::fromStdString(scale.devicePath());
    const CliRun status = cli({"status", "--port", device});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_TRUE(status.out.contains("  unfinished: an update begun "));
    EXPECT_TRUE(
        status.out.endsWith("(it stopped writing the zone table and keys back, at least 1 page in); "
                            "finish it with: vantor-cli resume\n"))
        << status.out.toStdString();
    const CliRun verify = cli({"verify", kFixtures + "one-record.hex", "--port", device});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_TRUE(verify.out.endsWith("; finish it with: vantor-cli resume\n")) << verify.out.toStdString();
    ASSERT_EQ(scale.stop(), 0);
}

// The first read of page 8000 brings a changed byte: it must reach neither the file nor the scale.
TEST_F(CliFirmware, BackupAndRestoreRoundTripThroughAFile) {
    write("first.bin", memoryWithTables());
    auto first = std::make_unique<SimulatorProcess>(std::vector<std::string>{
        "--memory", path("first.bin").toStdString(), "--fault", "corrupt:read:addr=0x8000:nth=1"});
    const CliRun backup =
        cli({"backup", path("tables.hex"), "--port", QString::fromStdString(first->devicePath())});
    EXPECT_EQ(backup.exitCode, 0) << backup.err.toStdString();
    first.reset();
    EXPECT_EQ(readAll(path("tables.hex")).count("\r\n"), 145);
    EXPECT_EQ(readAll(path("tables.hex.serial")), "24681357\n");

    auto second = std::make_unique<SimulatorProcess>(
        std::vector<std::string>{"--serial", "24681357", "--memory", path("second.bin").toStdString()});
    const QString device = QString::fromStdString(second->devicePath());
    // Refusals write nothing: a file with data outside the region, a question nobody answers.
    const CliRun foreign = cli({"restore", kFixtures + "sample-update.hex", "--port", device, "--yes"});
    EXPECT_EQ(foreign.exitCode, 2);
    const std::string refusal = firmware::tablesFileError(
        firmware::IntelHexLoader::loadFile((kFixtures + "sample-update.hex").toStdString()));
    EXPECT_EQ(foreign.err, kFixtures + "sample-update.hex: " + QString::fromStdString(refusal) +
                               " Nothing was written.\n");
    write("twice.hex", readAll(path("tables.hex")) + readAll(path("tables.hex")));
    const CliRun twice = cli({"restore", path("twice.hex"), "--port", device, "--yes"});
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_TRUE(twice.err.startsWith(path("twice.hex") + ": Line 146: ")) << twice.err.toStdString();
    // Another scale's backup, known by its name or by the number kept beside it, is refused even
    // with --yes; --other-scale lets it through to the question.
    write("Tables-12345678-20261208-051320.hex", readAll(path("tables.hex")));
    write("mine.hex", readAll(path("tables.hex")));
    write("mine.hex.serial", "11111111\n");
    for (const QString& other : {path("Tables-12345678-20261208-051320.hex"), path("mine.hex")}) {
        const CliRun refused = cli({"restore", other, "--port", device, "--yes"});
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(
            refused.err.endsWith(", not from this one (24681357). Nothing was written; to write "
                                 "another scale's zone table and keys into it, add --other-scale.\n"))
            << refused.err.toStdString();
    }
    const CliRun unasked =
        cli({"restore", path("mine.hex"), "--port", device, "--other-scale"}, {}, test::CliInput::Null);
    EXPECT_EQ(unasked.exitCode, 1);
    EXPECT_TRUE(unasked.err.contains("was saved from the scale 11111111, not from this one."))
        << unasked.err.toStdString();
    const CliRun restore = cli({"restore", path("tables.hex"), "--port", device, "--yes"});
    EXPECT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    ASSERT_EQ(second->stop(), 0);

    QByteArray fresh(0x10000, char(0xFF));
    fresh.replace(0x0700, 4, QByteArray::fromHex("24681357"));
    QByteArray expected = fresh;
    expected.replace(0x8000, 0x1200, memoryWithTables().mid(0x8000, 0x1200));
    EXPECT_EQ(readAll(path("second.bin")), expected);
}

TEST_F(CliFirmware, FlashUpdatesSeveralScalesAtOnceEachWithItsOwnSerialNumber) {
    std::vector<std::unique_ptr<SimulatorProcess>> scales;
    QStringList arguments{"flash", kFixtures + "sample-update.hex"};
    for (const char* serial : {"11111111", "22222222", "33333333"}) {
        std::vector<std::string> options{"--serial", serial, "--memory", path(serial).toStdString()};
        // The first is held up half way, so that the others' failures are seen to be said meanwhile.
        if (scales.empty())
            options.insert(options.end(), {"--fault", "delay:write:addr=0x8000:ms=2000"});
        scales.push_back(std::make_unique<SimulatorProcess>(options));
        arguments << "--port" << QString::fromStdString(scales.back()->devicePath());
    }
    // One scale refuses its serial number, one port has nothing behind it: both are named, and
    // neither stops the others.
    SimulatorProcess refusing(
        {"--serial", "44444444", "--fault", "refuse:unlock", "--memory", path("refusing").toStdString()});
    arguments << "--port" << QString::fromStdString(refusing.devicePath()) << "--port"
              << "/dev/vantor-no-such-port";

    const CliRun run = cli(arguments);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << run.out.toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines[i].startsWith(QString::fromStdString(scales[i]->devicePath()) + " " +
                                        QString(8, QChar('1' + i)) + " updated: "))
            << lines[i].toStdString();
    }
    // The lines' wording is FleetReport's to check; here, that each scale got its own ending.
    EXPECT_TRUE(lines[3].contains(" 44444444 not updated: The scale refused the unlock"))
        << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith("/dev/vantor-no-such-port - not updated: the port cannot be opened: "))
        << lines[4].toStdString();
    // A failure is said when it happens, while the others still write and verify.
    const qsizetype told = run.err.indexOf(QString::fromStdString(refusing.devicePath()) +
                                           " 44444444 failed: The scale refused the unlock");
    EXPECT_GE(told, 0) << run.err.toStdString();
    EXPECT_LT(told, run.err.indexOf("  11111111  writing  256/512")) << run.err.toStdString();

    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(scales[i]->stop(), 0);
        const std::string serial(8, static_cast<char>('1' + i));
        EXPECT_EQ(readAll(path(serial.c_str())), expectedImage("sample-update.hex", serial)) << serial;
    }
    ASSERT_EQ(refusing.stop(), 0);
    QByteArray untouched(0x10000, char(0xFF));
    untouched.replace(0x0700, 4, QByteArray::fromHex("44444444"));
    EXPECT_EQ(readAll(path("refusing")), untouched);
}

TEST_F(CliFirmware, FlashRefusesOneScaleNamedTwice) {
    SimulatorProcess scale({"--serial", "12345678", "--memory", memoryFile()});
    const QString device = QString::fromStdString(scale.devicePath());
    ASSERT_TRUE(QFile::link(device, path("scale-link")));

    const CliRun run =
        cli({"flash", kFixtures + "sample-update.hex", "--port", device, "--port", path("scale-link")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "--port " + path("scale-link") + " is the same device as --port " + device +
                           "; give each scale once.\n");
    ASSERT_EQ(scale.stop(), 0);
    QByteArray untouched(0x10000, char(0xFF));
    untouched.replace(0x0700, 4, QByteArray::fromHex("12345678"));
    EXPECT_EQ(readAll(QString::fromStdString(memoryFile())), untouched);
}

// A stopped resume names the command that takes it up again: resume, not flash.
TEST_F(CliJournal, AStoppedResumeSaysToRunResumeAgain) {
    write("scale.bin", memoryWithTables());
    flashCutShort("power-cut:write:nth=40");
    SimulatorProcess slow({"--memory", memoryFile(), "--fault", "delay:write:addr=0x0100:ms=5000"});
    const CliRun run =
        cliInterrupted({"resume", "--port", QString::fromStdString(slow.devicePath()), "--yes"},
                       QStringLiteral("Pages written: 0/512\n"));
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(" Run resume again; the tables are in ")) << run.err.toStdString();
    ASSERT_EQ(slow.stop(), 0);
}

// Without an answer (no terminal at all, or a terminal whose input ends at the question) resume
// takes No: it says so and how to answer, writes nothing and keeps the journal for the next try.
TEST_F(CliJournal, ResumeWithoutAnAnswerWritesNothingAndKeepsTheJournal) {
    write("scale.bin", memoryWithTables());
    flashCutShort("power-cut:write:nth=40");
    const QByteArray cut = readAll(path("scale.bin"));
    const std::pair<test::CliInput, QString> unanswered[] = {
        {test::CliInput::Null, "? Answered No: no terminal (use --yes).\n"},
        {test::CliInput::EndedTerminal, "? [y/N] \nAnswered No: no answer came (use --yes).\n"}};
    for (const auto& [input, said] : unanswered) {
        SimulatorProcess scale({"--memory", memoryFile()});
        const CliRun resume =
            cli({"resume", "--port", QString::fromStdString(scale.devicePath())}, {}, input);
        EXPECT_EQ(resume.exitCode, 1);
        EXPECT_TRUE(resume.err.startsWith("Finish the update of scale 24681357 on "))
            << resume.err.toStdString();
        EXPECT_TRUE(resume.err.endsWith(said)) << resume.err.toStdString();
        ASSERT_EQ(scale.stop(), 0);
        EXPECT_EQ(readAll(path("scale.bin")), cut);
        EXPECT_TRUE(QFile::exists(journalPath()));
    }
}
