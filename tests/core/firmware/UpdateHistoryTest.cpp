// The update history's format and the digest it keeps: exact lines and bytes, read back
// tolerantly.

#include <gtest/gtest.h>

#include "core/firmware/ScaleStatus.h"
#include "core/firmware/Sha256.h"
#include "core/firmware/UpdateHistory.h"

using namespace vantor;
using namespace vantor::firmware;

namespace {

std::string hexOf(std::string_view text) {
    return sha256Hex(std::span(reinterpret_cast<const Byte*>(text.data()), text.size()));
}

HistoryRecord keyRecord() {
    HistoryRecord record;
    record.time = "2026-12-08T13:06:33+01:00";
    record.serial = "24681357";
    record.operation = "key";
    record.what = "key 3 \"rates\"\\\t";
    record.result = "The scale refused the write for page 8800; 2 of 5 pages were written.";
    record.pages = 2;
    record.seconds = 0.44;
    return record;
}

}  // namespace

TEST(Sha256, GivesTheStandardDigests) {
    EXPECT_EQ(hexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block.
    EXPECT_EQ(hexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    const Bytes million(1000000, 'a');
    Sha256 pieces;
    for (std::size_t at = 0; at < million.size(); at += 333)
        pieces.add(std::span(million).subspan(at, std::min<std::size_t>(333, million.size() - at)));
    EXPECT_EQ(toHex(pieces.digest()), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
}

TEST(UpdateHistory, ARecordIsOneLineOfJsonAndReadsBackEqual) {
    const HistoryRecord record = keyRecord();
    EXPECT_EQ(
        historyLine(record),
        "{\"time\":\"2026-12-08T13:06:33+01:00\",\"serial\":\"24681357\",\"operation\":\"key\","
        "\"what\":\"key 3 \\\"rates\\\"\\\\\\u0009\",\"sha256\":null,\"result\":\"The scale refused the "
        "write for page 8800; 2 of 5 pages were written.\",\"ok\":false,\"pages\":2,\"seconds\":0.4}\n");
    HistoryRecord expected = record;
    expected.seconds = 0.4;  // kept to a tenth
    EXPECT_EQ(parseHistoryLine(historyLine(record).substr(0, historyLine(record).size() - 1)), expected);

    std::tm local{};
    local.tm_year = 126, local.tm_mon = 11, local.tm_mday = 8, local.tm_hour = 7, local.tm_min = 6;
    EXPECT_EQ(historyTime(local, 3600), "2026-12-08T07:06:00+01:00");
    EXPECT_EQ(historyTime(local, -19800), "2026-12-08T07:06:00-05:30");
}

TEST(UpdateHistory, DamagedLinesAreSkippedAndTheRestIsKept) {
    const std::string good = historyLine(keyRecord());
    const std::string update =
        "{\"time\":\"t\",\"operation\":\"update\",\"result\":\"r\",\"ok\":true,\"sha256\":\"ab\","
        "\"journal\":7,\"what\":\"\\u00e9\\ud83d\\ude00\"}";
    const std::string content =
        good +                                                                 // 1
        "\n" +                                                                 // 2: blank, not damaged
        update + "\r\n" +                                                      // 3: CR LF, an unknown field
        good.substr(0, 40) + good +                                            // 4: cut, then a whole one
        "{\"time\":\"t\",\"operation\":\"key\"}\n" +                           // 5: fields missing
        "{\"time\":1,\"operation\":\"key\",\"result\":\"r\",\"ok\":true}\n" +  // 6
        "{\"time\":\"t\",\"operation\":\"key\",\"result\":\"r\",\"ok\":true,\"pages\":-1}\n" +
        std::string("\0\0\0", 3) + "\n" +         // 8
        good.substr(0, good.size() - 1) + "\r" +  // 9: a lone CR ends a line too
        good.substr(0, good.size() - 3);          // 10: the end cut off
    const HistoryRead read = readHistory(content);
    EXPECT_EQ(read.damagedLines, (std::vector<std::size_t>{4, 5, 6, 7, 8, 10}));
    ASSERT_EQ(read.records.size(), 4u);
    HistoryRecord first = keyRecord();
    first.seconds = 0.4;
    EXPECT_EQ(read.records[0], first);
    EXPECT_EQ(read.records[1].what, "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(read.records[1].sha256, "ab");
    EXPECT_TRUE(read.records[1].ok);
    EXPECT_EQ(read.records[2], read.records[0]);
    EXPECT_EQ(read.records[3], read.records[0]);
}

TEST(UpdateHistory, RecordsTellTheResultInTheOneResultsWords) {
    scale::OperationResult run = scale::failedAt(scale::Stage::Write, scale::Outcome::Refused);
    run.page = 0x0380, run.pagesDone = 7, run.pagesTotal = 512, run.serial = "24681357";
    ImageBuffer image;
    const HistoryRecord failed = updateRecord(image, run, 3.0);
    EXPECT_EQ(failed.operation, "update");
    EXPECT_EQ(failed.result, "The scale refused the write for page 0380; 7 of 512 pages were written.");
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.pages, 7u);
    image.UpdateSN("24681357");
    EXPECT_EQ(failed.sha256, sha256Hex(image.bytes()));
    EXPECT_EQ(
        updateRecord(image, scale::failedAt(scale::Stage::SerialRead, scale::Outcome::NoReply), 0).sha256,
        "");

    scale::OperationResult read;
    read.stage = scale::Stage::Read, read.pagesDone = read.pagesTotal = 36;
    EXPECT_EQ(historyRecord("backup", read, "t.hex", 1).pages, 0u);  // pages read are no pages written

    HistoryRecord older = failed, newer = failed, other = failed, key = keyRecord();
    newer.result = "newer";
    other.serial = "11111111";
    EXPECT_EQ(lastUpdate({older, newer, other, key}, "24681357"), newer);
    EXPECT_EQ(lastUpdate({older, newer}, "11111111"), std::nullopt);

    EXPECT_EQ(historyTableHeading() + historyTableLine(keyRecord()) + historyTableLine(failed),
              "TIME                 SERIAL    OPERATION  OUTCOME  PAGES  SECONDS  WHAT          RESULT\n"
              "2026-12-08 13:06:33  24681357  key        failed       2      0.4  key 3 \"rates\"\\\\x09  "
              "The scale "
              "refused the write for page 8800; 2 of 5 pages were written.\n"
              "                     24681357  update     failed       7      3.0  " +
                  failed.sha256.substr(0, 12) +
                  "  The scale refused the write for page 0380; 7 of 512 pages were written.\n");
}

TEST(UpdateHistory, TheTableShowsControlCharactersEscapedSoThatAFieldMakesNoRowOfItsOwn) {
    HistoryRecord forged = keyRecord();
    forged.what = "\x1b[2J";
    forged.result = "x\n2026-12-08 13:06:33  11111111  update     ok  \r\xc2\x9b\x7f";
    const std::string line = historyTableLine(forged);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    EXPECT_TRUE(
        line.ends_with("  \\x1B[2J       x\\n2026-12-08 13:06:33  11111111  update     ok  "
                       "\\r\\x9B\\x7F\n"))
        << line;
    EXPECT_EQ(shownText("Zürich \t"), "Zürich \\x09");
}

// An update's record is opened as its run begins and closed by the record of its end: one killed
// by force is left open, and is no "ok".
TEST(UpdateHistory, AnUpdateNeverEndedStaysOpen) {
    HistoryRecord opening = openingRecord("update");
    opening.time = "2026-12-08T13:00:00+01:00";
    opening.serial = "24681357";
    EXPECT_TRUE(historyLine(opening).ends_with(",\"open\":true}\n"));
    EXPECT_EQ(parseHistoryLine(historyLine(opening).substr(0, historyLine(opening).size() - 1)), opening);

    HistoryRecord ended = keyRecord();
    ended.operation = "update";
    ended.ok = true;
    const HistoryRecord key = keyRecord();
    // A run that ended, then one that was killed.
    const std::vector<HistoryRecord> records{opening, key, ended, opening};
    EXPECT_EQ(withoutClosedOpenings(records), (std::vector<HistoryRecord>{key, ended, opening}));
    ASSERT_TRUE(lastUpdate(records, "24681357"));
    EXPECT_TRUE(lastUpdate(records, "24681357")->open);

    TablesState tables;
    tables.zoneTable = true;
    UpdateJournal journal;
    journal.started = "2026-12-08 13:00";
    journal.phase = "writing-tables-back";
    journal.pages = 16;
    const std::string unfinished = unfinishedText(journal);
    EXPECT_EQ(unfinished,
              "an update begun 2026-12-08 13:00 did not finish (it stopped writing the zone table and keys "
              "back, at least 16 pages in); finish it with: vantor-cli resume");
    const std::string text = statusText("/dev/ttyUSB0", "24681357", tables, opening, unfinished);
    EXPECT_TRUE(
        text.ends_with("  last update: 2026-12-08 13:00:00, not ended: Begun; not ended.\n"
                       "  unfinished: " +
                       unfinished + "\n"))
        << text;
    EXPECT_TRUE(statusIsUnsettled(opening, ""));
    EXPECT_TRUE(statusIsUnsettled(ended, unfinished));
    EXPECT_FALSE(statusIsUnsettled(ended, ""));
}
