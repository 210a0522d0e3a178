// vantor-cli verify, status and history run as a user runs them, against the simulator.

#include <gtest/gtest.h>

#include <QFile>

#include "core/firmware/IntelHexLoader.h"
#include "support/CliScaleFixture.h"
#include "support/SimulatorProcess.h"

using namespace vantor;
using vantor::test::CliInput;
using vantor::test::CliRun;
using vantor::test::CliScaleFixture;
using vantor::test::SimulatorProcess;

namespace {

const QString kUpdateFile = QStringLiteral(VANTOR_FIXTURES_DIR "/hex/sample-update.hex");
const QString kBlankTablesFile = QStringLiteral(VANTOR_FIXTURES_DIR "/hex/one-record.hex");

class CliVerify : public CliScaleFixture {
protected:
    CliRun cli(const QStringList& arguments) { return CliScaleFixture::cli(arguments, {}, CliInput::Null); }

    // A memory file holding what an update from the sample file leaves in the scale `serial`.
    std::string updatedScale(const std::string& serial, std::size_t changedAt = 0, Byte changedTo = 0) {
        auto image = firmware::IntelHexLoader::loadFile(kUpdateFile.toStdString()).image.value();
        image.UpdateSN(serial);
        if (changedAt)
            image[changedAt] = changedTo;
        const std::string file = path(QString::fromStdString(serial)).toStdString();
        write(QString::fromStdString(serial), QByteArray(reinterpret_cast<const char*>(image.bytes().data()),
                                                         static_cast<qsizetype>(image.bytes().size())));
        return file;
    }

    static QString device(const SimulatorProcess& simulator) {
        return QString::fromStdString(simulator.devicePath());
    }

    QString keyTable() { return write(QStringLiteral("rates.csv"), "16,$2.50\n32,$3.10\n"); }
};

}  // namespace

TEST_F(CliVerify, TellsEachScaleWhetherItMatchesAndReadsThemAtOnce) {
    SimulatorProcess same({"--memory", updatedScale("11111111")});
    const CliRun matching = cli({"verify", kUpdateFile, "--port", device(same)});
    EXPECT_EQ(matching.exitCode, 0) << matching.err.toStdString();
    EXPECT_EQ(matching.out, device(same) + " 11111111: matches\n");
    // Read once, under the first of its two names.
    same.plugInAt(path("link").toStdString());
    EXPECT_EQ(cli({"verify", kUpdateFile, "--port", path("link"), "--port", device(same)}).out,
              path("link") + " 11111111: matches\n");

    SimulatorProcess changed({"--memory", updatedScale("22222222", 0x2A41, 0x3C)});
    SimulatorProcess silent({"--fault", "lose:any"});
    const CliRun three = cli(
        {"verify", kUpdateFile, "--port", device(same), "--port", device(changed), "--port", device(silent)});
    EXPECT_EQ(three.exitCode, 1);
    EXPECT_EQ(three.out, device(same) + " 11111111: matches\n" + device(changed) +
                             " 22222222: 1 page differs; first at 0x2A41: scale 3C, update file EA\n" +
                             device(silent) +
                             " -: The scale did not give its serial number; nothing was written.\n");

    // The file is refused before any scale is asked; nothing is read, nothing written.
    const CliRun refused =
        cli({"verify", QStringLiteral(VANTOR_FIXTURES_DIR "/hex/bad-checksum.hex"), "--port", device(same)});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_EQ(cli({"verify", kUpdateFile, "--all", "--port", device(same)}).exitCode, 2);
}

TEST_F(CliVerify, StatusShowsTheKeysProgrammedAndTheLastUpdate) {
    SimulatorProcess scale({"--serial", "24681357", "--memory", memoryFile()});
    ASSERT_EQ(cli({"flash", kBlankTablesFile, "--port", device(scale)}).exitCode, 0);
    for (const char* key : {"2", "5"})
        ASSERT_EQ(cli({"key", key, "--unit", "oz", "--table", keyTable(), "--port", device(scale), "--yes"})
                      .exitCode,
                  0);
    const CliRun status = cli({"status", "--port", device(scale)});
    EXPECT_EQ(status.exitCode, 0) << status.err.toStdString();
    const QStringList lines = status.out.split('\n');
    ASSERT_EQ(lines.size(), 5) << status.out.toStdString();
    EXPECT_EQ(lines[0], device(scale) + " 24681357");
    EXPECT_EQ(lines[1], "  zone table: blank");
    EXPECT_EQ(lines[2], "  keys: 1 blank, 2 programmed, 3 blank, 4 blank, 5 programmed, 6 blank");
    EXPECT_TRUE(lines[3].startsWith("  last update: 20")) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(", ok: All 512 pages were written and verified."))
        << lines[3].toStdString();
}

TEST_F(CliVerify, HistoryKeepsAnUpdateAndAFailedKeyWriteNewestFirst) {
    SimulatorProcess scale({"--serial", "24681357", "--memory", memoryFile(), "--fault",
                            "refuse:write:addr=0x8580:nth=2:count=4"});
    ASSERT_EQ(cli({"flash", kBlankTablesFile, "--port", device(scale)}).exitCode, 0);
    ASSERT_EQ(
        cli({"key", "2", "--unit", "oz", "--table", keyTable(), "--port", device(scale), "--yes"}).exitCode,
        1);

    const CliRun table = cli({"history"});
    EXPECT_EQ(table.exitCode, 0) << table.err.toStdString();
    const QStringList lines = table.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << table.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("TIME "));
    EXPECT_TRUE(lines[1].contains("  24681357  key        failed       0 ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(
        "  key 2         The scale refused the write for page 8580; 0 of 5 pages were written."))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains("  24681357  update     ok         512 ")) << lines[2].toStdString();

    // JSON gives every record as the file holds it: the update's opening too.
    const CliRun json = cli({"history", "--json", "--serial", "24681357"});
    EXPECT_EQ(json.out.count('\n'), 3);
    EXPECT_TRUE(json.out.trimmed().endsWith(",\"open\":true}")) << json.out.toStdString();
    EXPECT_TRUE(json.out.startsWith("{\"time\":\"20")) << json.out.toStdString();
    EXPECT_TRUE(json.out.contains("\"operation\":\"update\",\"what\":\"\",\"sha256\":\""))
        << json.out.toStdString();
    EXPECT_TRUE(cli({"history", "--serial", "11111111"}).out.count('\n') == 1);
    EXPECT_EQ(cli({"history", "--serial", "1234"}).exitCode, 2);
}
