// The run journal on disk: one update at a time keeps the journal of a serial number.

#include <gtest/gtest.h>

#include <QFile>
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
    ASSERT_FALSE(first->begin("24681357", ""));
    EXPECT_EQ(second.begin("24681357", ""),
              "another update of a scale with serial number 24681357 is under way");
    EXPECT_FALSE(second.begin("11111111", ""));  // another number is another journal

    // A run that ended without finishing leaves its journal on disk, and lets the number go.
    first.reset();
    const auto journal = JournalFile::find(folder.path(), "24681357");
    ASSERT_TRUE(journal);
    EXPECT_TRUE(JournalFile::imageProblem(*journal).empty());
    JournalFile again(folder.path(), update.fileName());
    EXPECT_FALSE(again.begin("24681357", ""));
    again.finished();
    EXPECT_FALSE(JournalFile::find(folder.path(), "24681357"));
}
