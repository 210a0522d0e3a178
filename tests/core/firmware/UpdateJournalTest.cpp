// The run journal's text and its life beside an update, against the in-process scale.

#include <gtest/gtest.h>

#include "ScaleWithTables.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/Sha256.h"
#include "core/firmware/TablesMessages.h"
#include "core/firmware/UpdateJournal.h"
#include "core/firmware/UserTables.h"
#include "core/scale/SerialNumber.h"
#include "support/FakeScaleTransport.h"

using namespace vantor;
using namespace vantor::firmware;
using namespace vantor::scale;
using vantor::test::memoryWithTables;

namespace {

UpdateJournal sampleJournal() {
    UpdateJournal journal;
    journal.serial = "24681357";
    journal.imageSha256 = std::string(64, 'a');
    journal.imageFile = "/data/Journals/Update-24681357.hex";
    journal.backupFile = "/data/Tables-24681357-20261208-120000.hex";
    journal.started = "2026-12-08 12:00";
    journal.phase = "writing";
    journal.pages = 96;
    return journal;
}

// Records what the update told its journal, and what the scale had been sent by then.
struct RecordingJournal : JournalKeeper {
    FakeScaleTransport* scale = nullptr;
    std::optional<std::string> refusal;
    std::vector<std::string> events;
    std::size_t sentAtBegin = 0;

    std::optional<std::string> begin(const std::string& serial, const std::string& backupFile,
                                     const std::string& tablesSha256) override {
        sentAtBegin = scale->sent().size();
        events.push_back("begin " + serial + " " + backupFile);
        digest = tablesSha256;
        return refusal;
    }
    std::string digest;
    void reached(const std::string& phase, std::size_t pages) override {
        events.push_back(phase + " " + std::to_string(pages));
    }
    void finished() override { events.push_back("finished"); }
    void tablesDeclined() override { events.push_back("declined"); }
};

struct YesToAll : UpdatePrompts {
    bool updateWithoutTables(const OperationResult&) override { return true; }
    bool updateWithoutBackupFile(const SavedBackup&) override { return true; }
    bool giveEarlierTables(const std::string&, const std::string&) override {
        ++askedForEarlier;
        return giveEarlier;
    }
    WriteBack writeTablesBack(const std::string&) override { return writeBack; }
    bool giveEarlier = true;
    int askedForEarlier = 0;
    WriteBack writeBack = WriteBack::Yes;
};

BackupSaver savedAs(std::string path) {
    return [path](const std::string&, std::span<const Byte>) { return SavedBackup{path, {}}; };
}

const std::atomic<bool> kGoOn{false};

}  // namespace

TEST(UpdateJournal, IsWrittenAsKeyValueLinesAndReadBackStrictly) {
    const UpdateJournal journal = sampleJournal();
    const std::string text = formatJournal(journal);
    EXPECT_EQ(text, "vantor-update-journal 1\nserial=24681357\nimage-sha256=" + std::string(64, 'a') +
                        "\nimage-file=/data/Journals/Update-24681357.hex\n"
                        "backup-file=/data/Tables-24681357-20261208-120000.hex\ntables-sha256=\n"
                        "started=2026-12-08 12:00\n"
                        "phase=writing\npages=96\n");
    std::string error;
    EXPECT_EQ(parseJournal(text, error), journal);

    const std::pair<std::string, std::string> refused[] = {
        {"", "not an update journal of this program"},
        {"vantor-update-journal 2\n" + text.substr(text.find('\n') + 1),
         "not an update journal of this program"},
        {text + "serial=11111111\n", "a damaged line"},
        {text + "no equals sign\n", "a damaged line"},
        {text + "extra=a\r\r\n", "a damaged line"},
        {text.substr(0, text.find("pages=")), "a field missing or wrong"},
        {"vantor-update-journal 1\nserial=2468135\nimage-sha256=" + std::string(64, 'a') +
             "\nimage-file=x\nphase=writing\npages=0\n",
         "a field missing or wrong"},
    };
    for (const auto& [damaged, why] : refused) {
        SCOPED_TRACE(damaged);
        EXPECT_FALSE(parseJournal(damaged, error));
        EXPECT_EQ(error, why);
    }
}

TEST(UpdateJournal, IsWrittenAtEachPhaseChangeAndEvery32Pages) {
    JournalPace pace;
    EXPECT_TRUE(pace.due("writing", 0));
    EXPECT_FALSE(pace.due("writing", 31));
    EXPECT_TRUE(pace.due("writing", 32));
    EXPECT_FALSE(pace.due("writing", 63));
    EXPECT_TRUE(pace.due("writing", 0));  // a restarted run
    EXPECT_TRUE(pace.due("verifying", 0));
    EXPECT_EQ(journalPhase(UpdateStep::Updating, {Phase::Verify, 3, 512}), "verifying");
    EXPECT_EQ(journalPhase(UpdateStep::WritingTablesBack, {Phase::Write, 3, 36}), "writing-tables-back");
}

TEST(UpdateJournal, BeginsBeforeTheFirstUnlockAndEndsOnlyWhenTheTablesAreBack) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    RecordingJournal journal;
    journal.scale = &scale;
    ImageBuffer image;
    image[0x0100] = 0x42;
    ScaleUpdate update(image, TablesChoice::Keep, savedAs("/data/Tables.hex"));
    update.keepJournal(&journal);
    YesToAll yes;
    EXPECT_TRUE(update.run(scale, yes, {}, kGoOn).succeeded());

    ASSERT_GE(journal.events.size(), 6u);
    EXPECT_EQ(journal.events.front(), "begin 24681357 /data/Tables.hex");
    // The serial number and the 36 pages of the tables (each twice) were read; nothing was unlocked yet.
    EXPECT_EQ(journal.sentAtBegin, 1u + 2 * 36u);
    const std::vector<std::string> expected{"begin 24681357 /data/Tables.hex", "writing 0", "writing 32"};
    EXPECT_EQ(std::vector<std::string>(journal.events.begin(), journal.events.begin() + 3), expected);
    // 17 writes in each phase of 512 pages (0, 32, ... 512 for the write; 0 ... 480 for the verify).
    EXPECT_EQ(std::count_if(journal.events.begin(), journal.events.end(),
                            [](const std::string& e) { return e.rfind("writing ", 0) == 0; }),
              16);
    EXPECT_EQ(journal.events[journal.events.size() - 3], "writing-tables-back 1");
    EXPECT_EQ(journal.events[journal.events.size() - 2], "writing-tables-back 33");
    EXPECT_EQ(journal.events.back(), "finished");
}

TEST(UpdateJournal, AJournalThatCannotBeWrittenStopsTheUpdateBeforeAnythingIsSent) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    RecordingJournal journal;
    journal.scale = &scale;
    journal.refusal = "No space left on device";
    ScaleUpdate update(ImageBuffer(), TablesChoice::Keep, savedAs("/data/Tables.hex"));
    update.keepJournal(&journal);
    YesToAll yes;
    const UpdateReport report = update.run(scale, yes, {}, kGoOn);
    EXPECT_EQ(report.prepared, Prepared::NoJournal);
    EXPECT_FALSE(report.programming);
    EXPECT_EQ(scale.model().counters().writes, 0u);
    EXPECT_EQ(journal.events, std::vector<std::string>{"begin 24681357 /data/Tables.hex"});
}

TEST(UpdateJournal, AnUnfinishedUpdatesTablesAreKeptInsteadOfTheRegionAsItStands) {
    // The region as an interrupted run left it: blank.
    FakeScaleTransport scale{ScaleModel("24681357")};
    const Bytes saved(kTablesSize, 0x5C);
    ScaleUpdate update(ImageBuffer(), TablesChoice::Keep, savedAs("/data/new.hex"));
    update.lookForEarlierTables([&](const std::string& serial) -> std::optional<ScaleUpdate::EarlierTables> {
        EXPECT_EQ(serial, "24681357");
        return ScaleUpdate::EarlierTables{saved, "/data/Tables-before.hex", {}};
    });
    YesToAll yes;
    const UpdateReport report = update.run(scale, yes, {}, kGoOn);
    EXPECT_TRUE(report.succeeded());
    EXPECT_EQ(update.tablesWhere(), "/data/Tables-before.hex");
    // The serial number, the region (read twice to see whose it is), the verify, the write-back's
    // read-backs.
    EXPECT_EQ(scale.model().counters().reads, 1u + 2 * 36u + 512u + 36u);
    const Bytes memory = scale.model().memory();
    EXPECT_EQ(Bytes(memory.begin() + 0x8000, memory.begin() + 0x9200), saved);
}

TEST(UpdateJournal, JudgesWhoseTablesTheRegionHolds) {
    const Bytes saved(kTablesSize, 0x5C);
    const std::string digest = sha256Hex(saved);
    ImageBuffer image;
    image[0x8000] = 0x11;  // an update file with a page of its own in the region
    EXPECT_EQ(judgeRegion(saved, saved, "", image), RegionVerdict::Intact);
    EXPECT_EQ(judgeRegion(saved, std::nullopt, digest, image), RegionVerdict::Intact);

    // Cut in the middle of the region: the update's pages, erased pages, then the saved ones.
    Bytes half = saved;
    std::copy(image.page(0x8000).begin(), image.page(0x8000).end(), half.begin());
    std::fill(half.begin() + 0x80, half.begin() + 0x800, 0xFF);
    EXPECT_EQ(judgeRegion(half, saved, digest, image), RegionVerdict::Updated);
    EXPECT_EQ(judgeRegion(Bytes(kTablesSize, 0xFF), std::nullopt, digest, image), RegionVerdict::Updated);

    // A page of neither: another scale's tables, or a page cut mid-write.
    Bytes other = half;
    other[0x1000] = 0x01;
    EXPECT_EQ(judgeRegion(other, saved, digest, image), RegionVerdict::Other);
    EXPECT_EQ(judgeRegion(other, std::nullopt, "", image), RegionVerdict::Other);
}

// A second scale with the same serial number (updated after the first was cut short) has tables
// of its own: it is asked about, and No writes nothing.
TEST(UpdateJournal, AScaleWithOtherTablesIsAskedBeforeItIsGivenTheSavedOnes) {
    const Bytes saved(kTablesSize, 0x5C);
    for (const bool isThatScale : {false, true}) {
        SCOPED_TRACE(isThatScale);
        FakeScaleTransport scale{ScaleModel(memoryWithTables())};
        ScaleUpdate update(ImageBuffer(), TablesChoice::Keep, savedAs("/data/new.hex"));
        update.lookForEarlierTables([&](const std::string&) -> std::optional<ScaleUpdate::EarlierTables> {
            return ScaleUpdate::EarlierTables{saved, "/data/Tables-A.hex", sha256Hex(saved)};
        });
        YesToAll answers;
        answers.giveEarlier = isThatScale;
        const UpdateReport report = update.run(scale, answers, {}, kGoOn);
        EXPECT_EQ(report.prepared, Prepared::TablesDiffer);
        EXPECT_EQ(answers.askedForEarlier, 1);
        const Bytes memory = scale.model().memory();
        const Bytes region(memory.begin() + 0x8000, memory.begin() + 0x9200);
        if (isThatScale) {
            EXPECT_TRUE(report.succeeded());
            EXPECT_EQ(region, saved);
        } else {
            EXPECT_TRUE(report.declined);
            EXPECT_EQ(scale.model().counters().writes, 0u);
            EXPECT_EQ(memory, memoryWithTables());
        }
    }
}

// The saved tables cannot be read: a region the update never reached is still the user's; one it
// wrote over cannot be given back, and the user is asked before an update without them.
TEST(UpdateJournal, TablesTheBackupLostAreReadFromTheScaleWhenTheUpdateNeverReachedThem) {
    const Bytes scaleMemory = memoryWithTables();
    const Bytes tables(scaleMemory.begin() + 0x8000, scaleMemory.begin() + 0x9200);
    const auto lookup = [&](const std::string&) -> std::optional<ScaleUpdate::EarlierTables> {
        return ScaleUpdate::EarlierTables{std::nullopt, "/data/unreadable.hex", sha256Hex(tables)};
    };
    FakeScaleTransport intact{ScaleModel(memoryWithTables())};
    ScaleUpdate kept(ImageBuffer(), TablesChoice::Keep, savedAs("/data/new.hex"));
    kept.lookForEarlierTables(lookup);
    YesToAll yes;
    EXPECT_TRUE(kept.run(intact, yes, {}, kGoOn).succeeded());
    EXPECT_EQ(kept.tablesWhere(), "/data/new.hex");
    const Bytes memory = intact.model().memory();
    EXPECT_EQ(Bytes(memory.begin() + 0x8000, memory.begin() + 0x9200), tables);

    FakeScaleTransport overwritten{ScaleModel("24681357")};
    ScaleUpdate lost(ImageBuffer(), TablesChoice::Keep, savedAs("/data/new.hex"));
    lost.lookForEarlierTables(lookup);
    struct No : YesToAll {
        bool updateWithoutTables(const OperationResult&) override { return false; }
    } no;
    const UpdateReport report = lost.run(overwritten, no, {}, kGoOn);
    EXPECT_EQ(report.prepared, Prepared::TablesLost);
    EXPECT_TRUE(report.declined);
    EXPECT_EQ(overwritten.model().counters().writes, 0u);
}

TEST(UpdateJournal, DecliningTheWriteBackKeepsTheJournalAndTheHistorySaysSo) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    RecordingJournal journal;
    journal.scale = &scale;
    ScaleUpdate update(ImageBuffer(), TablesChoice::Keep, savedAs("/data/Tables.hex"));
    update.keepJournal(&journal);
    std::vector<HistoryRecord> history;
    update.recordTo([&](const HistoryRecord& record) { history.push_back(record); });
    YesToAll answers;
    answers.writeBack = WriteBack::No;
    const UpdateReport report = update.run(scale, answers, {}, kGoOn);
    EXPECT_TRUE(report.writeBackDeclined);
    EXPECT_FALSE(report.succeeded());
    const Bytes memory = memoryWithTables();
    EXPECT_EQ(journal.digest, sha256Hex(std::span(memory).subspan(0x8000, kTablesSize)));
    EXPECT_EQ(journal.events.back(), "declined");

    // The run's beginning, its end, and the tables left out.
    ASSERT_EQ(history.size(), 3u);
    EXPECT_TRUE(history[0].open);
    EXPECT_EQ(history[0].operation, "update");
    EXPECT_EQ(history[0].serial, "24681357");
    EXPECT_TRUE(history[1].ok);
    EXPECT_FALSE(history[1].open);
    EXPECT_EQ(history[2].operation, "restore");
    EXPECT_FALSE(history[2].ok);
    EXPECT_EQ(history[2].result, tables_text::declinedRecord("/data/Tables.hex"));
}
