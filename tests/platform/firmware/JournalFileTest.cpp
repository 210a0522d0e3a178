// The run journal on disk: one update at a time keeps the journal of a serial number.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include "platform/firmware/JournalFile.h"

using namespace vantor::firmware;

TEST(JournalFile, TwoScalesWithOneSerialNumberNeverShareAJournal) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile update(folder.filePath("update.hex"));
    ASSERT_TRUE(update.open(QIODevice::WriteOnly));
    update.write(":00000001FF\r\n");
    update.close();

    auto first = std::make_unique<JournalFile>(folder.path(), update.fileName());
    JournalFile second(folder.path(), update.fileName());
    ASSERT_FALSE(first->begin("24681357", "", ""));
    EXPECT_EQ(second.begin("24681357", "", ""),
              "another update of a scale with serial number 24681357 is under way");
    EXPECT_FALSE(second.begin("11111111", "", ""));  // another number is another journal

    // A run that ended without finishing leaves its journal on disk, and lets the number go.
    first.reset();
    const auto journal = JournalFile::find(folder.path(), "24681357");
    ASSERT_TRUE(journal);
    // As sha256sum prints it, so that the journals of earlier versions still match their copies.
    EXPECT_EQ(journal->imageSha256, "788e5ffc44ae4ee912fe01f495951f96b0accd5705e184dcaea197d8b64856a6");
    EXPECT_TRUE(JournalFile::imageProblem(*journal).empty());
    JournalFile again(folder.path(), update.fileName());
    EXPECT_FALSE(again.begin("24681357", "", ""));
    again.finished();
    EXPECT_FALSE(JournalFile::find(folder.path(), "24681357"));
}

// Another program holds the lock of a serial number: refused as another update in this one is.
TEST(JournalFile, AnUpdateOfTheSameSerialNumberInAnotherProgramIsRefused) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QLockFile other(folder.filePath("Update-24681357.lock"));
    ASSERT_TRUE(other.tryLock(0));
    JournalFile journal(folder.path(), folder.filePath("update.hex"));
    EXPECT_EQ(journal.begin("24681357", "", ""),
              "another update of a scale with serial number 24681357 is under way in another program");
}

// A journal that is there but cannot be read is no "no journal": it is reported with its reason,
// and a FIFO in its place neither blocks nor is written through.
TEST(JournalFile, AJournalThatCannotBeReadIsReportedAndAFifoNeverBlocks) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("Update-24681357.journal");
    const std::pair<QByteArray, std::string> damaged[] = {
        {"vantor-update-journal 1\nserial=246", "a field missing or wrong"},
        {"\xEF\xBB\xBFvantor-update-journal 1\n", "not an update journal of this program"},
        {"vantor-update-journal 1\nserial=24681357\rimage-sha256=x\n", "a damaged line"},
    };
    for (const auto& [content, problem] : damaged) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        const JournalFile::Lookup found = JournalFile::lookUp(folder.path(), "24681357");
        EXPECT_FALSE(found.journal);
        EXPECT_EQ(found.path, path);
        EXPECT_EQ(found.problem, problem);
        EXPECT_EQ(JournalFile::unfinishedNote(folder.path(), "24681357"),
                  "the journal of its last update, " + path.toStdString() + ", cannot be read (" + problem +
                      "): that update may not have finished; update the scale again");
    }
    EXPECT_TRUE(JournalFile::lookUp(folder.path(), "11111111").problem.empty());

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(JournalFile::lookUp(folder.path(), "24681357").problem, "it is not a regular file");
    QFile update(folder.filePath("update.hex"));
    ASSERT_TRUE(update.open(QIODevice::WriteOnly));
    update.write(":00000001FF\r\n");
    update.close();
    JournalFile journal(folder.path(), update.fileName());
    EXPECT_EQ(journal.begin("24681357", "", ""), path.toStdString() + " is not a regular file");
}
