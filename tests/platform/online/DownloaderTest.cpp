// The downloader over real HTTP: vantor-server on 127.0.0.1 for whole files and refusals, and a
// server that misbehaves on purpose for broken, unresumable and length-less transfers. In
// process, a broken connection is mostly a server that stops sending, ended by the silence limit.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>

#include "core/online/DownloadRules.h"
#include "platform/online/Downloader.h"
#include "support/DownloadRun.h"
#include "support/OnlineTestSupport.h"
#include "support/ScriptedHttpServer.h"
#include "support/UpdateFileServer.h"

using namespace vantor;
using namespace vantor::online;
using test::randomBytes;
using test::readAll;
using test::ScriptedHttpServer;

namespace {

constexpr int kStallMs = 300;

class DownloaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString path(const QString& name = QStringLiteral("VantorUSA_APROM.hex")) const {
        return m_folder.filePath(name);
    }

    // Runs one download to its end. Questions are answered from `answers` (true: Yes / Retry);
    // each question asked and message told is recorded.
    Downloader::Outcome download(const QUrl& url, const QString& destination,
                                 std::function<void(Downloader&)> meanwhile = {}) {
        Downloader::Hooks hooks;
        test::scriptUser(hooks, told, asked, answers, test::UnexpectedQuestion::Fails);
        hooks.freeSpace = [this](const std::string&) { return freeBytes; };
        hooks.progress = [this](const DownloadProgress& p) { lastProgress = p; };
        Downloader downloader(hooks);
        // A server that stops sending mid-file is a broken transfer once this much silence passed.
        downloader.setSilenceLimit(kStallMs);
        const Downloader::Outcome outcome = test::runDownload(downloader, url, destination, meanwhile);
        EXPECT_TRUE(answers.empty()) << "scripted answers left unused";
        return outcome;
    }

    QTemporaryDir m_folder;
    std::vector<vantor::Message> told;
    std::vector<vantor::Message> asked;
    std::deque<bool> answers;
    std::optional<std::int64_t> freeBytes = std::int64_t{1} << 40;
    DownloadProgress lastProgress;
};

// --- vantor-server ---

class DownloaderFromServer : public DownloaderTest {
protected:
    QUrl url(const char* path = "/VantorDownload/VantorUSA_APROM.hex") const { return served.url(path); }

    test::UpdateFileServer served;
    const QByteArray& source = served.source();
};

TEST_F(DownloaderFromServer, AWholeFileArrivesByteForByte) {
    const Downloader::Outcome outcome = download(url(), path());
    EXPECT_TRUE(outcome.good());
    EXPECT_EQ(outcome.received, source.size());
    EXPECT_EQ(readAll(path()), source);
    EXPECT_EQ(lastProgress.received, source.size());
    EXPECT_TRUE(told.empty());
}

TEST_F(DownloaderFromServer, AFreshDownloadLeavesNoStaleTailOfAnOlderFile) {
    QFile old(path());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(source.size() + 5000, 'x'));
    old.close();
    EXPECT_TRUE(download(url(), path()).good());
    EXPECT_EQ(readAll(path()), source);
}

TEST_F(DownloaderFromServer, AMissingFolderIsCreated) {
    const QString deep = m_folder.filePath(QStringLiteral("not/yet/here.hex"));
    EXPECT_TRUE(download(url(), deep).good());
    EXPECT_EQ(readAll(deep), source);
}

TEST_F(DownloaderFromServer, NotEnoughFreeSpaceIsRefusedBeforeAnyByteIsWritten) {
    freeBytes = source.size() - 1;
    const Downloader::Outcome outcome = download(url(), path());
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(outcome.cancelSearch);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, "Insufficient Disk Space");
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(DownloaderFromServer, AMissingFileAndARefusedConnectionAreToldExactly) {
    const Downloader::Outcome missing = download(url("/VantorDownload/none.hex"), path());
    EXPECT_FALSE(missing.result);
    EXPECT_TRUE(missing.cancelSearch);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, "File Not Found");
    EXPECT_NE(told[0].text.find(url("/VantorDownload/none.hex").toString().toStdString()), std::string::npos)
        << "the address asked for is named: " << told[0].text;
    EXPECT_FALSE(QFile::exists(path()));

    served.stop();
    told.clear();
    const Downloader::Outcome refused = download(url(), path());
    EXPECT_TRUE(refused.cancelSearch);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, "Cannot Establish Connection");
    EXPECT_EQ(told[0].text,
              "The server " + url().authority().toStdString() +
                  " refused the connection: it is not running, or not at this address. Check the "
                  "address, or try again later.")
        << "what happened and what to do, not the Internet connection";
}

// --- a misbehaving server ---

TEST_F(DownloaderTest, RetryAfterTenThousandBytesResumesFrom5904AndTheFileIsWhole) {
    const QByteArray source = randomBytes(50000);
    ScriptedHttpServer server(source);
    server.behave(0, {.cutAfter = 10000});
    answers = {true};
    const Downloader::Outcome outcome = download(server.url(), path());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Download Incomplete");
    ASSERT_EQ(server.ranges().size(), 2) << server.ranges().join(' ').toStdString();
    EXPECT_EQ(server.ranges()[0].toStdString(), "bytes=0-");
    EXPECT_EQ(server.ranges()[1].toStdString(), "bytes=5904-");
    EXPECT_TRUE(outcome.good());
    EXPECT_EQ(readAll(path()), source);
}

TEST_F(DownloaderTest, RetryAfterThreeThousandBytesStartsAgainFromZero) {
    const QByteArray source = randomBytes(20000);
    ScriptedHttpServer server(source);
    server.behave(0, {.cutAfter = 3000});
    answers = {true};
    EXPECT_TRUE(download(server.url(), path()).good());
    ASSERT_EQ(server.ranges().size(), 2) << server.ranges().join(' ').toStdString();
    EXPECT_EQ(server.ranges()[1].toStdString(), "bytes=0-");
    EXPECT_EQ(readAll(path()), source);
}

TEST_F(DownloaderTest, CancelAfterABreakDeletesThePartialFile) {
    ScriptedHttpServer server(randomBytes(20000));
    server.behave(0, {.cutAfter = 10000});
    answers = {false};
    const Downloader::Outcome outcome = download(server.url(), path());
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(outcome.cancelSearch);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(DownloaderTest, AServerThatCannotResumeDeletesThePartialFileAndRestartsWhenTheUserAgrees) {
    const QByteArray source = randomBytes(30000);
    ScriptedHttpServer server(source);
    server.behave(0, {.cutAfter = 10000});
    server.behave(1, {.ignoreRange = true});
    answers = {true, true};
    const Downloader::Outcome outcome = download(server.url(), path());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].title, "Unable to Resume Download");
    EXPECT_TRUE(outcome.good());
    EXPECT_EQ(readAll(path()), source);
    EXPECT_EQ(server.ranges(), QList<QByteArray>({"bytes=0-", "bytes=5904-", "bytes=0-"}))
        << "the whole file is asked for again";

    ScriptedHttpServer declined(source);
    declined.behave(0, {.cutAfter = 10000});
    declined.behave(1, {.ignoreRange = true});
    answers = {true, false};
    const Downloader::Outcome no = download(declined.url(), path(QStringLiteral("other.hex")));
    EXPECT_FALSE(no.result);
    EXPECT_TRUE(no.cancelSearch);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("other.hex"))));
}

TEST_F(DownloaderTest, AResumedReplyThatCannotBePlacedIsDroppedAndYesDownloadsTheWholeFileAgain) {
    // Which replies cannot be placed is DecideReply's; here, what Yes does with one.
    const QByteArray source = randomBytes(30000);
    const QByteArray rest = source.mid(5904);
    ScriptedHttpServer server(source);
    server.behave(0, {.cutAfter = 10000});
    server.behave(1, {.raw = "HTTP/1.1 206 Partial Content\r\nContent-Length: " +
                             QByteArray::number(rest.size()) + "\r\n\r\n" + rest});
    answers = {true, true};
    const Downloader::Outcome outcome = download(server.url(), path());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].title, "Unable to Resume Download");
    EXPECT_TRUE(outcome.good());
    EXPECT_EQ(readAll(path()), source) << "not the unusable reply written from byte 0";
    EXPECT_EQ(server.ranges(), QList<QByteArray>({"bytes=0-", "bytes=5904-", "bytes=0-"}));
}

TEST_F(DownloaderTest, AFileThatChangedBetweenAttemptsIsNeverSplicedFromTwoVersions) {
    const QByteArray first = randomBytes(30000);
    const QByteArray second = randomBytes(25000).toBase64().left(25000);
    ScriptedHttpServer server(first);
    server.serve(first, "\"v1\"");
    server.behave(0, {.cutAfter = 10000});
    std::vector<std::string> questions;
    Downloader::Hooks hooks;
    hooks.confirmRetry = [&](const vantor::Message& m) {
        questions.push_back(m.title);
        server.serve(second, "\"v2\"");  // the maker publishes a new file meanwhile
        return true;
    };
    hooks.confirmRestart = [&](const vantor::Message& m) {
        questions.push_back(m.title);
        return true;
    };
    Downloader downloader(hooks);
    downloader.setSilenceLimit(kStallMs);
    const Downloader::Outcome outcome = test::runDownload(downloader, server.url(), path());
    EXPECT_TRUE(outcome.good());
    EXPECT_EQ(readAll(path()), second);
    EXPECT_EQ(server.ifRanges(), QList<QByteArray>({"", "\"v1\"", ""}));
    EXPECT_EQ(server.ranges(), QList<QByteArray>({"bytes=0-", "bytes=5904-", "bytes=0-"}));
    EXPECT_EQ(questions, std::vector<std::string>({"Download Incomplete", "Unable to Resume Download"}));
}

TEST_F(DownloaderTest, AFileReplacedOnAServerWithoutValidatorsIsFetchedWholeAgainNeverSpliced) {
    const QByteArray first = randomBytes(50000);
    QByteArray second = first;
    second[20000] = static_cast<char>(second[20000] ^ 0x55);  // beyond the span a resume fetches again
    ScriptedHttpServer server(first);
    server.serve(first, {});  // neither ETag nor Last-Modified
    server.behave(0, {.cutAfter = 10000});
    std::vector<std::string> questions;
    Downloader::Hooks hooks;
    hooks.confirmRetry = [&](const vantor::Message& m) {
        questions.push_back(m.title);
        server.serve(second, {});  // replaced meanwhile, and nothing could tell
        return true;
    };
    Downloader downloader(hooks);
    downloader.setSilenceLimit(kStallMs);
    EXPECT_TRUE(test::runDownload(downloader, server.url(), path()).good());
    EXPECT_TRUE(readAll(path()) == second) << "never the first file's head on the second's tail";
    EXPECT_EQ(server.ranges(), QList<QByteArray>({"bytes=0-", "bytes=0-"}));
    EXPECT_EQ(questions, std::vector<std::string>({"Download Incomplete"}));
}

TEST_F(DownloaderTest, AFailedDownloadLeavesTheDestinationAndALinksTargetAsTheyWere) {
    const QTemporaryDir outside;
    const QString target = outside.filePath(QStringLiteral("kept.hex"));
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("an older good file");
    kept.close();
    ASSERT_TRUE(QFile::link(target, path()));
    const QByteArray source = randomBytes(30000);
    ScriptedHttpServer server(source);
    server.behave(0, {.status = 404});
    server.behave(1, {.cutAfter = 10000});
    ScriptedHttpServer empty{QByteArray()};
    for (const QUrl& url : {server.url(), server.url(), empty.url(), ScriptedHttpServer::refusedUrl()}) {
        if (server.requests() == 1)
            answers = {false};  // the break: no retry
        EXPECT_FALSE(download(url, path()).result) << url.toString().toStdString();
        EXPECT_EQ(readAll(target), "an older good file") << url.toString().toStdString();
        EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"VantorUSA_APROM.hex"});
    }
    EXPECT_TRUE(download(server.url(), path()).good());
    EXPECT_TRUE(QFileInfo(path()).isSymLink()) << "the link stays a link";
    EXPECT_TRUE(readAll(target) == source);
}

TEST_F(DownloaderTest, AFileBeyondTheSizeLimitIsRefusedWhileDownloading) {
    const QByteArray source = randomBytes(30000);
    for (const bool announced : {true, false}) {
        told.clear();
        ScriptedHttpServer server(source);
        server.behaveAfterwards({.ignoreRange = true, .chunked = !announced});
        Downloader::Hooks hooks;
        test::scriptUser(hooks, told, asked, answers, test::UnexpectedQuestion::Fails);
        Downloader downloader(hooks);
        downloader.setSizeLimit(20000);
        EXPECT_FALSE(test::runDownload(downloader, server.url(), path()).result) << announced;
        ASSERT_EQ(told.size(), 1u) << announced;
        EXPECT_EQ(told[0].text, FileTooLargeMessage(20000).text);
        EXPECT_FALSE(QFile::exists(path())) << announced;
        EXPECT_EQ(server.requests(), 1) << announced;
    }
}

TEST_F(DownloaderTest, StatusRefusalsAreToldWithTheirTitles) {
    const std::pair<int, const char*> cases[] = {
        {204, "No Content"}, {401, "Unauthorized"}, {500, "Error Downloading File"}};
    for (const auto& [status, title] : cases) {
        told.clear();
        ScriptedHttpServer server("x");
        server.behave(0, {.status = status});
        const Downloader::Outcome outcome = download(server.url(), path());
        EXPECT_TRUE(outcome.cancelSearch) << status;
        EXPECT_FALSE(outcome.result) << status;
        ASSERT_EQ(told.size(), 1u) << status;
        EXPECT_EQ(told[0].title, title);
        EXPECT_FALSE(QFile::exists(path()));
    }
    EXPECT_TRUE(told[0].text.ends_with("\n\nHTTP/1.1 500 Status"))
        << "the server's own status line: " << told[0].text;
}

TEST_F(DownloaderTest, AReplyWithoutLengthIsReadToItsEnd) {
    const QByteArray source = randomBytes(25000);
    ScriptedHttpServer server(source);
    server.behave(0, {.ignoreRange = true, .chunked = true});
    const Downloader::Outcome outcome = download(server.url(), path());
    EXPECT_TRUE(outcome.good());
    EXPECT_EQ(outcome.total, source.size());
    EXPECT_EQ(readAll(path()), source);
}

TEST_F(DownloaderTest, ALengthlessReplyThatBreaksOffIsNotWhole) {
    ScriptedHttpServer server(randomBytes(25000));
    server.behave(0, {.cutAfter = 8000, .ignoreRange = true, .chunked = true});
    answers = {false};
    const Downloader::Outcome outcome = download(server.url(), path());
    EXPECT_FALSE(outcome.result);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(DownloaderTest, AnEmptyBodyIsAFailedDownload) {
    ScriptedHttpServer server{QByteArray()};
    server.behave(0, {.ignoreRange = true});
    const Downloader::Outcome outcome = download(server.url(), path());
    EXPECT_FALSE(outcome.result);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, EmptyFileMessage().text);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(DownloaderTest, CancelWhileWaitingForTheFirstReply) {
    ScriptedHttpServer server("never sent");
    server.behave(0, {.silent = true});
    const Downloader::Outcome outcome = download(server.url(), path(), [&](Downloader& downloader) {
        QTimer::singleShot(0, &downloader, [&] {
            // Once the request is out: the server has it, and no reply will come.
            QTimer* poll = new QTimer(&downloader);
            QObject::connect(poll, &QTimer::timeout, &downloader, [&, poll] {
                if (server.requests() == 0)
                    return;
                poll->stop();
                downloader.cancel();
            });
            poll->start(5);
        });
    });
    EXPECT_TRUE(outcome.result) << "nothing was announced, so nothing is missing";
    EXPECT_TRUE(outcome.cancelSearch) << "which is how the caller knows it was cancelled";
    EXPECT_EQ(outcome.received, 0);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_TRUE(told.empty());
}

}  // namespace
