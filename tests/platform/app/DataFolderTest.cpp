// The data folder: one for the program and vantor-cli, whatever the running executable calls
// itself, and the folder earlier versions of vantor-cli saved backups into still searched.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/app/DataFolder.h"
#include "support/ScopedEnvironment.h"

using vantor::app::DataFolder;

TEST(DataFolder, IsTheProgramsWhicheverExecutableAsksAndOldCliBackupsAreStillSearched) {
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    vantor::test::ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", data.path().toUtf8());
    const QString own = data.path() + "/VantorUSA_PCProgram/VantorUSA_PCProgram";

    for (const char* executable : {"VantorUSA_PCProgram", "vantor-cli"}) {
        SCOPED_TRACE(executable);
        QCoreApplication::setApplicationName(QLatin1String(executable));
        EXPECT_EQ(DataFolder::path(), own);
        EXPECT_EQ(DataFolder::journals(), own + "/Journals");
        EXPECT_EQ(DataFolder::backupFolders(), QStringList({own, data.path() + "/vantor-cli"}));
    }

    EXPECT_FALSE(QFileInfo::exists(own)) << "asking for the path makes nothing";
    EXPECT_EQ(DataFolder::made(), own);
    EXPECT_TRUE(QFileInfo(own).isDir());
}
