#include "FileRoot.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <utility>

namespace vantor::server {

namespace {

// No link is followed and nothing waits: a FIFO put under the root must not hold a worker.
constexpr int kStepFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
constexpr const char* kIndexNames[] = {"index.html", "index.htm"};

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

void closeFd(int fd) {
    if (fd >= 0)
        ::close(fd);
}

// The regular file at `fd` as an OpenFile; nothing (and `fd` closed) for anything else.
std::optional<OpenFile> regularFile(int fd, std::string name) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        closeFd(fd);
        return std::nullopt;
    }
    return OpenFile(fd, static_cast<std::uint64_t>(info.st_size), info.st_mtime, std::move(name));
}

std::optional<OpenFile> indexOf(int folder) {
    for (const char* name : kIndexNames) {
        const int fd = ::openat(folder, name, kStepFlags);
        if (fd >= 0)
            return regularFile(fd, name);
    }
    return std::nullopt;
}

}  // namespace

OpenFile::~OpenFile() {
    closeFd(m_fd);
}

OpenFile::OpenFile(OpenFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_size(other.m_size),
      m_modified(other.m_modified),
      m_name(std::move(other.m_name)) {}

FileRoot::FileRoot(const std::string& folder) : m_realPath(realPath(folder)) {
    if (!m_realPath.empty())
        m_fd = ::open(m_realPath.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
}

FileRoot::~FileRoot() {
    closeFd(m_fd);
}

FileRoot::Found FileRoot::open(std::string_view requestPath) const {
    const std::string resolved = realPath(m_realPath + "/" + std::string(requestPath));
    if (resolved.empty())
        return {};
    if (resolved == m_realPath)
        return openBeneath({});
    const std::string prefix = m_realPath.ends_with('/') ? m_realPath : m_realPath + "/";
    if (!resolved.starts_with(prefix))
        return {std::nullopt, true};
    return openBeneath(resolved.substr(prefix.size()));
}

// `relative` holds no link, "." or ".." (it comes from realpath), so opening it one step at a
// time from the root's handle, following nothing, cannot leave the root.
FileRoot::Found FileRoot::openBeneath(const std::string& relative) const {
    int folder = ::dup(m_fd);
    std::string name;
    std::size_t at = 0;
    while (folder >= 0 && at < relative.size()) {
        const std::size_t slash = relative.find('/', at);
        name = relative.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        at = slash == std::string::npos ? relative.size() : slash + 1;
        if (name.empty() || name == "..") {
            closeFd(folder);
            return {};
        }
        const int next = ::openat(folder, name.c_str(), kStepFlags);
        closeFd(folder);
        folder = next;
    }
    if (folder < 0)
        return {};
    struct stat info {};
    if (::fstat(folder, &info) == 0 && S_ISDIR(info.st_mode)) {
        std::optional<OpenFile> index = indexOf(folder);
        closeFd(folder);
        const bool listing = !index;
        return {std::move(index), false, listing};
    }
    return {regularFile(folder, name)};
}

}  // namespace vantor::server
