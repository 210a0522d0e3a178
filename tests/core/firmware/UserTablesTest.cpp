// The user's tables region against the in-process scale: reading it, its backup file, restoring a
// file, and the time-left estimate shown while a run goes on.

#include <gtest/gtest.h>

#include "core/firmware/TablesMessages.h"
#include "core/firmware/TimeLeft.h"
#include "core/firmware/UserTables.h"
#include "core/scale/SerialNumber.h"
#include "support/FakeScaleTransport.h"

using namespace vantor;
using namespace vantor::firmware;
using namespace vantor::scale;

namespace {

// A scale whose tables region holds a pattern, everything else erased.
Bytes memoryWithTables() {
    Bytes memory(0x10000, 0xFF);
    for (std::size_t a = 0x8000; a < 0x9200; ++a)
        memory[a] = static_cast<Byte>(a * 3 + (a >> 8));
    memory[0x0700] = 0x12, memory[0x0701] = 0x34, memory[0x0702] = 0x56, memory[0x0703] = 0x78;
    return memory;
}

FakeScaleTransport scaleWith(Bytes memory, std::initializer_list<const char*> faults = {}) {
    FakeScaleTransport scale{ScaleModel(std::move(memory))};
    for (const char* fault : faults)
        scale.model().addFault(*parseFault(fault).fault);
    return scale;
}

Bytes region(const Bytes& memory) {
    return Bytes(memory.begin() + 0x8000, memory.begin() + 0x9200);
}

const std::atomic<bool> kGoOn{false};

}  // namespace

TEST(UserTables, ReadsTheRegionPageByPageWithoutWritingAnything) {
    FakeScaleTransport scale = scaleWith(memoryWithTables(), {"echo:read:addr=0x8100:count=1"});
    std::vector<std::size_t> progress;
    const TablesRead read = readTables(
        scale,
        [&](const Progress& report) {
            EXPECT_EQ(report.phase, Phase::Read);
            EXPECT_EQ(report.total, 36u);
            progress.push_back(report.done);
        },
        kGoOn);

    ASSERT_TRUE(read.tables);
    EXPECT_EQ(*read.tables, region(memoryWithTables()));
    EXPECT_EQ(progress.size(), 36u);
    EXPECT_EQ(progress.back(), 36u);
    // Each of the 36 pages read twice, and once more the read that repeated the wrong address.
    ASSERT_EQ(scale.sent().size(), 73u);
    EXPECT_EQ(scale.sent().front(), (Bytes{0xB4, 0x80, 0x00}));
    EXPECT_EQ(scale.sent().back(), (Bytes{0xB4, 0x91, 0x80}));
    EXPECT_EQ(scale.model().counters().writes, 0u);
}

TEST(UserTables, ASilentPageEndsTheReadAfterFourTries) {
    FakeScaleTransport scale = scaleWith(memoryWithTables(), {"lose:read:addr=0x8200"});
    const TablesRead read = readTables(scale, {}, kGoOn);
    EXPECT_FALSE(read.tables);
    EXPECT_EQ(read.result.stage, Stage::Read);
    EXPECT_EQ(read.result.outcome, Outcome::NoReply);
    EXPECT_EQ(read.result.page, 0x8200u);
    EXPECT_EQ(read.result.pagesDone, 4u);
    EXPECT_EQ(read.result.pagesTotal, 36u);
    EXPECT_EQ(scale.sent().size(), 4u * 2 + 4u);  // four pages read twice, then four tries of the fifth

    // A page that keeps coming back for another address is said as such, not as silence.
    FakeScaleTransport echoing = scaleWith(memoryWithTables(), {"echo:read:addr=0x8200"});
    EXPECT_EQ(readTables(echoing, {}, kGoOn).result.outcome, Outcome::Mismatch);
}

// Nothing on the line guards a reply: a byte changed on its way must not be saved, nor written back.
TEST(UserTables, APageIsTakenOnlyWhenTwoReadsGiveTheSameBytes) {
    FakeScaleTransport changed = scaleWith(memoryWithTables(), {"corrupt:read:addr=0x8000:nth=1"});
    const TablesRead read = readTables(changed, {}, kGoOn);
    ASSERT_TRUE(read.tables);
    EXPECT_EQ(*read.tables, region(memoryWithTables()));
    EXPECT_EQ(changed.model().counters().reads, 36u * 2 + 1);

    // Two whole replies that differ, then none that fits: four reads, and the page is not taken.
    FakeScaleTransport unsteady = scaleWith(
        memoryWithTables(), {"corrupt:read:addr=0x8080:nth=1", "echo:read:addr=0x8080:nth=3:count=2"});
    const TablesRead failed = readTables(unsteady, {}, kGoOn);
    EXPECT_FALSE(failed.tables);
    EXPECT_EQ(failed.result.outcome, Outcome::Unsteady);
    EXPECT_EQ(describe(failed.result),
              "The scale's replies to the read of page 8080 did not agree; 1 of 36 pages were read.");
}

TEST(UserTables, BackupIsIntelHexOfTheRegionThatTheLoaderReadsBack) {
    Bytes tables(4608, 0xFF);
    tables[0] = 0x01, tables[31] = 0x1F, tables[4607] = 0xAB;
    const std::string hex = tablesHex(tables);

    EXPECT_TRUE(
        hex.starts_with(":20800000"
                        "01" +
                        std::string(60, 'F') +
                        "1F"
                        "5E\r\n"))
        << hex.substr(0, 80);
    EXPECT_TRUE(hex.ends_with(":2091E000" + std::string(62, 'F') +
                              "AB"
                              "E3\r\n:00000001FF\r\n"));
    EXPECT_EQ(std::count(hex.begin(), hex.end(), '\n'), 145);  // 144 records of 32 bytes and the end

    const HexLoad load = IntelHexLoader::load(hex);
    EXPECT_EQ(tablesFileError(load), "");
    const TablesFile file = tablesFromHex(load, [](std::uint16_t) -> std::optional<Bytes> {
        ADD_FAILURE() << "a whole backup needs nothing from the scale";
        return std::nullopt;
    });
    ASSERT_EQ(file.pages.size(), 36u);
    EXPECT_EQ(file.pages[35].address, 0x9180);
    EXPECT_EQ(file.pages[35].bytes.back(), 0xAB);
    EXPECT_EQ(tablePages(tables).size(), 36u);
}

TEST(UserTables, RefusesFilesThatAreNoBackupOfTheRegion) {
    EXPECT_EQ(tablesFileError(IntelHexLoader::load(":01808000AA55\r\n:017FFF00552C\r\n:00000001FF\r\n")),
              "The file holds data at 7FFF, outside the tables region 8000..91FF: it is no tables backup.");
    EXPECT_EQ(tablesFileError(IntelHexLoader::load(":02920000AAAA18\r\n:00000001FF\r\n")),
              "The file holds data at 9200, outside the tables region 8000..91FF: it is no tables backup.");
    EXPECT_EQ(tablesFileError(IntelHexLoader::load(":00000001FF\r\n")),
              "The file holds no data for the tables region.");
    EXPECT_EQ(tablesFileError(IntelHexLoader::load(":0180800AAD5\r\n:00000001FF\r\n")).substr(0, 8),
              "Line 1: ");
    // A tables file is no update file.
    EXPECT_EQ(tablesFileError(IntelHexLoader::load("")), "The file is empty: it holds no Intel HEX records.");
}

TEST(UserTables, RefusesOverlappingRecordsWithOtherBytesAndRecordsAfterTheEnd) {
    // The same bytes twice are one backup written out twice; other bytes are two mixed.
    EXPECT_EQ(tablesFileError(IntelHexLoader::load(":0280000011224B\r\n:01800100225C\r\n:00000001FF\r\n")),
              "");
    EXPECT_EQ(
        tablesFileError(IntelHexLoader::load(":0280000011224B\r\n\r\n:01800100334B\r\n:00000001FF\r\n")),
        "Line 3: data at 8001 differs from what an earlier record put there.");
    // Two backups one after the other (cat a.hex b.hex); blank lines after the end are nothing.
    EXPECT_EQ(tablesFileError(IntelHexLoader::load(":01800000AAD5\r\n:00000001FF\r\n\r\n  \r\n")), "");
    EXPECT_EQ(tablesFileError(IntelHexLoader::load(
                  ":01800000AAD5\r\n:00000001FF\r\n\r\n:01900000BBB4\r\n:00000001FF\r\n")),
              "Line 4: the file goes on after its end record on line 2.");
    // The update loader keeps its own rules: the later record wins, what follows the end is not read.
    const HexLoad update = IntelHexLoader::load(":0280000011224B\r\n:01800100334B\r\n:00000001FF\r\n:zz\r\n");
    ASSERT_TRUE(update.image);
    EXPECT_EQ(update.image->bytes()[0x8001], 0x33);
}

TEST(UserTables, APartlyCoveredPageKeepsTheScalesOtherBytes) {
    // Two bytes at 0x8381 and 0x8382 of the page 0x8380.
    const HexLoad load = IntelHexLoader::load(":02838100A1B2A7\r\n:00000001FF\r\n");
    ASSERT_EQ(tablesFileError(load), "");
    Bytes current(128);
    for (std::size_t i = 0; i < 128; ++i)
        current[i] = static_cast<Byte>(i);
    const TablesFile file = tablesFromHex(load, [&](std::uint16_t address) -> std::optional<Bytes> {
        EXPECT_EQ(address, 0x8380);
        return current;
    });
    ASSERT_EQ(file.pages.size(), 1u);
    Bytes expected = current;
    expected[1] = 0xA1, expected[2] = 0xB2;
    EXPECT_EQ(file.pages[0].bytes, expected);

    const TablesFile silent = tablesFromHex(load, [](std::uint16_t) { return std::optional<Bytes>(); });
    EXPECT_TRUE(silent.pages.empty());
    EXPECT_EQ(silent.error, "The scale's bytes of a page the file covers only in part could not be read.");
}

TEST(UserTables, WritesPagesWithThePageRulesAndStopsAtTheFirstFailure) {
    const Bytes tables = region(memoryWithTables());
    Bytes erased(0x10000, 0xFF);
    erased[0x0700] = 0x12, erased[0x0701] = 0x34, erased[0x0702] = 0x56, erased[0x0703] = 0x78;
    FakeScaleTransport blank = scaleWith(erased);
    const OperationResult done = writeTables(blank, tablePages(tables), packSerial("12345678"), {}, kGoOn);
    EXPECT_TRUE(done.succeeded());
    EXPECT_EQ(region(blank.model().memory()), tables);
    EXPECT_EQ(done.pagesTotal, 36u);

    FakeScaleTransport failing = scaleWith(erased, {"lose:write:addr=0x8180"});
    const OperationResult failed =
        writeTables(failing, tablePages(tables), packSerial("12345678"), {}, kGoOn);
    EXPECT_EQ(failed.stage, Stage::Write);
    EXPECT_EQ(failed.outcome, Outcome::NoReply);
    EXPECT_EQ(failed.page, 0x8180u);
    EXPECT_EQ(failed.pagesDone, 3u);
    EXPECT_EQ(failed.pagesTotal, 36u);
}

TEST(UserTables, BlankAndProgrammedRegions) {
    ImageBuffer image;
    EXPECT_TRUE(leavesTablesBlank(image));
    image[0x91FF] = 0x00;
    EXPECT_FALSE(leavesTablesBlank(image));
    image[0x91FF] = 0xFF;
    image[0x9200] = 0x00;  // past the region
    EXPECT_TRUE(leavesTablesBlank(image));
    EXPECT_FALSE(holdsTables(Bytes(4608, 0xFF)));
    EXPECT_TRUE(holdsTables(region(memoryWithTables())));

    std::tm when{};
    when.tm_year = 126, when.tm_mon = 11, when.tm_mday = 8, when.tm_hour = 5, when.tm_min = 13,
    when.tm_sec = 20;
    EXPECT_EQ(backupFileName("12345678", when), "Tables-12345678-20261208-051320.hex");
    EXPECT_EQ(backupFileName("12345678", when, 2), "Tables-12345678-20261208-051320-2.hex");
}

TEST(UserTables, TheRestoreQuestionSaysWhenTheFileWasSavedFromAnotherScale) {
    EXPECT_EQ(backupNameSerial("/b/Tables-12345678-20261208-051320-2.hex"), "12345678");
    EXPECT_EQ(backupNameSerial("Tables-1234567-20261208-051320.hex"), std::nullopt);
    EXPECT_EQ(backupNameSerial("Tables-1234567X-20261208-051320.hex"), std::nullopt);
    EXPECT_EQ(backupNameSerial("Tables-12345678/tables.hex"), std::nullopt) << "a folder's name";
    const auto named = backupSerial("b/Tables-12345678-20261208-051320.hex", "");
    EXPECT_EQ(restoreQuestion(36, "b/Tables-12345678-20261208-051320.hex", "24681357", "/dev/pts/4", named),
              "b/Tables-12345678-20261208-051320.hex was saved from the scale 12345678, not from this one. "
              "Write 36 pages of saved tables from b/Tables-12345678-20261208-051320.hex into the scale "
              "24681357 on /dev/pts/4?");
    EXPECT_EQ(
        restoreQuestion(2, "Tables-24681357-20261208-051320.hex", "24681357", "/dev/pts/4", "24681357"),
        "Write 2 pages of saved tables from Tables-24681357-20261208-051320.hex into the scale 24681357 "
        "on /dev/pts/4?");
    EXPECT_EQ(restoreQuestion(2, "mine.hex", "24681357", "COM3", std::nullopt),
              "Write 2 pages of saved tables from mine.hex into the scale 24681357 on COM3?");
}

// The serial number kept beside a backup counts before its name; a known other scale is refused.
TEST(UserTables, ABackupKnownToBeAnotherScalesIsRefused) {
    EXPECT_EQ(backupSerial("mine.hex", "12345678"), "12345678");
    EXPECT_EQ(backupSerial("Tables-11111111-20261208-051320.hex", "12345678"), "12345678");
    EXPECT_EQ(backupSerial("Tables-11111111-20261208-051320.hex", "garbage"), "11111111");
    EXPECT_EQ(backupSerial("mine.hex", ""), std::nullopt);
    EXPECT_EQ(otherScaleRefusal("mine.hex", "12345678", "24681357"),
              "mine.hex was saved from the scale 12345678, not from this one (24681357). Nothing was "
              "written; to write another scale's zone table and keys into it, add --other-scale.");
    EXPECT_EQ(otherScaleRefusal("mine.hex", "24681357", "24681357"), "");
    EXPECT_EQ(otherScaleRefusal("mine.hex", std::nullopt, "24681357"), "");
}

TEST(TimeLeftEstimate, FromThePaceSoFarAtMostOnceASecond) {
    TimeLeft left;
    EXPECT_FALSE(left.update(4, 1024, 0.3));               // too early to tell
    EXPECT_EQ(left.update(16, 1024, 1.0), "1 min 3 sec");  // 1008 units at 16 a second
    EXPECT_FALSE(left.update(20, 1024, 1.5));              // shown less than a second ago
    EXPECT_EQ(left.update(512, 1024, 32.0), "32 sec");
    // The run starts again: the pace is measured anew from there.
    EXPECT_FALSE(left.update(0, 1024, 33.0));
    EXPECT_EQ(left.update(10, 1024, 38.0), "8 min 27 sec");
    // Ten seconds of waiting for the user's answer are no part of the pace.
    left.leaveOut(10.0);
    EXPECT_EQ(left.update(20, 1024, 53.0), "8 min 22 sec");
    EXPECT_EQ(runUnitsDone({Phase::Write, 0, 512}), 0u);
    EXPECT_EQ(runUnitsDone({Phase::Write, 511, 512}), 511u);
    EXPECT_EQ(runUnitsDone({Phase::Verify, 0, 512}), 512u);
    EXPECT_EQ(runUnitsDone({Phase::Verify, 511, 512}), 1023u);
}

TEST(UserTables, AfterAnUpdateTheRestoreIsOfferedOnlyForProgrammedTablesTheFileLeftBlank) {
    ImageBuffer blankRegion;
    ImageBuffer ownTables;
    ownTables[0x8300] = 0x01;
    const Bytes programmed = region(memoryWithTables());
    const Bytes erased(4608, 0xFF);
    EXPECT_EQ(tablesAfterUpdate(blankRegion, programmed), TablesAfterUpdate::OfferRestore);
    EXPECT_EQ(tablesAfterUpdate(ownTables, programmed), TablesAfterUpdate::FileBringsTables);
    EXPECT_EQ(tablesAfterUpdate(blankRegion, erased), TablesAfterUpdate::Nothing);
}

TEST(TablesMessages, WhatTheUserIsToldAboutTheTablesAroundAnUpdate) {
    // Questions before the run are warnings; the offer after it is a plain question.
    OperationResult silent = failedAt(Stage::Read, Outcome::NoReply);
    silent.page = 0x8080;
    const Message unread = tables_text::unreadQuestion(silent);
    EXPECT_EQ(unread.title, "Vantor PC Program");
    EXPECT_EQ(unread.icon, Message::Icon::Exclamation);
    EXPECT_EQ(unread.buttons, Message::Buttons::YesNo);
    EXPECT_EQ(tables_text::offerRestore("x").icon, Message::Icon::Question);
    EXPECT_EQ(tables_text::notRestored("x", "y").icon, Message::Icon::Exclamation);
    EXPECT_EQ(tables_text::restored().buttons, Message::Buttons::Ok);
    EXPECT_EQ(unread.text,
              "Your zone table and keys could not be saved before the update: the scale did not answer the "
              "read of page 8080.\n\nNothing has been written to the scale yet. Update it all the same? Your "
              "keys and zone table would then have to be programmed again.");
    EXPECT_EQ(tables_text::notSavedQuestion("/data/Tables.hex", "No space left on device").text,
              "Your zone table and keys were read, but could not be saved to /data/Tables.hex (No space left "
              "on device).\n\nNothing has been written to the scale yet. Update it all the same? Your zone "
              "table and keys would then be kept only in this program's memory until they are written back.");
    EXPECT_EQ(tables_text::memoryOnly("Permission denied"), "memory only (Permission denied)");
    EXPECT_EQ(
        tables_text::offerRestore("/data/Tables.hex").text,
        "The scale has been updated. The update leaves the zone table and keys blank.\n\nYour zone "
        "table and keys were saved before the update, in /data/Tables.hex.\n\nWrite them back into the "
        "scale now? If you answer No, the scale has no zone table and no programmed keys until they are "
        "written back: the program offers them again when it next finds this scale.");
    EXPECT_EQ(tables_text::restored().text,
              "Your zone table and keys were written back into the scale and verified.");
    EXPECT_EQ(
        tables_text::notRestored("the scale link is busy.", "/data/Tables.hex").text,
        "The scale has been updated, but your zone table and keys were not written back: the scale link "
        "is busy.\n\nThey are saved in /data/Tables.hex.");
    EXPECT_EQ(tables_text::fileBringsTables("/data/Tables.hex").text,
              "The update brings a zone table and keys of its own, which are now in the scale.\n\n"
              "Your own zone table and keys were saved before the update, in /data/Tables.hex.");
}
