// Faults of the network and the disk, met by the downloader, the query channel and the Internet
// check: resets at several points of an answer, silence, answers that are not HTTP, redirects
// without end, bodies that disagree with their length or range, and a full disk. Each ends with
// its message, within its bound, and without a partial file.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>

#include "core/online/modQuery.h"
#include "platform/online/ConnectionProbe.h"
#include "platform/online/Downloader.h"
#include "platform/online/FreeSpace.h"
#include "platform/online/HttpRequest.h"
#include "platform/online/LocalSource.h"
#include "support/DownloadRun.h"
#include "support/OnlineTestSupport.h"
#include "support/ScriptedHttpServer.h"
#include "support/ServerProcess.h"

using namespace vantor;
using namespace vantor::online;
using test::ScriptedHttpServer;
using Behaviour = ScriptedHttpServer::Behaviour;
using test::randomBytes;
using test::readAll;

namespace {

constexpr int kStallMs = 300;
const std::string kNoConnection = "Cannot Establish Connection";
const std::string kIncomplete = "Download Incomplete";

QByteArray headOf(const QByteArray& body) {
    return "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-" + QByteArray::number(body.size() - 1) +
           "/" + QByteArray::number(body.size()) +
           "\r\nETag: \"1\"\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n";
}

class NetworkFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString path(const QString& name = QStringLiteral("VantorUSA_APROM.hex")) const {
        return m_folder.filePath(name);
    }

    // One download to its end; questions are answered from `answers` (true: Retry / Yes).
    Downloader::Outcome download(const QUrl& url, const QString& destination) {
        told.clear();
        asked.clear();
        Downloader::Hooks hooks;
        test::scriptUser(hooks, told, asked, answers, test::UnexpectedQuestion::AnswersNo);
        hooks.freeSpace = freeSpace;
        Downloader downloader(hooks);
        downloader.setSilenceLimit(kStallMs);
        return test::runDownload(downloader, url, destination);
    }

    // The one message told, or an empty title when there was not exactly one.
    std::string toldTitle() const { return told.size() == 1 ? told[0].title : std::string(); }

    QTemporaryDir m_folder;
    std::vector<vantor::Message> told;
    std::vector<vantor::Message> asked;
    std::deque<bool> answers;
    FreeSpaceQuery freeSpace = [](const std::string&) {
        return std::optional<std::int64_t>(std::int64_t{1} << 40);
    };
};

// --- connection resets ---

TEST_F(NetworkFaults, AResetBeforeTheHeadIsWholeSaysTheConnectionBrokeOff) {
    const QByteArray body = randomBytes(20000);
    const qsizetype headSize = headOf(body).size();
    for (const qint64 offset : {qint64{0}, qint64{9}, qint64{headSize - 3}}) {
        ScriptedHttpServer server(body);
        server.behaveAfterwards({.resetAt = offset});  // every attempt, Qt's own included
        const Downloader::Outcome outcome = download(server.url(), path());
        EXPECT_FALSE(outcome.result) << offset;
        EXPECT_TRUE(outcome.cancelSearch) << offset;
        EXPECT_EQ(toldTitle(), "Error Downloading File") << "reset at byte " << offset;
        ASSERT_FALSE(told.empty());
        EXPECT_NE(told.back().text.find("broke off before the reply was whole"), std::string::npos)
            << told.back().text;
        EXPECT_TRUE(asked.empty()) << offset;
        EXPECT_FALSE(QFile::exists(path())) << offset;
    }
}

TEST_F(NetworkFaults, AResetAfterTheHeadAsksToResumeAndCancelLeavesNoPartialFile) {
    const QByteArray body = randomBytes(20000);
    const qsizetype headSize = headOf(body).size();
    for (const qint64 offset : {qint64{headSize}, qint64{headSize + 1}, qint64{headSize + 12000},
                                qint64{headSize + body.size() - 1}}) {
        ScriptedHttpServer server(body);
        server.behave(0, {.resetAt = offset});
        answers = {false};
        const Downloader::Outcome outcome = download(server.url(), path());
        EXPECT_FALSE(outcome.result) << offset;
        EXPECT_TRUE(outcome.cancelSearch) << offset;
        ASSERT_EQ(asked.size(), 1u) << "reset at byte " << offset;
        EXPECT_EQ(asked[0].title, kIncomplete);
        EXPECT_TRUE(told.empty()) << offset;
        EXPECT_FALSE(QFile::exists(path())) << offset;
    }
}

TEST_F(NetworkFaults, AResetMidBodyResumesToTheWholeFileWhenTheUserRetries) {
    const QByteArray body = randomBytes(40000);
    ScriptedHttpServer server(body);
    server.behave(0, {.resetAt = headOf(body).size() + 30000});
    answers = {true};
    const Downloader::Outcome outcome = download(server.url(), path());
    EXPECT_TRUE(outcome.good());
    EXPECT_EQ(readAll(path()), body);
    EXPECT_TRUE(server.ranges().contains("bytes=" + QByteArray::number(30000 - kResumeBackOff) + "-"))
        << server.ranges().join(' ').toStdString();
}

TEST_F(NetworkFaults, ATransferCutByAResetIsNeverRequestedAgainBehindTheUsersBack) {
    // A server this close answers before the request is seen to leave: a stack that resends on
    // its own does so here, and the server streams a whole file to a request nobody reads.
    const QByteArray body = randomBytes(400000);
    for (int run = 0; run < 10; ++run) {
        ScriptedHttpServer server(body);
        server.behave(0, {.resetAt = headOf(body).size() + 100000});
        answers = {false};
        EXPECT_FALSE(download(server.url(), path()).result);
        EXPECT_EQ(server.requests(), 1) << "run " << run;
    }
}

TEST_F(NetworkFaults, ABodyWithoutLengthOrChunksCutByAResetIsNotWhole) {
    const QByteArray head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
    ScriptedHttpServer server(randomBytes(20000));
    server.behaveAfterwards({.resetAt = head.size() + 10000, .raw = head + randomBytes(20000)});
    answers = {false};
    EXPECT_FALSE(download(server.url(), path()).result);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, kIncomplete);
    EXPECT_FALSE(QFile::exists(path()));
}

// --- a server that never answers ---

TEST_F(NetworkFaults, ASilentServerIsEndedByEachLimit) {
    ScriptedHttpServer server("never sent");
    server.behaveAfterwards({.silent = true});
    QElapsedTimer clock;
    clock.start();
    const Downloader::Outcome outcome = download(server.url(), path());
    EXPECT_LT(clock.elapsed(), 10 * kStallMs) << "the silence limit ends it";
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(toldTitle(), kNoConnection);
    EXPECT_FALSE(QFile::exists(path()));

    ConnectionProbe probe;
    EXPECT_EQ(ConnectionProbe::kLimit, std::chrono::seconds(15));
    probe.setLimit(std::chrono::milliseconds(kStallMs));
    std::optional<bool> connected;
    QEventLoop loop;
    clock.restart();
    probe.check(server.url(), [&](bool c) {
        connected = c;
        loop.quit();
    });
    QTimer::singleShot(test::kCallbackLimitMs, &loop, &QEventLoop::quit);
    if (!connected)
        loop.exec();
    ASSERT_TRUE(connected) << "the probe never ended";
    EXPECT_FALSE(*connected);
    EXPECT_LT(clock.elapsed(), 10 * kStallMs);
    EXPECT_FALSE(probe.running());
    // The query channel's limit: QueryChannelHttp.ASilentServerTimesOut.
}

// --- answers that are not what HTTP promises ---

bool probe(const QUrl& url) {
    ConnectionProbe check;
    check.setLimit(std::chrono::milliseconds(2000));
    std::optional<bool> connected;
    QEventLoop loop;
    check.check(url, [&](bool c) {
        connected = c;
        loop.quit();
    });
    QTimer::singleShot(test::kCallbackLimitMs, &loop, &QEventLoop::quit);
    if (!connected)
        loop.exec();
    EXPECT_TRUE(connected) << "the probe never ended";
    return connected.value_or(true);
}

TEST_F(NetworkFaults, AGarbageStatusLineIsNeitherAFileNorRowsNorAConnection) {
    static constexpr char kBinary[] = "\x00\x01\x02\xff\xfe garbage\r\n\r\n";
    for (const QByteArray& garbage : {QByteArray("SMTP 220 ready\r\n\r\nxxxx"),
                                      QByteArray("HTTP/1.1 two hundred OK\r\nContent-Length: 4\r\n\r\nxxxx"),
                                      QByteArray(kBinary, sizeof kBinary - 1)}) {
        ScriptedHttpServer server("x");
        server.behaveAfterwards({.raw = garbage});
        const Downloader::Outcome outcome = download(server.url(), path());
        EXPECT_FALSE(outcome.result) << garbage.toStdString();
        EXPECT_TRUE(outcome.cancelSearch);
        EXPECT_EQ(toldTitle(), "Error Downloading File") << garbage.toStdString();
        ASSERT_FALSE(told.empty());
        EXPECT_NE(told.back().text.find("was damaged"), std::string::npos) << told.back().text;
        EXPECT_FALSE(QFile::exists(path()));

        ScriptedHttpServer script({}, {.raw = garbage});
        QueryChannel channel(script.url(ScriptedHttpServer::kQueryPath));
        const QueryResult result = test::waitForQuery(channel, "SELECT 1");
        EXPECT_FALSE(result.failure.empty()) << garbage.toStdString();
        EXPECT_TRUE(result.rows.empty());

        EXPECT_FALSE(probe(server.url())) << garbage.toStdString();
    }
}

TEST_F(NetworkFaults, ARedirectLoopEndsWithAMessageAfterBoundedRequests) {
    ScriptedHttpServer server("x");
    server.behaveAfterwards({.raw = "HTTP/1.1 302 Found\r\nLocation: " + server.url().toEncoded() +
                                    "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"});
    const Downloader::Outcome outcome = download(server.url(), path());
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(outcome.cancelSearch);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, "Error Downloading File");
    EXPECT_NE(told[0].text.find("302"), std::string::npos) << told[0].text;
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(server.requests(), HttpRequest::kMaxRedirects + 1) << "each redirect followed once, then told";

    // The query script's POST, sent round by a redirect that keeps the method.
    ScriptedHttpServer script("x");
    script.behaveAfterwards(
        {.raw = "HTTP/1.1 307 Temporary Redirect\r\nLocation: " + script.url().toEncoded() +
                "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"});
    QueryChannel channel(script.url());
    channel.setRequestLimit(std::chrono::milliseconds(5000));
    const QueryResult result = test::waitForQuery(channel, "SELECT 1");
    EXPECT_TRUE(result.rows.empty());
    EXPECT_FALSE(result.failure.empty() && result.message.empty()) << "a redirect is no reply";
    EXPECT_EQ(script.requests(), HttpRequest::kMaxRedirects + 1) << "each redirect followed once";
}

TEST_F(NetworkFaults, BytesBeyondContentLengthAreNotWrittenAndAShortBodyIsIncomplete) {
    const QByteArray body = randomBytes(5000);
    ScriptedHttpServer longer("x");
    longer.behaveAfterwards(
        {.raw = "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\nConnection: close\r\n\r\n" + body});
    EXPECT_TRUE(download(longer.url(), path()).good());
    EXPECT_EQ(readAll(path()), body.left(3000)) << "the announced bytes, and nothing after them";
    QFile::remove(path());

    // Shorter, and the server closes the connection in order (not held open, not reset).
    ScriptedHttpServer shorter(body);
    shorter.behave(0, {.cutAfter = 2500, .closeAtCut = true});
    answers = {false};
    const Downloader::Outcome outcome = download(shorter.url(), path());
    EXPECT_FALSE(outcome.result);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, kIncomplete);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(NetworkFaults, AContentRangeThatDoesNotMatchTheRequestIsNotSaved) {
    const QByteArray body = randomBytes(8000);
    ScriptedHttpServer shifted(body);
    shifted.behave(0, {.contentRangeShift = 100});  // asked from 0, answered "from 100"
    EXPECT_FALSE(download(shifted.url(), path()).result);
    EXPECT_EQ(toldTitle(), "Error Downloading File");
    EXPECT_FALSE(QFile::exists(path()));

    for (const QByteArray& range :
         {QByteArray("bytes abc"), QByteArray("bytes 0-7999/4000"), QByteArray("pages 0-1/2")}) {
        ScriptedHttpServer garbled("x");
        garbled.behaveAfterwards({.raw = "HTTP/1.1 206 Partial Content\r\nContent-Range: " + range +
                                         "\r\nContent-Length: 8000\r\nConnection: close\r\n\r\n" + body});
        EXPECT_FALSE(download(garbled.url(), path()).result) << range.toStdString();
        EXPECT_EQ(toldTitle(), "Error Downloading File") << range.toStdString();
        EXPECT_FALSE(QFile::exists(path())) << range.toStdString();
    }
    // A resumed reply at the wrong offset:
    // DownloaderTest.AResumedReplyPlacedAtTheWrongOffsetIsNotWrittenIntoTheFile.
}

// --- a full disk for the program folder ---

class FullDisk : public NetworkFaults {
protected:
    static constexpr int kDiskBytes = 1024 * 1024;

    void SetUp() override {
        NetworkFaults::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a small disk needs root";
        m_disk = m_folder.filePath(QStringLiteral("disk"));
        ASSERT_TRUE(QDir().mkpath(m_disk));
        if (::mount("vantor-test", m_disk.toLocal8Bit().constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=1m,mode=0700") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
        m_mounted = true;
        freeSpace = freeBytesAt;  // the program's own question to the disk
    }
    void TearDown() override {
        if (m_mounted)
            ::umount2(m_disk.toLocal8Bit().constData(), MNT_DETACH);
    }
    QString onDisk(const QString& name) const { return m_disk + QLatin1Char('/') + name; }
    bool diskEmpty() const {
        return QDir(m_disk).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty();
    }

    QString m_disk;
    bool m_mounted = false;
};

TEST_F(FullDisk, AnAnnouncedFileLargerThanTheDiskIsRefusedBeforeWriting) {
    const QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("VantorDownload")));
    QFile file(root.filePath(QStringLiteral("VantorDownload/VantorUSA_APROM.hex")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(randomBytes(2 * kDiskBytes));
    file.close();
    test::ServerProcess server({"--root", root.path().toStdString()});
    const QUrl url(QString::fromStdString(server.baseUrl()) +
                   QStringLiteral("/VantorDownload/VantorUSA_APROM.hex"));
    const Downloader::Outcome outcome = download(url, onDisk(QStringLiteral("VantorUSA_APROM.hex")));
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(outcome.cancelSearch);
    EXPECT_EQ(toldTitle(), "Insufficient Disk Space");
    EXPECT_TRUE(diskEmpty());
}

TEST_F(FullDisk, AFileOfUnknownLengthThatFillsTheDiskIsAWriteErrorAndIsRemoved) {
    ScriptedHttpServer server(randomBytes(2 * kDiskBytes));
    server.behaveAfterwards({.ignoreRange = true, .chunked = true});
    const Downloader::Outcome outcome = download(server.url(), onDisk(QStringLiteral("VantorUSA_APROM.hex")));
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(outcome.cancelSearch);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, "Error Downloading File");
    EXPECT_TRUE(told[0].text.starts_with("Cannot write file to disk.\n\nError ")) << told[0].text;
    EXPECT_NE(told[0].text.find("No space left on device"), std::string::npos) << told[0].text;
    EXPECT_TRUE(diskEmpty());
}

TEST_F(FullDisk, AWriteErrorIsToldOnceAndTheTransferStopsWhileItsBoxIsOpen) {
    ScriptedHttpServer server(randomBytes(4 * kDiskBytes));
    server.behaveAfterwards({.ignoreRange = true, .chunked = true});
    Downloader::Hooks hooks;
    test::scriptUser(hooks, told, asked, answers, test::UnexpectedQuestion::AnswersNo);
    hooks.freeSpace = freeSpace;
    hooks.tell = [&](const vantor::Message& m) {
        told.push_back(m);
        // The user reads the box for a while; the transfer must not go on behind it.
        QEventLoop reading;
        QTimer::singleShot(kStallMs, &reading, &QEventLoop::quit);
        reading.exec();
    };
    Downloader downloader(hooks);
    EXPECT_FALSE(
        test::runDownload(downloader, server.url(), onDisk(QStringLiteral("VantorUSA_APROM.hex"))).result);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_TRUE(diskEmpty());
}

TEST_F(FullDisk, ALocalFileThatDoesNotFitKeepsTheOlderCopy) {
    const QString source = path(QStringLiteral("local.hex"));
    QFile local(source);
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.write(randomBytes(2 * kDiskBytes));
    local.close();
    const QString target = onDisk(QStringLiteral("VantorUSA_APROM.hex"));
    QFile older(target);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("older copy");
    older.close();
    EXPECT_EQ(copyLocalFile(source, target).toStdString(), "No space left on device");
    EXPECT_EQ(readAll(target), "older copy");
}

TEST_F(FullDisk, AFileThatFillsTheDiskInItsLastBytesIsNotReportedWhole) {
    // Most of the disk is taken already; the body overflows it by a few bytes at its very end,
    // where a buffered write would only fail when the file is closed.
    QFile filler(onDisk(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(kDiskBytes - 64 * 1024, 'f'));
    filler.close();
    const std::optional<std::int64_t> free = freeBytesAt(m_disk.toStdString());
    ASSERT_TRUE(free);
    ScriptedHttpServer server(randomBytes(static_cast<int>(*free) + 100));
    server.behaveAfterwards({.ignoreRange = true, .chunked = true});
    const QString target = onDisk(QStringLiteral("VantorUSA_APROM.hex"));
    const Downloader::Outcome outcome = download(server.url(), target);
    EXPECT_FALSE(outcome.result);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, "Error Downloading File");
    EXPECT_NE(told[0].text.find("No space left on device"), std::string::npos) << told[0].text;
    EXPECT_FALSE(QFile::exists(target));
}

}  // namespace
