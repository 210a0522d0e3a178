// One update of one scale against the in-process scale: the user's tables are never lost, whatever
// the read, the backup file, the run or the user's answers do.

#include <gtest/gtest.h>

#include "ScaleWithTables.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/UpdateSentences.h"
#include "core/scale/SerialNumber.h"
#include "support/FakeScaleTransport.h"

using namespace vantor;
using namespace vantor::firmware;
using namespace vantor::scale;
using vantor::test::memoryWithTables;

namespace {

Bytes region(const Bytes& memory) {
    return Bytes(memory.begin() + 0x8000, memory.begin() + 0x9200);
}

// An update file that leaves the tables region blank.
ImageBuffer blankRegionImage() {
    ImageBuffer image;
    image[0x0000] = 0x02;
    image[0x4000] = 0x5A;
    return image;
}

FakeScaleTransport scaleWith(std::initializer_list<const char*> faults = {}) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    for (const char* fault : faults)
        scale.model().addFault(*parseFault(fault).fault);
    return scale;
}

// Answers from a script and remembers what was asked.
struct ScriptedAnswers : UpdatePrompts {
    bool withoutTables = false;
    bool withoutFile = false;
    std::vector<WriteBack> writeBack{WriteBack::Yes};
    std::vector<std::string> asked;

    bool updateWithoutTables(const OperationResult& read) override {
        asked.push_back("tables unread at " + std::to_string(read.page.value_or(0)));
        return withoutTables;
    }
    bool updateWithoutBackupFile(const SavedBackup& backup) override {
        asked.push_back("no file: " + backup.error);
        return withoutFile;
    }
    bool giveEarlierTables(const std::string& serial, const std::string& backupFile) override {
        asked.push_back("earlier tables of " + serial + " from " + backupFile);
        return giveEarlier;
    }
    bool giveEarlier = false;
    WriteBack writeTablesBack(const std::string& where) override {
        asked.push_back("write back from " + where);
        const WriteBack answer = writeBack.front();
        if (writeBack.size() > 1)
            writeBack.erase(writeBack.begin());
        return answer;
    }
};

struct Saver {
    std::string error;  // "" saves
    std::vector<Bytes> saved;
    BackupSaver function() {
        return [this](const std::string& serial, std::span<const Byte> tables) {
            saved.emplace_back(tables.begin(), tables.end());
            return SavedBackup{"/backups/Tables-" + serial + ".hex", error};
        };
    }
};

const std::atomic<bool> kGoOn{false};

}  // namespace

TEST(ScaleUpdate, KeepsTheTablesThroughABackupAndWritesThemBackAfterTheRun) {
    FakeScaleTransport scale = scaleWith();
    Saver saver;
    ScriptedAnswers answers;
    ScaleUpdate update(blankRegionImage(), TablesChoice::Keep, saver.function());
    std::vector<HistoryRecord> history;
    update.recordTo([&](const HistoryRecord& record) { history.push_back(record); });
    std::vector<UpdateStep> steps;
    const UpdateReport report = update.run(
        scale, answers,
        [&](UpdateStep step, const Progress&) {
            if (steps.empty() || steps.back() != step)
                steps.push_back(step);
        },
        kGoOn);

    EXPECT_TRUE(report.succeeded());
    EXPECT_EQ(report.backupPath, "/backups/Tables-24681357.hex");
    ASSERT_EQ(saver.saved.size(), 1u);
    EXPECT_EQ(saver.saved[0], region(memoryWithTables()));
    EXPECT_EQ(answers.asked, std::vector<std::string>{"write back from /backups/Tables-24681357.hex"});
    EXPECT_EQ(steps, (std::vector<UpdateStep>{UpdateStep::SavingTables, UpdateStep::Updating,
                                              UpdateStep::WritingTablesBack}));
    const Bytes memory = scale.model().memory();
    EXPECT_EQ(region(memory), region(memoryWithTables()));
    EXPECT_EQ(memory[0x4000], 0x5A);
    EXPECT_EQ(update_text::tables(report, update),
              "Your zone table and keys were written back into the scale and verified.");

    // The run is recorded as it begins and as it ends, the write-back as it ends.
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(std::tie(history[0].operation, history[0].serial, history[0].open),
              std::tuple("update", "24681357", true));
    EXPECT_EQ(
        std::tie(history[1].operation, history[1].serial, history[1].ok, history[1].pages, history[1].open),
        std::tuple("update", "24681357", true, 512u, false));
    EXPECT_EQ(history[1].result, "All 512 pages were written and verified.");
    EXPECT_EQ(std::tie(history[2].operation, history[2].serial, history[2].what, history[2].pages),
              std::tuple("restore", "24681357", "/backups/Tables-24681357.hex", 36u));
}

TEST(ScaleUpdate, TablesThatCannotBeReadOrSavedStopTheUpdateUnlessTheUserAgrees) {
    // A page of the tables that does not come back: asked, declined, nothing written.
    FakeScaleTransport unread = scaleWith({"lose:read:addr=0x8800"});
    Saver saver;
    ScriptedAnswers no;
    ScaleUpdate first(blankRegionImage(), TablesChoice::Keep, saver.function());
    UpdateReport report = first.run(unread, no, {}, kGoOn);
    EXPECT_TRUE(report.declined);
    EXPECT_FALSE(report.programming);
    EXPECT_EQ(no.asked, std::vector<std::string>{"tables unread at " + std::to_string(0x8800)});
    EXPECT_EQ(unread.model().counters().writes, 0u);
    EXPECT_EQ(update_text::notStarted(report, first),
              "Nothing was written: the zone table and keys could not be read. The scale did not answer the "
              "read of page 8800; 16 of 36 pages were read.");

    // Read, but no backup file: declined, nothing written; agreed, they come back from memory.
    Saver full{"No space left on device", {}};
    FakeScaleTransport declined = scaleWith();
    ScaleUpdate second(blankRegionImage(), TablesChoice::Keep, full.function());
    report = second.run(declined, no, {}, kGoOn);
    EXPECT_TRUE(report.declined);
    EXPECT_EQ(declined.model().counters().writes, 0u);
    EXPECT_EQ(update_text::notStarted(report, second),
              "Nothing was written: the zone table and keys could not be saved to "
              "/backups/Tables-24681357.hex (No space left on device).");

    FakeScaleTransport agreed = scaleWith();
    ScriptedAnswers yes;
    yes.withoutFile = true;
    ScaleUpdate third(blankRegionImage(), TablesChoice::Keep, full.function());
    report = third.run(agreed, yes, {}, kGoOn);
    EXPECT_TRUE(report.succeeded());
    EXPECT_EQ(yes.asked.back(), "write back from memory only (No space left on device)");
    EXPECT_EQ(region(agreed.model().memory()), region(memoryWithTables()));
}

TEST(ScaleUpdate, OnlyAnExplicitNoGivesTheTablesUpAndAStoppedWriteBackIsNoSuccess) {
    FakeScaleTransport scale = scaleWith();
    Saver saver;
    ScriptedAnswers answers;
    answers.writeBack = {WriteBack::AskAgain, WriteBack::AskAgain, WriteBack::No};
    ScaleUpdate update(blankRegionImage(), TablesChoice::Keep, saver.function());
    UpdateReport report = update.run(scale, answers, {}, kGoOn);
    EXPECT_EQ(answers.asked.size(), 3u);
    EXPECT_TRUE(report.writeBackDeclined);
    EXPECT_TRUE(report.tablesIncomplete());
    EXPECT_FALSE(report.succeeded());
    EXPECT_EQ(
        update_text::tables(report, update),
        "Your zone table and keys are not in the scale: they are saved in /backups/Tables-24681357.hex.");

    // Stopped after nine pages of the write-back: incomplete, with the page in flight named.
    FakeScaleTransport stopped = scaleWith();
    std::atomic<bool> stop{false};
    ScriptedAnswers yes;
    ScaleUpdate again(blankRegionImage(), TablesChoice::Keep, saver.function());
    report = again.run(
        stopped, yes,
        [&](UpdateStep step, const Progress& progress) {
            if (step == UpdateStep::WritingTablesBack && progress.done == 9)
                stop = true;
        },
        stop);
    ASSERT_TRUE(report.programming);
    EXPECT_TRUE(report.programming->result.succeeded());
    EXPECT_TRUE(report.tablesIncomplete());
    EXPECT_FALSE(report.succeeded());
    EXPECT_EQ(update_text::tables(report, again),
              "The scale has been updated, but your zone table and keys were not written back: Stopped "
              "after 9 of 36 pages. They are saved in /backups/Tables-24681357.hex.");
}

TEST(ScaleUpdate, EraseReadsNoTablesAndABlankRegionNeedsNoBackup) {
    FakeScaleTransport scale = scaleWith();
    Saver saver;
    ScriptedAnswers answers;
    ScaleUpdate erase(blankRegionImage(), TablesChoice::Erase, saver.function());
    const UpdateReport report = erase.run(scale, answers, {}, kGoOn);
    EXPECT_TRUE(report.succeeded());
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_TRUE(saver.saved.empty());
    EXPECT_EQ(region(scale.model().memory()), Bytes(0x1200, 0xFF));

    // A scale whose region was never programmed: nothing to keep, so no unwritable folder stops it.
    Saver full{"Read-only file system", {}};
    FakeScaleTransport blank{ScaleModel("24681357")};
    ScaleUpdate keep(blankRegionImage(), TablesChoice::Keep, full.function());
    EXPECT_TRUE(keep.run(blank, answers, {}, kGoOn).succeeded());
    EXPECT_TRUE(full.saved.empty());
}

// A blank region may be what an interrupted update left before journals were kept: the newest
// backup that holds tables is named, never written on its own.
TEST(ScaleUpdate, ABlankRegionNamesAnOlderBackupThatHoldsTables) {
    FakeScaleTransport blank{ScaleModel("24681357")};
    Saver saver;
    ScriptedAnswers answers;
    ScaleUpdate update(blankRegionImage(), TablesChoice::Keep, saver.function());
    update.lookForOlderBackup([](const std::string& serial) -> std::optional<std::string> {
        return "/backups/Tables-" + serial + "-20261201-080000.hex";
    });
    const UpdateReport report = update.run(blank, answers, {}, kGoOn);
    EXPECT_TRUE(report.succeeded());
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_EQ(region(blank.model().memory()), Bytes(0x1200, 0xFF));
    EXPECT_EQ(
        update_text::tables(report, update),
        "Your scale's zone table and keys were blank before the update, but an earlier backup of this "
        "scale holds some: /backups/Tables-24681357-20261201-080000.hex.\n\nIf your zone table and keys "
        "were lost, write them back from that file. (vantor-cli restore)");
}

TEST(UpdateSentences, WhatARunThatDidNotVerifyLeavesOnTheScale) {
    OperationResult refused = failedAt(Stage::Unlock, Outcome::Refused);
    refused.pagesTotal = 512;
    EXPECT_EQ(update_text::runFailed(refused),
              "The scale refused the unlock (is the serial number right?); 0 of 512 pages were written. The "
              "scale keeps its old software.");
    OperationResult written = failedAt(Stage::Unlock, Outcome::Refused);
    written.pagesTotal = 512;
    written.pagesDone = 99;
    written.restarts = 1;
    EXPECT_EQ(
        update_text::runFailed(written),
        "The scale refused the unlock (is the serial number right?) (after 1 restart of the run); 99 of "
        "512 pages were written. The scale's software is incomplete: update it again.");
}
