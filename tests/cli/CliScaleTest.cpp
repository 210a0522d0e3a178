// vantor-cli's scale commands run as a user runs them, against the simulator.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "core/scale/PortOrder.h"
#include "support/CliRun.h"
#include "support/SimulatorProcess.h"

using vantor::test::SimulatorProcess;

namespace {

using vantor::test::CliRun;

CliRun cli(const QStringList& arguments, const QString& onlyPorts = {}) {
    return vantor::test::runCli(QStringLiteral(VANTOR_CLI_PATH), arguments,
                                {{QStringLiteral("VANTOR_ONLY_PORTS"), onlyPorts}});
}

}  // namespace

TEST(CliScale, DetectPrintsTheDeviceAndSerialOfTheScale) {
    SimulatorProcess simulator({"--serial", "11223344"});
    const QString device = QString::fromStdString(simulator.devicePath());
    const CliRun run = cli({QStringLiteral("detect")}, QStringLiteral("/dev/vantor-no-such-port:") + device);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, device + QStringLiteral(" 11223344\n"));
}

// One scale reached through a link and its target is one scale: never two runs on its one line.
TEST(CliScale, DetectAllListsAScaleReachedThroughTwoNamesOnce) {
    SimulatorProcess simulator({"--serial", "11223344"});
    QTemporaryDir folder;
    const std::string link = folder.filePath(QStringLiteral("scale-link")).toStdString();
    simulator.plugInAt(link);
    const QString device = QString::fromStdString(simulator.devicePath());
    const CliRun run = cli({QStringLiteral("detect"), QStringLiteral("--all")},
                           QString::fromStdString(link) + QStringLiteral(":") + device);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QString::fromStdString(link) + QStringLiteral(" 11223344\n"));
}

TEST(CliScale, WithSeveralScalesAndNoPortTheChosenOneIsNamedAndTheOthersSaid) {
    SimulatorProcess a({"--serial", "11111111"});
    SimulatorProcess b({"--serial", "22222222"});
    // Detection takes ports in number order; the terminals' numbers are the system's to give.
    const bool aFirst = vantor::scale::orderPorts({a.devicePath(), b.devicePath()}).front() == a.devicePath();
    const QString one = QString::fromStdString((aFirst ? a : b).devicePath());
    const QString two = QString::fromStdString((aFirst ? b : a).devicePath());
    const QString first = aFirst ? QStringLiteral("11111111") : QStringLiteral("22222222");
    const QString second = aFirst ? QStringLiteral("22222222") : QStringLiteral("11111111");
    const CliRun serial = cli({QStringLiteral("serial")}, one + QStringLiteral(":") + two);
    EXPECT_EQ(serial.out, first + QStringLiteral("\n"));
    EXPECT_TRUE(serial.err.endsWith(QStringLiteral("Using the scale ") + first + QStringLiteral(" on ") +
                                    one + QStringLiteral(".\n1 other scale answered too: ") + second +
                                    QStringLiteral(" on ") + two +
                                    QStringLiteral(". Choose with --port DEV.\n")))
        << serial.err.toStdString();
    const CliRun status = cli({QStringLiteral("status")}, one + QStringLiteral(":") + two);
    EXPECT_TRUE(status.err.contains(QStringLiteral("Choose with --port DEV, or --all for every scale.")))
        << status.err.toStdString();
}

TEST(CliScale, PortsListsOnlyThePortsNamedByTheOption) {
    SimulatorProcess simulator;
    const QString device = QString::fromStdString(simulator.devicePath());
    const CliRun run = cli({QStringLiteral("ports"), QStringLiteral("--only-ports"), device});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, device + QStringLiteral("\n"));
    const CliRun bare = cli({QStringLiteral("ports"), QStringLiteral("--only-ports")});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_EQ(bare.err, QStringLiteral("vantor-cli: --only-ports needs a list of ports\n"));
}

TEST(CliScale, SerialReadsTheNamedPort) {
    SimulatorProcess simulator({"--serial", "09120045"});
    const CliRun run = cli(
        {QStringLiteral("serial"), QStringLiteral("--port"), QString::fromStdString(simulator.devicePath())});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("09120045\n"));
}

TEST(CliScale, SerialFailsWithOneClearLine) {
    const CliRun missing =
        cli({QStringLiteral("serial"), QStringLiteral("--port"), QStringLiteral("/dev/vantor-no-such-port")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_EQ(missing.err, QStringLiteral("Cannot open /dev/vantor-no-such-port: there is no "
                                          "/dev/vantor-no-such-port on this computer\n"));

    SimulatorProcess garbled({"--fault", "corrupt:read"});
    const QString device = QString::fromStdString(garbled.devicePath());
    const CliRun notASerial = cli({QStringLiteral("serial"), QStringLiteral("--port"), device});
    EXPECT_EQ(notASerial.exitCode, 1);
    EXPECT_EQ(notASerial.err, QStringLiteral("The scale on ") + device +
                                  QStringLiteral(" answered, but not with a serial number: ED345678\n"));
}

TEST(CliScale, UsageErrorsExitWithTwo) {
    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("serial"), QStringLiteral("extra")}).exitCode, 2);
    const CliRun help = cli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("serial [--port DEV]")));
    EXPECT_EQ(cli({QStringLiteral("--version")}).out, QStringLiteral("vantor-cli 3.0.0\n"));
}
