// vantor-cli zones, run as a technician runs it, against the simulator.

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <fstream>

#include "support/CliScaleFixture.h"
#include "support/SimulatorProcess.h"

using vantor::test::CliRun;
using vantor::test::CliScaleFixture;
using vantor::test::SimulatorProcess;

namespace {

const QString kFixtures = QStringLiteral(VANTOR_FIXTURES_DIR "/zones/");

class CliZones : public CliScaleFixture {
protected:
    // The zone table's 768 bytes are as a fresh scale has them: nothing was written.
    void expectTableUntouched() {
        const auto bytes = memory();
        ASSERT_EQ(bytes.size(), 0x10000u);
        EXPECT_TRUE(std::all_of(bytes.begin() + 0x8000, bytes.begin() + 0x8300,
                                [](unsigned char b) { return b == 0xFF; }));
    }
};

TEST_F(CliZones, WritesThePastedPageIntoTheScale) {
    SimulatorProcess simulator({"--serial", "31415926", "--memory", memoryFile()});
    const QString device = QString::fromStdString(simulator.devicePath());
    const CliRun run = cli({"zones", kFixtures + "chart-606.txt", "--yes"}, device);  // found by detection
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Zip/Zone programming successful! Origin 606, 65 destinations, scale 31415926 on " +
                           device + ".\n");
    EXPECT_TRUE(run.err.contains("Pages written: 6/6")) << run.err.toStdString();
    ASSERT_EQ(simulator.stop(), 0);

    // The fixture's entries, sorted by prefix, then zeros.
    std::ifstream list((kFixtures + "chart-606-entries.txt").toStdString());
    std::vector<std::pair<int, int>> entries;
    for (int prefix, zone; list >> prefix >> zone;)
        entries.emplace_back(prefix, zone);
    std::stable_sort(entries.begin(), entries.end(), [](auto a, auto b) { return a.first < b.first; });
    std::vector<unsigned char> expected(768, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        expected[i] = static_cast<unsigned char>(entries[i].second);
        expected[256 + 2 * i] = static_cast<unsigned char>(entries[i].first >> 8);
        expected[256 + 2 * i + 1] = static_cast<unsigned char>(entries[i].first & 0xFF);
    }
    const auto bytes = memory();
    ASSERT_EQ(bytes.size(), 0x10000u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 0x8000, bytes.begin() + 0x8300), expected);
}

TEST_F(CliZones, RefusesABadChartWithTheFormsWordsBeforeLookingForTheScale) {
    QByteArray tooLong = "Zone Chart\n3-digit ZIP Code prefix is 123\n005 1\n";
    for (int i = 0; i < 256; ++i)
        tooLong += QByteArray::number(100 + i) + " 2   ";
    // Each refusal's own text is the zone flow's to check: here it comes out as one line, the
    // chart's file name, the message's title and its text, before any port is looked at.
    struct Case {
        QString chart;
        QString line;
    };
    const Case cases[] = {
        {write("empty.txt", ""),
         "No Zip/Zone Data: There's no zip/zone data to program on Vantor scale. Please read the "
         "instructions.\n"},
        {write("origin.txt", "Zone Chart\r\n3-digit ZIP Code prefix is 004\r\n005 4\r\n"), "Invalid Data: "},
        {write("long.txt", tooLong), "Invalid Data: "},
    };
    SimulatorProcess simulator({"--memory", memoryFile()});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chart.toStdString());
        const CliRun run = cli({"zones", c.chart, "--yes"}, QString::fromStdString(simulator.devicePath()));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.startsWith(c.chart + ": " + c.line)) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    const CliRun missing = cli({"zones", path("no-such-chart.txt"), "--yes"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.count('\n'), 1) << missing.err.toStdString();
    ASSERT_EQ(simulator.stop(), 0);
    expectTableUntouched();
}

TEST_F(CliZones, ReadsAPageSavedWithNonBreakingSpaces) {
    SimulatorProcess simulator({"--memory", memoryFile()});
    const QString chart = write("nbsp.txt",
                                "Zone Chart\n3-digit\xC2\xA0ZIP Code prefix is\xC2\xA0"
                                "123\n"
                                "005\xC2\xA0"
                                "4\xC2\xA0\xC2\xA0"
                                "012\xC2\xA0"
                                "6\n");
    const CliRun run =
        cli({"zones", chart, "--yes", "--port", QString::fromStdString(simulator.devicePath())});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Origin 123, 2 destinations")) << run.out.toStdString();
    ASSERT_EQ(simulator.stop(), 0);
    const auto bytes = memory();
    ASSERT_EQ(bytes.size(), 0x10000u);
    EXPECT_EQ(bytes[0x8000], 4);
    EXPECT_EQ(bytes[0x8001], 6);
    EXPECT_EQ(bytes[0x8103], 12);
}

TEST_F(CliZones, UnconfirmedWritesNothing) {
    SimulatorProcess simulator({"--memory", memoryFile()});
    const CliRun run =
        cli({"zones", kFixtures + "chart-606.txt", "--port", QString::fromStdString(simulator.devicePath())});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("nothing was written")) << run.err.toStdString();
    ASSERT_EQ(simulator.stop(), 0);
    expectTableUntouched();
}

TEST_F(CliZones, AScaleThatRefusesTheUnlockFailsWithTheCause) {
    SimulatorProcess simulator({"--memory", memoryFile(), "--fault", "refuse:unlock"});
    const CliRun run = cli({"zones", kFixtures + "chart-606.txt", "--yes", "--port",
                            QString::fromStdString(simulator.devicePath())});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.err.endsWith("\nThe scale refused the unlock (is the serial number right?) for page 8000; 0 of 6 "
                         "pages were written. "
                         "The zone table on " +
                         QString::fromStdString(simulator.devicePath()) + " is incomplete.\n"))
        << run.err.toStdString();
    ASSERT_EQ(simulator.stop(), 0);
    expectTableUntouched();
}

}  // namespace
