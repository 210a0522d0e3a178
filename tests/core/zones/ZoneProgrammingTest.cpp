// From pasted text to the scale's memory: the refusals before anything is written, the order and
// layout of the zone table, and the page writes against the in-process scale.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "core/scale/SerialNumber.h"
#include "core/zones/ZoneChartCheck.h"
#include "core/zones/ZoneProgramming.h"
#include "support/FakeScaleTransport.h"

using namespace vantor;
using namespace vantor::zones;
using scale::FakeScaleTransport;
using scale::ScaleModel;

namespace {

const std::string kExample =
    "Zone Chart\r\n3-digit ZIP Code prefix is 123\r\n005 4 006---009 5*\r\n010---012 6\r\n";

std::string chartFor(const std::string& origin, const std::string& body = "005 4\r\n") {
    return "Zone Chart\r\n3-digit ZIP Code prefix is " + origin + "\r\n" + body;
}

// The zone table's 768 bytes as the scale holds them.
Bytes zoneTableIn(const ScaleModel& model) {
    const auto start = model.memory().begin() + kZonesAddress;
    return Bytes(start, start + 3 * 256);
}

Bytes expectedTable(const std::vector<std::pair<int, int>>& sorted) {
    Bytes table(3 * 256, 0);
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        table[i] = static_cast<Byte>(sorted[i].second);
        table[256 + 2 * i] = static_cast<Byte>(sorted[i].first >> 8);
        table[256 + 2 * i + 1] = static_cast<Byte>(sorted[i].first & 0xFF);
    }
    return table;
}

struct ZoneRun {
    scale::OperationResult result;
    std::vector<std::size_t> progress;  // pages done, as each report said
};

ZoneRun programInto(FakeScaleTransport& scale, const std::string& pasted, const std::atomic<bool>& cancel) {
    const ZoneChartReading reading = readZoneChart(pasted);
    EXPECT_TRUE(reading.accepted()) << (reading.refusal ? reading.refusal->text : "");
    ZoneRun run;
    run.result = ProgramData(
        scale, encodeZoneTable(reading.table),
        [&](const scale::Progress& progress) {
            EXPECT_EQ(progress.phase, scale::Phase::Write);
            EXPECT_EQ(progress.total, 6u);
            run.progress.push_back(progress.done);
        },
        cancel);
    return run;
}

ZoneRun programInto(FakeScaleTransport& scale, const std::string& pasted) {
    const std::atomic<bool> cancel{false};
    return programInto(scale, pasted, cancel);
}

}  // namespace

TEST(ReadZoneChart, RefusesWhatCannotBeWritten) {
    struct Case {
        std::string pasted;
        const char* title;
        const char* text;
    };
    const char* invalid =
        "PC Program cannot detect a valid zip.\nPlease check that the data you copied and pasted is correct.";
    const char* noChart =
        "PC Program cannot find a zone chart in the pasted data.\nPlease check that the data you copied and "
        "pasted is correct.";
    const Case cases[] = {
        {"", "No Zip/Zone Data",
         "There's no zip/zone data to program on Vantor scale. Please read the instructions."},
        {"Zone Chart\r\n005 4\r\n", "Invalid Data", invalid},  // no marker
        {chartFor("004"), "Invalid Data", invalid},
        {chartFor("000"), "Invalid Data", invalid},
        {chartFor("ABC"), "Invalid Data", invalid},  // no number at all
        {chartFor("12"), "Invalid Data", invalid},   // cut short
        {chartFor("1 2"), "Invalid Data", invalid},
        {"3-digit ZIP Code prefix is 123\r\n005 4\r\n", "Invalid Data", invalid},  // marker on the first line
        {"   ", "Invalid Data", invalid},
        // The marker without a chart (copied before the chart had loaded): an all-zero table
        // would wipe the scale's zones.
        {chartFor("123", "010 4 020 5\r\nno chart today\r\n"), "Invalid Data", noChart},
        {chartFor("123", ""), "Invalid Data", noChart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pasted);
        const ZoneChartReading reading = readZoneChart(c.pasted);
        ASSERT_FALSE(reading.accepted());
        EXPECT_EQ(reading.refusal->title, c.title);
        EXPECT_EQ(reading.refusal->text, c.text);
    }
    EXPECT_EQ(readZoneChart("").refusal->icon, vantor::Message::Icon::Exclamation);
    EXPECT_EQ(readZoneChart(chartFor("004")).refusal->icon, vantor::Message::Icon::None);
}

TEST(ConfirmationMessage, SaysHowManyRangesWereReadAndWhatAChartCutShortLeavesOut) {
    EXPECT_EQ(
        confirmationMessage("606", 1, 999).text,
        "You are going to program your scale's postal zones using zip 606.\n1 destination range was read "
        "from the zone chart.\nAre you sure you want to continue?");
    EXPECT_EQ(confirmationMessage("606", 28, 87).text,
              "You are going to program your scale's postal zones using zip 606.\n28 destination ranges were "
              "read from the zone chart.\nThe chart ends at destination 087, so destinations 088 to 999 will "
              "have no zone in the scale. If you copied only part of the chart, answer No and copy the whole "
              "page again.\nAre you sure you want to continue?");
}

TEST(ReadZoneChart, AcceptsOrigins005To999) {
    for (const char* origin : {"005", "006", "123", "999"}) {
        SCOPED_TRACE(origin);
        const ZoneChartReading reading = readZoneChart(chartFor(origin));
        EXPECT_TRUE(reading.accepted());
        EXPECT_EQ(reading.table.OriginZip, origin);
    }
}

TEST(ReadZoneChart, RefusesAChartTooLongForTheTable) {
    std::string body = "005 1\r\n";
    for (int i = 0; i < 256; ++i)
        body += std::to_string(100 + i) + " 2    ";
    const ZoneChartReading reading = readZoneChart(chartFor("123", body));
    ASSERT_FALSE(reading.accepted());
    EXPECT_EQ(reading.refusal->title, "Invalid Data");
    EXPECT_EQ(reading.refusal->text,
              "The zone chart holds 257 destinations, but the scale has room for 256.\n"
              "Please check that the data you copied and pasted is correct.");
}

TEST(ReadZoneChart, SortsByPrefixKeepingTheChartOrderOfEqualPrefixes) {
    const ZoneChartReading reading =
        readZoneChart(chartFor("123", "005 4   900 8   012 6\r\n300 7   012 2*  006 5\r\n012 3\r\n"));
    ASSERT_TRUE(reading.accepted());
    const ZoneChart& table = reading.table;
    ASSERT_EQ(table.ZipCount, 7);
    const std::vector<std::pair<int, int>> expected = {{5, 4},  {6, 5},   {12, 6}, {12, 2},
                                                       {12, 3}, {300, 7}, {900, 8}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(table.ZipPrefixes[i], expected[i].first) << i;
        EXPECT_EQ(table.Zones[i], expected[i].second) << i;
    }
}

TEST(SortForScale, ZeroesEverySlotPastTheEntries) {
    ZoneChart chart;
    chart.ZipPrefixes.fill(777);  // left over from an earlier, longer chart
    chart.Zones.fill(7);
    chart.ZipCount = 2;
    chart.ZipPrefixes[0] = 20;
    chart.ZipPrefixes[1] = 10;
    const ZoneChart sorted = sortForScale(chart);
    EXPECT_EQ(sorted.ZipPrefixes[0], 10);
    EXPECT_EQ(sorted.ZipPrefixes[1], 20);
    EXPECT_TRUE(
        std::all_of(sorted.ZipPrefixes.begin() + 2, sorted.ZipPrefixes.end(), [](int p) { return p == 0; }));
    EXPECT_TRUE(std::all_of(sorted.Zones.begin() + 2, sorted.Zones.end(), [](int z) { return z == 0; }));
}

TEST(ZoneProgramData, TheExampleWritesZonesAt8000AndPrefixesAt8100) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    const ZoneRun run = programInto(scale, kExample);

    ASSERT_TRUE(run.result.succeeded()) << scale::describe(run.result);
    EXPECT_EQ(run.result.serial, "12345678");
    EXPECT_EQ(run.result.pagesDone, 6u);
    EXPECT_EQ(run.progress, (std::vector<std::size_t>{1, 2, 3, 4, 5, 6}));

    const Bytes& memory = scale.model().memory();
    const Bytes zones(memory.begin() + 0x8000, memory.begin() + 0x8100);
    Bytes expectedZones(256, 0);
    expectedZones[0] = 0x04;
    expectedZones[1] = 0x05;
    expectedZones[2] = 0x06;
    EXPECT_EQ(zones, expectedZones);
    const Bytes prefixes(memory.begin() + 0x8100, memory.begin() + 0x8300);
    Bytes expectedPrefixes(512, 0);
    const Byte written[] = {0x00, 0x05, 0x00, 0x09, 0x00, 0x0C};
    std::copy(std::begin(written), std::end(written), expectedPrefixes.begin());
    EXPECT_EQ(prefixes, expectedPrefixes);
    // Nothing around the table is touched: the firmware before it, the first key block after it.
    EXPECT_EQ(memory[0x7FFF], 0xFF);
    EXPECT_EQ(memory[0x8300], 0xFF);
}

TEST(ZoneProgramData, ReadsTheSerialNumberFirstAndUnlocksEveryPageWithIt) {
    FakeScaleTransport scale(ScaleModel("24681357"));
    ASSERT_TRUE(programInto(scale, kExample).result.succeeded());

    const auto& sent = scale.sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), (Bytes{0xB4, 0x07, 0x00}));
    std::vector<unsigned> pages;
    for (const Bytes& command : sent) {
        if (command[0] == 0x1E) {
            EXPECT_EQ(command, (Bytes{0x1E, 0x24, 0x68, 0x13, 0x57}));
        } else if (command[0] == 0xC3) {
            pages.push_back(static_cast<unsigned>(command[1] << 8 | command[2]));
        }
    }
    EXPECT_EQ(pages, (std::vector<unsigned>{0x8000, 0x8080, 0x8100, 0x8180, 0x8200, 0x8280}));
    EXPECT_EQ(scale.model().counters().unlocks, 6u);
    EXPECT_EQ(scale.model().counters().finishes, 6u);
}

TEST(ZoneProgramData, OutOfOrderEntriesAreWrittenSorted) {
    FakeScaleTransport scale;
    const std::string pasted = chartFor("606", "005 7   400 3   200 5*\r\n100---150 6   999 8   007 7\r\n");
    ASSERT_TRUE(programInto(scale, pasted).result.succeeded());
    EXPECT_EQ(zoneTableIn(scale.model()),
              expectedTable({{5, 7}, {7, 7}, {150, 6}, {200, 5}, {400, 3}, {999, 8}}));
}

TEST(ZoneProgramData, ARealisticPageFillsTheTableInPrefixOrder) {
    FakeScaleTransport scale;
    std::string pasted;
    {
        std::FILE* file = std::fopen(VANTOR_FIXTURES_DIR "/zones/chart-606.txt", "rb");
        ASSERT_NE(file, nullptr);
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            pasted.append(buffer, n);
        std::fclose(file);
    }
    ASSERT_TRUE(programInto(scale, pasted).result.succeeded());
    const Bytes table = zoneTableIn(scale.model());
    // 65 entries, ascending prefixes, then zeros; the first is 005 zone 7, the last 969 zone 8.
    std::vector<int> prefixes;
    for (std::size_t i = 0; i < 256; ++i)
        prefixes.push_back(table[256 + 2 * i] << 8 | table[256 + 2 * i + 1]);
    EXPECT_TRUE(std::is_sorted(prefixes.begin(), prefixes.begin() + 65));
    EXPECT_EQ(prefixes[0], 5);
    EXPECT_EQ(table[0], 7);
    EXPECT_EQ(prefixes[64], 999);
    EXPECT_EQ(table[64], 8);
    EXPECT_TRUE(std::all_of(prefixes.begin() + 65, prefixes.end(), [](int p) { return p == 0; }));
    EXPECT_TRUE(std::all_of(table.begin() + 65, table.begin() + 256, [](Byte z) { return z == 0; }));
}

TEST(ZoneProgramData, StopsAtTheFirstFailedPageAndSaysHowItFailed) {
    using scale::Outcome;
    using scale::Stage;
    struct Case {
        const char* fault;
        std::uint16_t page;
        Outcome outcome;
        Stage stage;
        bool silent;
        std::size_t pagesWritten;
    };
    const Case cases[] = {
        {"refuse:unlock", 0x8000, Outcome::Refused, Stage::Unlock, false, 0},
        {"lose:unlock", 0x8000, Outcome::NoReply, Stage::Unlock, true, 0},
        {"lose:write:addr=0x8100", 0x8100, Outcome::NoReply, Stage::Write, true, 2},
        {"refuse:write:addr=0x8200", 0x8200, Outcome::Refused, Stage::Write, false, 4},
        {"corrupt:read:addr=0x8280", 0x8280, Outcome::Mismatch, Stage::ReadBack, false, 5},
        {"lose:read:addr=0x8080", 0x8080, Outcome::NoReply, Stage::ReadBack, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        FakeScaleTransport scale(ScaleModel("12345678"));
        scale.model().addFault(*scale::parseFault(c.fault).fault);
        const ZoneRun run = programInto(scale, kExample);
        EXPECT_EQ(run.result.outcome, c.outcome);
        EXPECT_EQ(run.result.page, c.page);
        EXPECT_EQ(run.result.stage, c.stage);
        EXPECT_EQ(run.result.scaleSilent(), c.silent);
        EXPECT_EQ(run.result.pagesDone, c.pagesWritten);
        EXPECT_EQ(run.progress.size(), c.pagesWritten);
        // No page after the failed one was sent.
        for (const Bytes& command : scale.sent()) {
            if (command[0] == 0xC3) {
                EXPECT_LE(command[1] << 8 | command[2], c.page);
            }
        }
    }
}

TEST(ZoneProgramData, ASilentScaleFailsAtTheFirstUnlock) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.model().addFault(*scale::parseFault("lose:any").fault);
    const ZoneRun run = programInto(scale, kExample);
    EXPECT_EQ(run.result.serial, "");
    EXPECT_TRUE(run.result.scaleSilent());
    EXPECT_EQ(run.result.page, 0x8000);
    EXPECT_EQ(scale::describe(run.result),
              "The scale did not answer the unlock for page 8000; 0 of 6 pages were written.");
}

TEST(ZoneProgramData, StopsPromptlyOnceCancelled) {
    {
        FakeScaleTransport scale;
        const std::atomic<bool> cancel{true};
        const ZoneRun run = programInto(scale, kExample, cancel);
        EXPECT_TRUE(run.result.cancelled());
        EXPECT_TRUE(scale.sent().empty());
    }
    {
        // The program ends while the third page is due.
        FakeScaleTransport scale;
        std::atomic<bool> cancel{false};
        const ZoneChartReading reading = readZoneChart(kExample);
        const scale::OperationResult result = ProgramData(
            scale, encodeZoneTable(reading.table),
            [&](const scale::Progress& progress) { cancel = progress.done >= 2; }, cancel);
        EXPECT_TRUE(result.cancelled());
        EXPECT_EQ(result.pagesDone, 2u);
        EXPECT_EQ(scale.model().counters().writes, 2u);
    }
}
