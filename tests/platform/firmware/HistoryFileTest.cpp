// The history file in a real data folder: records appended at once from many threads stay whole,
// a damaged line is skipped with a log line, and what is no regular file never hangs the program.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "platform/firmware/HistoryFile.h"
#include "support/ScopedEnvironment.h"

using namespace vantor;
using namespace vantor::firmware;

namespace {

QStringList g_warnings;

void collectWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg)
        g_warnings << message;
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_data.isValid());
        m_environment.set("XDG_DATA_HOME", m_data.path().toUtf8());
        g_warnings.clear();
        m_previous = qInstallMessageHandler(collectWarning);
    }
    void TearDown() override { qInstallMessageHandler(m_previous); }

    static HistoryRecord record(const std::string& serial, std::size_t pages) {
        HistoryRecord r;
        r.serial = serial;
        r.operation = "key";
        r.result = "All 5 pages were written and verified.";
        r.ok = true;
        r.pages = pages;
        return r;
    }

    QTemporaryDir m_data;
    test::ScopedEnvironment m_environment;
    QtMessageHandler m_previous = nullptr;
};

}  // namespace

TEST_F(HistoryFile, RecordsAppendedAtOnceStayWholeAndADamagedLineIsSkipped) {
    constexpr int kThreads = 8, kEach = 40;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(QThread::create([t] {
            for (int n = 0; n < kEach; ++n)
                EXPECT_EQ(recordHistory(record(std::string(8, static_cast<char>('1' + t)),
                                               static_cast<std::size_t>(n))),
                          std::nullopt);
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads)
        thread->wait();
    EXPECT_EQ(historyPath(), m_data.path() + "/VantorUSA_PCProgram/VantorUSA_PCProgram/history.jsonl");

    QFile file(historyPath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("{\"time\":\"2026-12-08T13:06:33+0");  // a record cut short, then another after it
    file.close();
    ASSERT_EQ(recordHistory(record("99999999", 5)), std::nullopt);

    const HistoryFileRead read = readHistoryFile();
    EXPECT_TRUE(read.error.empty());
    ASSERT_EQ(read.records.size(), static_cast<std::size_t>(kThreads * kEach + 1));
    std::vector<std::size_t> pagesSeen(kThreads, 0);
    for (std::size_t i = 0; i + 1 < read.records.size(); ++i) {
        const HistoryRecord& r = read.records[i];
        const auto t = static_cast<std::size_t>(r.serial[0] - '1');
        EXPECT_EQ(r.pages, pagesSeen[t]++);  // each thread's records whole and in its order
        EXPECT_EQ(r.time.size(), 25u) << r.time;
    }
    EXPECT_EQ(read.records.back().serial, "99999999");
    ASSERT_EQ(g_warnings.size(), 1);
    EXPECT_EQ(g_warnings[0], "Line " + QString::number(kThreads * kEach + 1) + " of the update history " +
                                 historyPath() + " is damaged; it was skipped.");
}

TEST_F(HistoryFile, AFifoIsWrittenThroughWithoutHangingAndNeverRead) {
    ASSERT_TRUE(QDir().mkpath(m_data.path() + "/VantorUSA_PCProgram/VantorUSA_PCProgram"));
    ASSERT_EQ(mkfifo(QFile::encodeName(historyPath()).constData(), 0600), 0);
    // No reader: the append fails at once instead of waiting for one.
    const auto failure = recordHistory(record("24681357", 5));
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(g_warnings.size(), 1);
    EXPECT_EQ(readHistoryFile().error, historyPath().toStdString() + " is not a regular file");
}

TEST_F(HistoryFile, DamagedLinesGiveOneWarningForThemAll) {
    ASSERT_EQ(recordHistory(record("24681357", 5)), std::nullopt);
    QFile file(historyPath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    for (int i = 0; i < 5000; ++i)
        file.write(QByteArray("\x01\xff\n", 3));
    file.close();
    g_warnings.clear();
    EXPECT_EQ(readHistoryFile().records.size(), 1u);
    ASSERT_EQ(g_warnings.size(), 1);
    EXPECT_EQ(g_warnings[0], "5000 lines of the update history " + historyPath() +
                                 " are damaged (the first is line 2); they were skipped.");
}
