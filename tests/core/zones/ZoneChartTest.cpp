// Reading pasted zone-chart pages: the origin, where the chart starts, the entries, the line ends,
// and the candidates that only look like entries.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "core/zones/ZoneChart.h"

using namespace vantor::zones;

namespace {

using Entries = std::vector<std::pair<int, int>>;  // (prefix, zone)

Entries entriesOf(const ZoneChart& chart) {
    Entries entries;
    for (int i = 0; i < chart.ZipCount; ++i)
        entries.emplace_back(chart.ZipPrefixes[static_cast<std::size_t>(i)],
                             chart.Zones[static_cast<std::size_t>(i)]);
    return entries;
}

std::string joined(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

std::string readFixture(const char* name) {
    std::ifstream in(std::string(VANTOR_FIXTURES_DIR "/zones/") + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::vector<std::string> kExample = {
    "Zone Chart",
    "3-digit ZIP Code prefix is 123",
    "005 4 006---009 5*",
    "010---012 6",
};
const Entries kExampleEntries = {{5, 4}, {9, 5}, {12, 6}};

}  // namespace

TEST(ParseString, TheFourLineExample) {
    const ZoneChart chart = ParseString(joined(kExample, "\r\n"));
    EXPECT_EQ(chart.OriginZip, "123");
    EXPECT_EQ(entriesOf(chart), kExampleEntries);
    EXPECT_EQ(chart.entriesFound, 3u);
    EXPECT_FALSE(chart.tooManyEntries());
}

TEST(ParseString, LineEndsOfEveryPlatformReadAlike) {
    for (const char* end : {"\r\n", "\n"}) {
        SCOPED_TRACE(end[0] == '\r' ? "CR LF" : "LF");
        const ZoneChart chart = ParseString(joined(kExample, end));
        EXPECT_EQ(chart.OriginZip, "123");
        EXPECT_EQ(entriesOf(chart), kExampleEntries);
    }
    // Without the final line end, and with both kinds mixed in one paste.
    const ZoneChart mixed =
        ParseString("Zone Chart\n3-digit ZIP Code prefix is 123\r\n005 4 006---009 5*\n010---012 6");
    EXPECT_EQ(mixed.OriginZip, "123");
    EXPECT_EQ(entriesOf(mixed), kExampleEntries);
}

TEST(ParseString, TheFirstLineIsNeverLookedAt) {
    std::vector<std::string> lines = kExample;
    std::swap(lines[0], lines[1]);  // the marker is now the page's first line
    const ZoneChart chart = ParseString(joined(lines, "\r\n"));
    EXPECT_EQ(chart.OriginZip, "0");
    EXPECT_EQ(entriesOf(chart), kExampleEntries);

    // Neither is a chart that starts on the first line.
    EXPECT_EQ(entriesOf(ParseString("005 4 006 5\r\n007 6")), Entries{});
}

TEST(ParseString, EntriesBeforeTheFirstLineStartingWith005AreIgnored) {
    const ZoneChart chart = ParseString(joined({"Zone Chart", "Next-day 100 1 and 200 2* here",
                                                "3-digit ZIP Code prefix is 123", "  005 4 006 5", "900 8"},
                                               "\n"));
    EXPECT_EQ(entriesOf(chart), (Entries{{5, 4}, {6, 5}, {900, 8}}));

    // "005" must open the line (after its blanks); inside a line it starts nothing.
    EXPECT_EQ(entriesOf(ParseString("Zone Chart\nsee 005 4\n100 1")), Entries{});
}

TEST(ParseString, TheMarkerSeparatedByATabIsFound) {
    EXPECT_EQ(ParseString("Zone Chart\n3-digit ZIP Code prefix is\t123\n005 4").OriginZip, "123");
}

TEST(ParseString, TheMarkerInAnyLetterCase) {
    for (const char* marker : {"3-digit ZIP Code prefix is ", "3-DIGIT ZIP CODE PREFIX IS ",
                               "3-digit zip code prefix is ", "   3-Digit Zip Code Prefix Is "}) {
        SCOPED_TRACE(marker);
        EXPECT_EQ(ParseString(std::string("Zone Chart\n") + marker + "456\n005 4").OriginZip, "456");
    }
}

TEST(ParseString, TheOriginIsWhatFollowsTheMarker) {
    struct Case {
        const char* line;
        const char* origin;
    };
    const Case cases[] = {
        {"3-digit ZIP Code prefix is 606 (Chicago, IL)", "606"},
        // Not at the start of the line: the three characters after the marker, not a fixed column.
        {"Zone chart for 3-digit ZIP Code prefix is 457", "457"},
        // Cut short: fewer characters (the blank the scan appends counts), which is no valid origin.
        {"3-digit ZIP Code prefix is 12", "12 "},
        {"3-digit ZIP Code prefix is", ""},  // the line ends with the marker
        {"3-digit ZIP Code prefix is ABC", "ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ParseString(std::string("Zone Chart\n") + c.line + "\n005 4").OriginZip, c.origin);
    }
    // A later marker line replaces an earlier one, also when it stands after the chart.
    EXPECT_EQ(ParseString("Zone Chart\n3-digit ZIP Code prefix is 111\n005 4\n3-digit ZIP Code prefix is 222")
                  .OriginZip,
              "222");
}

TEST(ParseString, EntryShapes) {
    struct Case {
        const char* line;
        Entries entries;
    };
    const Case cases[] = {
        {"005 4", {{5, 4}}},                            // ends the line
        {"005 4*", {{5, 4}}},                           // asterisk dropped
        {"005---009 7*     010 1", {{9, 7}, {10, 1}}},  // a range records its last prefix
        {"005 4     250---251 6*    500 5", {{5, 4}, {251, 6}, {500, 5}}},
        {"005 4+ 006---009 5+", {{5, 4}, {9, 5}}},  // the legend's plus sign marks like the asterisk
        {"005 4# 006 5", {{6, 5}}},                 // no other character ends a zone
        {"005 45", {}},                             // zones are one digit
        {"005  4", {{5, 4}}},                       // a run of blanks is one blank
        {"005\t4\t006---009\t5*\t010 \t 6", {{5, 4}, {9, 5}, {10, 6}}},  // cells of a browser's table
        {"\t005\t4\t", {{5, 4}}},      // the line starts with 005 once its blanks are gone
        {"005 4 a 5 b6 7", {{5, 4}}},  // not a number: skipped, no entry made up
        {"005 4   9 ", {{5, 4}}},      // the middle of blanks is no zone
        {"005 4 1-3 4", {{5, 4}}},     // "1-3" is no prefix
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(entriesOf(ParseString(std::string("Zone Chart\n") + c.line)), c.entries);
    }
}

TEST(ParseString, ACandidateWhosePrefixWouldStartBeforeTheLineIsSkipped) {
    // "5 4" and "12 3" have a zone at the third or fourth character: there is no prefix to read.
    const ZoneChart chart = ParseString("Zone Chart\n005 4\n5 4 \n12 3*\n1 2 \n9 8");
    EXPECT_EQ(entriesOf(chart), (Entries{{5, 4}}));
}

TEST(ParseString, ARealisticMultiColumnPage) {
    const ZoneChart chart = ParseString(readFixture("chart-606.txt"));
    EXPECT_EQ(chart.OriginZip, "606");

    Entries expected;
    std::istringstream list(readFixture("chart-606-entries.txt"));
    int prefix = 0, zone = 0;
    while (list >> prefix >> zone)
        expected.emplace_back(prefix, zone);
    ASSERT_EQ(expected.size(), 65u);
    // Row by row across the four columns: the text lists them out of prefix order.
    EXPECT_EQ(entriesOf(chart), expected);
}

TEST(ParseString, TheTableHoldsAtMost256Entries) {
    auto page = [](int entries) {
        std::string text = "Zone Chart\n3-digit ZIP Code prefix is 123\n";
        for (int i = 0; i < entries; ++i) {
            char cell[16];
            std::snprintf(cell, sizeof cell, "%03d %d   ", 5 + i % 995, i % 9 + 1);
            text += cell;
            if (i % 4 == 3)
                text += "\n";
        }
        return text;
    };

    const ZoneChart full = ParseString(page(256));
    EXPECT_EQ(full.ZipCount, 256);
    EXPECT_EQ(full.entriesFound, 256u);
    EXPECT_FALSE(full.tooManyEntries());
    EXPECT_EQ(full.ZipPrefixes[255], 260);

    const ZoneChart over = ParseString(page(257));
    EXPECT_EQ(over.ZipCount, 256);  // nothing written past the table
    EXPECT_EQ(over.entriesFound, 257u);
    EXPECT_TRUE(over.tooManyEntries());
    EXPECT_EQ(over.ZipPrefixes[255], 260);

    EXPECT_EQ(ParseString(page(5000)).entriesFound, 5000u);
}
