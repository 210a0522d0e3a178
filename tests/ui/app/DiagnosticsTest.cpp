// The support log: --log-file on both programs, the serial trace with timing, message boxes.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/app/LogFileOption.h"
#include "core/scale/ScaleLink.h"
#include "platform/app/LogFile.h"
#include "platform/scale/PortDetector.h"
#include "platform/scale/SerialTransport.h"
#include "support/CliRun.h"
#include "support/ProgramFixture.h"
#include "support/SimulatorProcess.h"
#include "ui/app/frmWelcome.h"

namespace {

Q_LOGGING_CATEGORY(lcTestLog, "vantor.test")

using vantor::app::Answer;
using vantor::app::LogFile;
using vantor::app::Message;
using vantor::app::takeLogFileOption;

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(LogFileOption, IsTakenFromAnywhereAndTheRestIsLeft) {
    std::vector<std::string> args{"serial", "--log-file", "/tmp/a.log", "--port", "/dev/ttyUSB0"};
    auto option = takeLogFileOption(args);
    EXPECT_EQ(option.path, "/tmp/a.log");
    EXPECT_EQ(args, (std::vector<std::string>{"serial", "--port", "/dev/ttyUSB0"}));

    args = {"--log-file=support log.txt", "ports"};
    option = takeLogFileOption(args);
    EXPECT_EQ(option.path, "support log.txt");
    EXPECT_EQ(args, std::vector<std::string>{"ports"});

    args = {"ports"};
    option = takeLogFileOption(args);
    EXPECT_FALSE(option.path);
    EXPECT_TRUE(option.error.empty());
}

TEST(LogFileOption, AMissingOrRepeatedFileNameIsRefused) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"ports", "--log-file"}, {"--log-file="}, {"key", "1", "--log-file", "--yes"}}) {
        const auto before = args;
        const auto option = takeLogFileOption(args);
        EXPECT_EQ(option.error, "--log-file needs a file name");
        EXPECT_EQ(args, before) << "nothing is taken from a refused command line";
    }
    std::vector<std::string> twice{"--log-file", "a", "--log-file=b"};
    EXPECT_EQ(takeLogFileOption(twice).error, "--log-file given twice");
}

class SupportLog : public vantor::test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        ASSERT_TRUE(m_folder.isValid());
        m_path = m_folder.filePath(QStringLiteral("support.log"));
        ASSERT_FALSE(LogFile::start(m_path));
    }
    void TearDown() override {
        LogFile::stop();
        ProgramFixture::TearDown();
    }
    QString log() const { return readAll(m_path); }

    QTemporaryDir m_folder;
    QString m_path;
};

TEST_F(SupportLog, EveryMessageBoxAndItsAnswerIsLogged) {
    dialogs().answer(Answer::Retry);
    program().dialogs().ask(nullptr,
                            {QStringLiteral("Download Error"), QStringLiteral("First line\nsecond line"),
                             Message::Icon::Critical, Message::Buttons::RetryCancel});
    const QString text = log();
    EXPECT_TRUE(text.contains(QStringLiteral(
        "vantor.ui info: message box \"Download Error\" [Retry/Cancel]: First line | second line\n")))
        << text.toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("vantor.ui info: message box \"Download Error\" answered Retry\n")));
}

TEST_F(SupportLog, TheSerialTraceShowsCommandAndReplyInHexWithTiming) {
    // Each reply in one piece, so that it is logged as one line.
    vantor::test::SimulatorProcess simulator({"--serial", "09120045", "--pieces", "0"});
    {
        vantor::scale::SerialTransport transport;
        transport.setPortName(QString::fromStdString(simulator.devicePath()));
        ASSERT_FALSE(transport.open());
        EXPECT_EQ(vantor::scale::RdSN(transport).serial, "09120045");
    }
    const QString device = QString::fromStdString(simulator.devicePath());
    const QString text = log();
    EXPECT_TRUE(text.contains(QStringLiteral("vantor.scale debug: opened ") + device)) << text.toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("vantor.scale debug: ") + device + QStringLiteral(" -> B4 07 00\n")));
    EXPECT_TRUE(text.contains(QRegularExpression(
        QRegularExpression::escape(device) +
        QStringLiteral(" <- [0-9A-F]{2} 07 00 09 12 00 45 FF[ 0-9A-F]*\\(\\d+ bytes, \\+\\d+ ms\\)\n"))))
        << text.toStdString();
    // Every line carries its date and time to the millisecond.
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QStringLiteral("====")))
            continue;
        EXPECT_TRUE(QRegularExpression(
                        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} vantor\\."))
                        .match(line)
                        .hasMatch())
            << line.toStdString();
    }
}

TEST_F(SupportLog, DetectionIsTracedPortByPort) {
    // Each reply in one piece, so that it is logged as one line.
    vantor::test::SimulatorProcess simulator({"--serial", "09120045", "--pieces", "0"});
    const std::string device = simulator.devicePath();
    const auto result = vantor::scale::PortDetector(std::chrono::milliseconds(2000))
                            .detect({"/dev/vantor-no-such-port", device});
    ASSERT_TRUE(result.found());
    const QString text = log();
    const QString name = QString::fromStdString(device);
    EXPECT_TRUE(text.contains(QStringLiteral("detect: cannot open /dev/vantor-no-such-port")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(name + QStringLiteral(" -> B4 07 00 (detect)\n")));
    EXPECT_TRUE(text.contains(QRegularExpression(QRegularExpression::escape(name) +
                                                 QStringLiteral(" <- [0-9A-F]{2} 07 00 09 12 00 45"))));
    EXPECT_TRUE(text.contains(QStringLiteral("detect: ") + name));
}

TEST_F(SupportLog, AStoppedLogWritesNothingMore) {
    LogFile::stop();
    EXPECT_FALSE(LogFile::active());
    const QString before = log();
    program().dialogs().ask(nullptr, {QStringLiteral("Later"), QStringLiteral("not logged"),
                                      Message::Icon::None, Message::Buttons::Ok});
    EXPECT_EQ(log(), before);
}

TEST(SupportLogFile, AFileThatCannotBeWrittenIsReportedAndNothingChanges) {
    const auto failure = LogFile::start(QStringLiteral("/nonexistent-folder/support.log"));
    ASSERT_TRUE(failure);
    EXPECT_FALSE(failure->isEmpty());
    EXPECT_FALSE(LogFile::active());
}

// The log vantor-pc keeps on its own stays within its limit, and its newest lines are never lost:
// what outgrows it becomes the older file, replacing the one before.
TEST(SupportLogFile, AKeptLogIsSetAsideWhenItOutgrowsItsLimit) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("support.log"));
    const QString older = path + QStringLiteral(".old");
    QFile grown(path);
    ASSERT_TRUE(grown.open(QIODevice::WriteOnly));
    grown.write(QByteArray(300, 'a'));
    grown.close();

    ASSERT_FALSE(LogFile::start(path, 200));
    EXPECT_EQ(readAll(older), QString(300, QLatin1Char('a'))) << "set aside at start";
    EXPECT_TRUE(readAll(path).startsWith(QStringLiteral("====")));

    qCInfo(lcTestLog).noquote() << QString(250, QLatin1Char('b'));
    qCInfo(lcTestLog).noquote() << "the newest line";
    LogFile::stop();
    EXPECT_TRUE(readAll(older).contains(QString(250, QLatin1Char('b')))) << "the one before went";
    EXPECT_FALSE(readAll(older).contains(QString(300, QLatin1Char('a'))));
    EXPECT_TRUE(readAll(path).contains(QStringLiteral("the newest line")));
    EXPECT_LT(QFileInfo(path).size(), 200);

    // Something that cannot be replaced in the older one's place: the limit holds all the same.
    QFile::remove(older);
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("support.log.old")));
    ASSERT_FALSE(LogFile::start(path, 200));
    for (int line = 0; line < 10; ++line)
        qCInfo(lcTestLog).noquote() << QString(50, QLatin1Char('c'));
    LogFile::stop();
    EXPECT_LT(QFileInfo(path).size(), 200);
}

// --- The two programs' command lines ---

vantor::test::CliRun runTool(const char* path, const QStringList& arguments) {
    return vantor::test::runCli(QString::fromLatin1(path), arguments,
                                {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
}

TEST(ProgramCommandLine, HelpVersionAndABadLogFile) {
    const auto version = runTool(VANTOR_PC_PATH, {QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("vantor-pc " VANTOR_VERSION "\n"));

    const auto help = runTool(VANTOR_PC_PATH, {QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: vantor-pc [--log-file PATH]\n")));

    const auto missing = runTool(VANTOR_PC_PATH, {QStringLiteral("--log-file")});
    EXPECT_EQ(missing.exitCode, 2);
    std::vector<std::string> noName{"--log-file"};
    EXPECT_EQ(missing.err.toStdString(), "vantor-pc: " + takeLogFileOption(noName).error + "\n");

    const auto unwritable =
        runTool(VANTOR_PC_PATH, {QStringLiteral("--log-file"), QStringLiteral("/nonexistent-folder/x.log")});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_TRUE(unwritable.err.contains(
        QStringLiteral("vantor-pc: cannot write the log file /nonexistent-folder/x.log: ")))
        << unwritable.err.toStdString();
}

TEST(CliCommandLine, TheLogHoldsTheCommandTheTraceAndWhatTheUserWasTold) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cli.log"));
    // Each reply in one piece, so that it is logged as one line.
    vantor::test::SimulatorProcess simulator({"--serial", "11223344", "--pieces", "0"});
    const QString device = QString::fromStdString(simulator.devicePath());

    const auto read = runTool(VANTOR_CLI_PATH, {QStringLiteral("serial"), QStringLiteral("--port"), device,
                                                QStringLiteral("--log-file"), path});
    EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(read.out, QStringLiteral("11223344\n")) << "the log changes nothing the command prints";
    const auto refused = runTool(
        VANTOR_CLI_PATH, {QStringLiteral("--log-file=") + path, QStringLiteral("zones"),
                          QStringLiteral("/nonexistent-chart.txt"), QStringLiteral("--port"), device});
    EXPECT_EQ(refused.exitCode, 2);

    const QString text = readAll(path);
    EXPECT_EQ(text.count(QStringLiteral("==== vantor-cli " VANTOR_VERSION " started")), 2)
        << "the file is appended to";
    EXPECT_TRUE(
        text.contains(QStringLiteral("vantor.cli info: command: vantor-cli serial --port ") + device));
    EXPECT_TRUE(text.contains(device + QStringLiteral(" -> B4 07 00\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(QRegularExpression::escape(device) +
                                                 QStringLiteral(" <- [0-9A-F]{2} 07 00 11 22 33 44 "))));
    EXPECT_TRUE(text.contains(QStringLiteral("vantor.cli info: ") + refused.err.trimmed()))
        << text.toStdString();

    const auto unwritable =
        runTool(VANTOR_CLI_PATH, {QStringLiteral("ports"), QStringLiteral("--log-file"), folder.path()});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_TRUE(unwritable.err.startsWith(QStringLiteral("vantor-cli: cannot write the log file ")));
}

}  // namespace
