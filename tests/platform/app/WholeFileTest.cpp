// The one writer of whole files, on real file systems: a small tmpfs that fills up, a read-only
// one, a FIFO and symlinks made inside a temporary folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/app/WholeFile.h"

using vantor::app::saveWhole;

namespace {

std::string bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<unreadable>");
}

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    QString path(const char* name) const { return m_folder.filePath(QLatin1String(name)); }
    QStringList names(const QString& folder) const {
        return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
    }
    // A tmpfs of `options` on a fresh folder, or a skip where mounting is not permitted.
    QString mountDisk(const char* options) {
        const QString disk = path("disk");
        EXPECT_TRUE(QDir().mkpath(disk));
        if (::mount("vantor-test", disk.toLocal8Bit().constData(), "tmpfs", MS_NOSUID | MS_NODEV, options) !=
            0)
            return {};
        m_mounted = disk;
        return disk;
    }
    void TearDown() override {
        if (!m_mounted.isEmpty())
            ::umount2(m_mounted.toLocal8Bit().constData(), MNT_DETACH);
    }

    QTemporaryDir m_folder;
    QString m_mounted;
};

TEST_F(WholeFileTest, AnOlderFileIsReplacedWholeAndKeepsItsPermissions) {
    const QString file = path("b.hex");
    ASSERT_FALSE(saveWhole(file, std::string("old")));
    ASSERT_EQ(::chmod(file.toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(saveWhole(file, std::string("new bytes")));
    EXPECT_EQ(bytesOf(file), "new bytes");
    struct stat status {};
    ASSERT_EQ(::stat(file.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(names(m_folder.path()), QStringList{"b.hex"}) << "no temporary file stays behind";
}

TEST_F(WholeFileTest, ASymlinkStaysALinkAndItsTargetInAnotherFolderGetsTheBytes) {
    ASSERT_TRUE(QDir().mkpath(path("outside")));
    const QString target = path("outside/real.hex");
    ASSERT_TRUE(QFile::link(QStringLiteral("outside/real.hex"), path("inner-link")));
    ASSERT_TRUE(QDir().mkpath(path("here")));
    ASSERT_TRUE(QFile::link(path("inner-link"), path("here/b.hex")));
    EXPECT_FALSE(saveWhole(path("here/b.hex"), std::string("through two links")));
    EXPECT_TRUE(QFileInfo(path("here/b.hex")).isSymLink());
    EXPECT_EQ(bytesOf(target), "through two links");
    EXPECT_EQ(names(path("here")), QStringList{"b.hex"});
}

TEST_F(WholeFileTest, AFifoIsWrittenThroughAndStaysAFifo) {
    const QString fifo = path("pipe");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    // A reader that is there already, and bytes that fit the pipe: nothing waits on anything.
    const int reader = ::open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string bytes(1000, 'x');
    EXPECT_FALSE(saveWhole(fifo, bytes));
    std::string received(2 * bytes.size(), '\0');
    const ssize_t got = ::read(reader, received.data(), received.size());
    ::close(reader);
    EXPECT_TRUE(got == 1000 && received.starts_with(bytes)) << got << " bytes came through";
    struct stat status {};
    ASSERT_EQ(::lstat(fifo.toLocal8Bit().constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(WholeFileTest, AFullDiskKeepsTheOlderFileAndSaysWhy) {
    const QString disk = mountDisk("size=12k");
    if (disk.isEmpty())
        GTEST_SKIP() << "cannot mount a small disk here: " << std::strerror(errno);
    const QString file = disk + QStringLiteral("/b.hex");
    ASSERT_FALSE(saveWhole(file, std::string(1000, 'g')));
    const std::optional<std::string> failed = saveWhole(file, std::string(11101, 'n'));
    EXPECT_EQ(failed, std::optional<std::string>("No space left on device"));
    EXPECT_TRUE(bytesOf(file) == std::string(1000, 'g')) << "the older file is kept";
    EXPECT_EQ(names(disk), QStringList{"b.hex"});
}

TEST_F(WholeFileTest, AReadOnlyFolderIsNamedAsSuch) {
    QString folder = mountDisk("size=12k");
    std::string reason = "Read-only file system";
    if (folder.isEmpty() && ::geteuid() == 0)
        GTEST_SKIP() << "cannot mount a disk here: " << std::strerror(errno);
    if (folder.isEmpty()) {
        folder = path("locked");
        ASSERT_TRUE(QDir().mkpath(folder));
        reason = "Permission denied";
    }
    const QString file = folder + QStringLiteral("/b.hex");
    ASSERT_FALSE(saveWhole(file, std::string("old")));
    if (reason == "Permission denied")
        ASSERT_EQ(::chmod(folder.toLocal8Bit().constData(), 0555), 0);
    else
        ASSERT_EQ(::mount("vantor-test", folder.toLocal8Bit().constData(), "tmpfs",
                          MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, "size=12k"),
                  0);
    EXPECT_EQ(saveWhole(file, std::string("new")), std::optional(reason));
    EXPECT_EQ(bytesOf(file), "old");
}

}  // namespace
