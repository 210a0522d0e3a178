#include "platform/app/WholeFile.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vantor::app {

namespace {

#ifdef _WIN32
// The C runtime's descriptors, so that one implementation serves both systems. Windows has no
// symlinks or FIFOs to follow here, and its rename is std::filesystem's, which replaces.
constexpr int kCreateFlags = _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY;
constexpr int kReadFlags = _O_RDONLY | _O_BINARY;
constexpr int kWriteFlags = _O_WRONLY | _O_BINARY;
int openFile(const std::string& path, int flags, int mode = 0) {
    return ::_open(path.c_str(), flags, mode);
}
long long writeSome(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
long long readSome(int fd, char* data, std::size_t size) {
    return ::_read(fd, data, static_cast<unsigned>(size));
}
int closeFile(int fd) {
    return ::_close(fd);
}
int syncFile(int fd) {
    return ::_commit(fd);
}
int resizeFile(int fd, std::int64_t size) {
    return ::_chsize_s(fd, size) == 0 ? 0 : -1;
}
int seekTo(int fd, std::int64_t offset) {
    return ::_lseeki64(fd, offset, SEEK_SET) < 0 ? -1 : 0;
}
int keepMode(int, const struct stat&) {
    return 0;
}
std::string finalTarget(const std::string& path) {
    return path;
}
#else
constexpr int kCreateFlags = O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC;
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC;
constexpr int kWriteFlags = O_WRONLY | O_CLOEXEC;
// Enough for any sensible chain of links; a longer one is a loop, which the open then names.
constexpr int kMaxLinks = 40;
int openFile(const std::string& path, int flags, int mode = 0) {
    return ::open(path.c_str(), flags, mode);
}
long long writeSome(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
long long readSome(int fd, char* data, std::size_t size) {
    return ::read(fd, data, size);
}
int closeFile(int fd) {
    return ::close(fd);
}
int syncFile(int fd) {
    return ::fsync(fd);
}
int resizeFile(int fd, std::int64_t size) {
    return ::ftruncate(fd, size);
}
int seekTo(int fd, std::int64_t offset) {
    return ::lseek(fd, offset, SEEK_SET) < 0 ? -1 : 0;
}
// A replaced file keeps who may read it: a backup readable by its owner only stays so.
int keepMode(int fd, const struct stat& target) {
    return ::fchmod(fd, target.st_mode & 07777);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path finally names: replacing a symlink with a regular file would cut the link.
std::string finalTarget(std::string path) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 4096) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length <= 0)
            return path;
        link.resize(static_cast<std::size_t>(length));
        path = link.front() == '/' ? link : folderOf(path) + "/" + link;
    }
    return path;
}
#endif

constexpr std::size_t kCopyBytes = 64 * 1024;

FileFailure failure(int number) {
    return {number, std::error_code(number, std::generic_category()).message()};
}

FileFailure lastFailure() {
    return failure(errno);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderPart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// A name no other writer of the same file uses, two programs or two runs in one second included.
std::string temporaryName(const std::string& folder, const std::string& name) {
    static std::atomic<unsigned> counter{0};
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    return folder + "/." + name + "." + std::to_string(tick % 1000000007) + "-" + std::to_string(++counter) +
           ".part";
}

std::optional<FileFailure> writeAll(int fd, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const long long written = writeSome(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return lastFailure();
        if (written == 0)
            return failure(ENOSPC);
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

}  // namespace

WholeFile::WholeFile(QString path) : m_path(std::move(path)) {}

WholeFile::~WholeFile() {
    discard();
}

bool WholeFile::isOpen() const {
    return m_fd >= 0;
}

std::optional<FileFailure> WholeFile::open() {
    discard();
    m_target = finalTarget(QFile::encodeName(m_path).toStdString());
    struct stat status {};
    const bool exists = ::stat(m_target.c_str(), &status) == 0;
    m_replace = !exists || (status.st_mode & S_IFMT) == S_IFREG;
    // What is written through is gathered where temporary files belong: its own folder may be
    // a system one.
    const std::string folder =
        m_replace ? folderPart(m_target) : QFile::encodeName(QDir::tempPath()).toStdString();
    for (;;) {
        m_temporary = temporaryName(folder, nameOf(m_target));
        m_fd = openFile(m_temporary, kCreateFlags, 0666);
        if (m_fd >= 0 || errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        const FileFailure failed = lastFailure();
        m_temporary.clear();
        return failed;
    }
    m_size = 0;
    if (exists && m_replace && keepMode(m_fd, status) != 0) {
        const FileFailure failed = lastFailure();
        discard();
        return failed;
    }
    return std::nullopt;
}

std::optional<FileFailure> WholeFile::append(std::span<const char> bytes) {
    if (m_fd < 0)
        return failure(EBADF);
    const std::int64_t before = m_size;
    if (const auto failed = writeAll(m_fd, bytes)) {
        // What a full disk took of the piece is not kept: the size says what is whole.
        (void)truncate(before);
        return failed;
    }
    m_size += static_cast<std::int64_t>(bytes.size());
    return std::nullopt;
}

std::optional<FileFailure> WholeFile::truncate(std::int64_t size) {
    if (m_fd < 0)
        return failure(EBADF);
    if (resizeFile(m_fd, size) != 0 || seekTo(m_fd, size) != 0)
        return lastFailure();
    m_size = size;
    return std::nullopt;
}

std::optional<std::string> WholeFile::readBack(std::int64_t offset, std::int64_t length) const {
    if (m_fd < 0 || offset < 0 || seekTo(m_fd, offset) != 0)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(0, std::min(length, m_size - offset))),
                      '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const long long n = readSome(m_fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (seekTo(m_fd, m_size) != 0 || got != bytes.size())
        return std::nullopt;
    return bytes;
}

std::optional<FileFailure> WholeFile::commit() {
    if (m_fd < 0)
        return failure(EBADF);
    std::optional<FileFailure> failed;
    if (syncFile(m_fd) != 0)
        failed = lastFailure();
    const int fd = m_fd;
    m_fd = -1;
    if (closeFile(fd) != 0 && !failed)
        failed = lastFailure();
    if (!failed && m_replace) {
        std::error_code error;
        std::filesystem::rename(m_temporary, m_target, error);
        if (error)
            failed = failure(error.value());
        else
            m_temporary.clear();
    } else if (!failed) {
        failed = writeThrough();
    }
    discard();
    return failed;
}

std::optional<FileFailure> WholeFile::writeThrough() {
    const int from = openFile(m_temporary, kReadFlags);
    if (from < 0)
        return lastFailure();
    const int to = openFile(m_target, kWriteFlags);
    if (to < 0) {
        const FileFailure failed = lastFailure();
        closeFile(from);
        return failed;
    }
    std::optional<FileFailure> failed;
    std::string chunk(kCopyBytes, '\0');
    for (;;) {
        const long long n = readSome(from, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = lastFailure();
        if (n <= 0 || failed)
            break;
        if ((failed = writeAll(to, {chunk.data(), static_cast<std::size_t>(n)})))
            break;
    }
    closeFile(from);
    if (closeFile(to) != 0 && !failed)
        failed = lastFailure();
    return failed;
}

void WholeFile::discard() {
    if (m_fd >= 0)
        closeFile(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        std::remove(m_temporary.c_str());
    m_temporary.clear();
    m_size = 0;
}

std::optional<std::string> saveWhole(const QString& path, std::span<const char> bytes) {
    WholeFile file(path);
    std::optional<FileFailure> failed = file.open();
    if (!failed)
        failed = file.append(bytes);
    if (!failed)
        failed = file.commit();
    if (failed)
        return failed->reason;
    return std::nullopt;
}

}  // namespace vantor::app
