// The run journal's text and its life beside an update, against the in-process scale.

#include <gtest/gtest.h>

#include "ScaleWithTables.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/UpdateJournal.h"
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

    std::optional<std::string> begin(const std::string& serial, const std::string& backupFile) override {
        sentAtBegin = scale->sent().size();
        events.push_back("begin " + serial + " " + backupFile);
        return refusal;
    }
    void reached(const std::string& phase, std::size_t pages) override {
        events.push_back(phase + " " + std::to_string(pages));
    }
    void finished() override { events.push_back("finished"); }
};

struct YesToAll : UpdatePrompts {
    bool updateWithoutTables(const OperationResult&) override { return true; }
    bool updateWithoutBackupFile(const SavedBackup&) override { return true; }
    WriteBack writeTablesBack(const std::string&) override { return WriteBack::Yes; }
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
                        "backup-file=/data/Tables-24681357-20261208-120000.hex\nstarted=2026-12-08 12:00\n"
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
        return ScaleUpdate::EarlierTables{saved, "/data/Tables-before.hex"};
    });
    YesToAll yes;
    const UpdateReport report = update.run(scale, yes, {}, kGoOn);
    EXPECT_TRUE(report.succeeded());
    EXPECT_EQ(update.tablesWhere(), "/data/Tables-before.hex");
    EXPECT_EQ(scale.model().counters().reads, 1u + 512u + 36u);  // serial, verify, write-back read-backs
    const Bytes memory = scale.model().memory();
    EXPECT_EQ(Bytes(memory.begin() + 0x8000, memory.begin() + 0x9200), saved);
}
