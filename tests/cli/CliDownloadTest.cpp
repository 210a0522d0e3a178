// vantor-cli download, and flash from an address, run as a user runs them: against vantor-server
// for whole files and refusals, and against a server that misbehaves on purpose for broken and
// oversized transfers, resumed by the command itself within its retries.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "support/CliRun.h"
#include "support/DownloadRun.h"
#include "support/OnlineTestSupport.h"
#include "support/ScriptedHttpServer.h"
#include "support/UpdateFileServer.h"

using namespace vantor;
using test::CliRun;
using test::randomBytes;
using test::readAll;
using test::ScriptedHttpServer;

namespace {

class CliDownload : public ::testing::Test {
protected:
    // The misbehaving server runs on this process's event loop.
    static void SetUpTestSuite() { test::ensureApplication(); }
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString path(const QString& name = QStringLiteral("VantorUSA_APROM.hex")) const {
        return m_folder.filePath(name);
    }

    QTemporaryDir m_folder;
};

class CliDownloadFromServer : public CliDownload {
protected:
    QUrl url(const char* path = "/VantorDownload/VantorUSA_APROM.hex") const { return served.url(path); }

    test::UpdateFileServer served;
    const QByteArray& source = served.source();
};

CliRun cli(const QStringList& arguments) {
    return test::runCli(QStringLiteral(VANTOR_CLI_PATH), arguments);
}

// The CLI runs in its own process; the misbehaving server needs this one's event loop meanwhile.
CliRun cliWithEventLoop(const QStringList& arguments) {
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    process.start(QStringLiteral(VANTOR_CLI_PATH), arguments);
    QTimer::singleShot(test::kCliLimitMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST_F(CliDownloadFromServer, DownloadsAndRefusesBadInput) {
    const CliRun good = cli({QStringLiteral("download"), url().toString(), path()});
    EXPECT_EQ(good.exitCode, 0) << good.err.toStdString();
    EXPECT_EQ(readAll(path()), source);

    const CliRun missing =
        cli({QStringLiteral("download"), url("/VantorDownload/none.hex").toString(), path("n")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("was not found!")));
    EXPECT_FALSE(QFile::exists(path("n")));

    const CliRun tooLarge = cli({QStringLiteral("download"), url().toString(), path("big"),
                                 QStringLiteral("--max-size"), QStringLiteral("1000")});
    EXPECT_EQ(tooLarge.exitCode, 1);
    EXPECT_TRUE(tooLarge.err.contains(
        QStringLiteral("The file is larger than 1000 bytes (--max-size): it was not downloaded.")))
        << tooLarge.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("big")));
    EXPECT_EQ(cli({QStringLiteral("download"), url().toString(), path("m"), QStringLiteral("--max-size"),
                   QStringLiteral("0")})
                  .exitCode,
              2);

    EXPECT_EQ(cli({QStringLiteral("download"), QStringLiteral("ftp://x/y"), path("f")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("download"), url().toString(), path("r"), QStringLiteral("--retries"),
                   QStringLiteral("many")})
                  .exitCode,
              2);
}

TEST_F(CliDownloadFromServer, FlashRefusesADownloadedBodyThatIsNoHexFileBeforeTouchingTheScale) {
    // The port does not exist: a command that got as far as the scale would exit 1, not 2.
    const CliRun run = cli({QStringLiteral("flash"), url().toString(), QStringLiteral("--port"),
                            QStringLiteral("/dev/vantor-no-such-port")});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(url().toString() + QStringLiteral(": Line 1:"))) << run.err.toStdString();

    const CliRun missing = cli({QStringLiteral("flash"), url("/VantorDownload/none.hex").toString(),
                                QStringLiteral("--port"), QStringLiteral("/dev/vantor-no-such-port")});
    EXPECT_EQ(missing.exitCode, 1);
}

TEST_F(CliDownload, FlashOfALinkThatGivesAWebPageSaysSoAndIsBadInput) {
    ScriptedHttpServer server("x");
    server.behaveAfterwards({.raw = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                    "Content-Length: 15\r\nConnection: close\r\n\r\n<html></html>\r\n"});
    const CliRun run =
        cliWithEventLoop({QStringLiteral("flash"), server.url().toString(), QStringLiteral("--port"),
                          QStringLiteral("/dev/vantor-no-such-port")});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("leads to a web page, not to an update file")))
        << run.err.toStdString();
}

TEST_F(CliDownload, ResumesABrokenTransferByItselfWithinItsRetries) {
    const QByteArray source = randomBytes(40000);
    ScriptedHttpServer server(source);
    server.behave(0, {.cutAfter = 10000});
    server.dropCutsAfter(500);  // a real close, not a stall
    const CliRun resumed = cliWithEventLoop({QStringLiteral("download"), server.url().toString(), path()});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err.toStdString();
    EXPECT_EQ(readAll(path()), source);
    EXPECT_TRUE(server.ranges().contains("bytes=5904-")) << server.ranges().join(' ').toStdString();
    EXPECT_TRUE(resumed.err.contains(QStringLiteral("resuming"))) << resumed.err.toStdString();

    ScriptedHttpServer stubborn(source);
    stubborn.behave(0, {.cutAfter = 10000});
    stubborn.dropCutsAfter(500);
    const CliRun noRetries = cliWithEventLoop({QStringLiteral("download"), stubborn.url().toString(),
                                               path("x"), QStringLiteral("--retries"), QStringLiteral("0")});
    EXPECT_EQ(noRetries.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("x"))) << "no partial file";
}

// A body that ends cleanly but never said its length cannot be known whole: said as such, and the
// rest is asked for like after a reset.
TEST_F(CliDownload, ABodyWithoutALengthIsSaidAsSuchAndFinishedByAResume) {
    const QByteArray source = randomBytes(40000);
    ScriptedHttpServer server(source);
    server.behave(0, {.raw = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + source.left(10000)});
    const CliRun run = cliWithEventLoop({QStringLiteral("download"), server.url().toString(), path()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readAll(path()), source);
    EXPECT_TRUE(run.err.contains(QStringLiteral(
        "The server did not say how long the file is, so the download cannot be checked whole; resuming")))
        << run.err.toStdString();
}

TEST_F(CliDownload, AResumeThatGetsNoAnswerSpendsARetryLikeADrop) {
    const QByteArray source = randomBytes(40000);
    ScriptedHttpServer server(source);
    server.behave(0, {.cutAfter = 10000});
    server.behave(1, {.resetAt = 0});  // the connection closed before any answer
    server.dropCutsAfter(500);
    const CliRun run = cliWithEventLoop({QStringLiteral("download"), server.url().toString(), path(),
                                         QStringLiteral("--retries"), QStringLiteral("2")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readAll(path()), source);
    EXPECT_TRUE(run.err.contains(QStringLiteral("resuming (1 retry left)"))) << run.err.toStdString();
    EXPECT_EQ(server.ranges().join(' ').toStdString(), "bytes=0- bytes=5904- bytes=5904-");
}

TEST_F(CliDownload, NeverCountsAResumedReplyThatStartsElsewhereAsTheFile) {
    const QByteArray source = randomBytes(40000);
    ScriptedHttpServer server(source);
    server.behave(0, {.cutAfter = 10000});
    server.behaveAfterwards({.resumeRangeShift = 100});
    server.dropCutsAfter(500);
    const CliRun run = cliWithEventLoop({QStringLiteral("download"), server.url().toString(), path(),
                                         QStringLiteral("--retries"), QStringLiteral("2")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readAll(path()), source);
    const QList<QByteArray>& ranges = server.ranges();
    ASSERT_TRUE(ranges.contains("bytes=5904-")) << ranges.join(' ').toStdString();
    EXPECT_EQ(ranges.back().toStdString(), "bytes=0-") << "the whole file again after the misplaced reply";
}

TEST_F(CliDownload, FlashRefusesAnUpdateFileBeyondTheLoadersBoundWhileDownloading) {
    ScriptedHttpServer server(QByteArray(16 * 1024 * 1024 + 1, ':'));
    server.behaveAfterwards({.ignoreRange = true, .chunked = true});  // no length: refused by its bytes
    const CliRun run =
        cliWithEventLoop({QStringLiteral("flash"), server.url().toString(), QStringLiteral("--port"),
                          QStringLiteral("/dev/vantor-no-such-port")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("far too large for an update file")))
        << run.err.toStdString();
}

TEST_F(CliDownload, CtrlCStopsADownloadAndLeavesNoPartialFile) {
    ScriptedHttpServer server(randomBytes(40000));
    server.behave(0, {.cutAfter = 10000});  // then holds the connection: the transfer waits
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer watch;
    bool interrupted = false;
    // Once the first bytes are on disk (in the file that becomes DEST when whole), the user
    // presses Ctrl+C.
    const auto onDisk = [&] { return QDir(m_folder.path()).entryInfoList(QDir::Files | QDir::Hidden); };
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!interrupted && !onDisk().isEmpty() && onDisk().front().size() > 0) {
            interrupted = true;
            ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        }
    });
    process.start(QStringLiteral(VANTOR_CLI_PATH),
                  {QStringLiteral("download"), server.url().toString(), path()});
    watch.start(5);
    QTimer::singleShot(test::kCliLimitMs, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(interrupted) << "the download never started";
    ASSERT_EQ(process.state(), QProcess::NotRunning) << "Ctrl+C did not stop it";
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(QStringLiteral("Stopped: ")));
    EXPECT_TRUE(onDisk().isEmpty()) << "no partial file";
}

}  // namespace
