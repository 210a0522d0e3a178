// Tables backups in a real folder: a backup never replaces another, and a failed one leaves nothing.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/firmware/TablesBackupFile.h"

using namespace vantor;
using namespace vantor::firmware;

TEST(TablesBackupFile, TwoBackupsOfOneSerialNumberInOneSecondGetTwoFiles) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const Bytes first(kTablesSize, 0x11);
    const Bytes second(kTablesSize, 0x22);
    // Within one second more often than not; the names differ either way.
    const SavedBackup a = saveTablesBackup(folder.path(), "24681357", first);
    const SavedBackup b = saveTablesBackup(folder.path(), "24681357", second);
    ASSERT_TRUE(a.saved()) << a.error;
    ASSERT_TRUE(b.saved()) << b.error;
    EXPECT_NE(a.path, b.path);
    QFile fileA(QString::fromStdString(a.path));
    QFile fileB(QString::fromStdString(b.path));
    ASSERT_TRUE(fileA.open(QIODevice::ReadOnly) && fileB.open(QIODevice::ReadOnly));
    EXPECT_EQ(fileA.readAll().toStdString(), tablesHex(first));
    EXPECT_EQ(fileB.readAll().toStdString(), tablesHex(second));

    // A regular file where the folder should be: the reason, and no file anywhere.
    QFile blocker(folder.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const SavedBackup failed = saveTablesBackup(folder.filePath("blocked"), "24681357", first);
    EXPECT_FALSE(failed.saved());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 3);
}

TEST(TablesBackupFile, TheNewestBackupThatHoldsTablesIsFoundInEitherFolder) {
    QTemporaryDir program, cli;
    ASSERT_TRUE(program.isValid() && cli.isValid());
    const auto put = [](const QTemporaryDir& folder, const char* name, Byte fill) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(tablesHex(Bytes(kTablesSize, fill))));
    };
    put(program, "Tables-24681357-20261201-080000.hex", 0x11);
    put(cli, "Tables-24681357-20261202-080000.hex", 0x22);
    put(program, "Tables-24681357-20261203-080000.hex", 0xFF);  // newest, but blank
    put(cli, "Tables-11111111-20261204-080000.hex", 0x33);      // another scale
    EXPECT_EQ(newestBackupWithTables({program.path(), cli.path()}, "24681357"),
              cli.filePath("Tables-24681357-20261202-080000.hex").toStdString());
    EXPECT_FALSE(newestBackupWithTables({program.path()}, "22222222"));
}
