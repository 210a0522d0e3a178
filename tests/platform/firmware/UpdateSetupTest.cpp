// An update that finishes an unfinished one is set up from that one's journal: its tables, or none
// where it erased them, never the region as the cut-short run left it.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/firmware/UpdateSetup.h"
#include "support/FakeScaleTransport.h"
#include "support/ScopedEnvironment.h"

using namespace vantor;
using namespace vantor::firmware;

TEST(UpdateSetup, FinishingAnUpdateTakesItsTablesOrNoneWhereItErasedThem) {
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    test::ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", data.path().toUtf8());
    Bytes memory(0x10000, 0xFF);
    memory[0x0700] = 0x24, memory[0x0701] = 0x68, memory[0x0702] = 0x13, memory[0x0703] = 0x57;
    memory[0x8000] = 0x11;  // half a table, as a run cut short may leave the region
    const std::atomic<bool> goOn{false};

    QFile copy(data.filePath("copy.hex"));  // the journal's own copy of the update file
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(":00000001FF\r\n");
    copy.close();

    UpdateJournal erased;
    erased.serial = "24681357";
    erased.imageFile = data.filePath("copy.hex").toStdString();
    scale::FakeScaleTransport scale{scale::ScaleModel(memory)};
    const auto update = setUpUpdate({ImageBuffer(), TablesChoice::Keep, data.path(), {}, erased, {}});
    ASSERT_EQ(update->prepare(scale, {}, goOn), Prepared::Ready);
    EXPECT_FALSE(update->tables());  // nothing of the half table is kept or written back
    EXPECT_EQ(update->tablesAfter(), TablesAfterUpdate::Nothing);

    UpdateJournal kept = erased;
    kept.backupFile = "/gone/Tables-24681357.hex";  // saved, but unreadable since
    scale::FakeScaleTransport again{scale::ScaleModel(memory)};
    const auto finishing = setUpUpdate({ImageBuffer(), TablesChoice::Erase, data.path(), {}, kept, {}});
    EXPECT_EQ(finishing->prepare(again, {}, goOn), Prepared::TablesLost);
}
