#pragma once

// The folder of static files. A request path is resolved (links included) and must lead inside
// the folder; the resolved path is then opened step by step from the folder's own handle without
// following any link, so a link swapped between the check and the open cannot lead elsewhere. The
// reply is served from that one open file.

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::server {

class OpenFile {
public:
    OpenFile(int fd, std::uint64_t size, std::time_t modified, std::string name)
        : m_fd(fd), m_size(size), m_modified(modified), m_name(std::move(name)) {}
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile& operator=(OpenFile&&) = delete;

    int fd() const { return m_fd; }
    std::uint64_t size() const { return m_size; }
    std::time_t modified() const { return m_modified; }
    const std::string& name() const { return m_name; }  // the last part of its path

private:
    int m_fd;
    std::uint64_t m_size;
    std::time_t m_modified;
    std::string m_name;
};

class FileRoot {
public:
    struct Found {
        std::optional<OpenFile> file;
        bool outside = false;  // the path leads out of the folder
        bool folder = false;   // a folder without an index page: not listed
    };

    // valid() tells whether the folder could be opened.
    explicit FileRoot(const std::string& folder);
    ~FileRoot();
    FileRoot(const FileRoot&) = delete;
    FileRoot& operator=(const FileRoot&) = delete;

    bool valid() const { return m_fd >= 0; }

    // The regular file a decoded request path names; for a folder, its index.html or index.htm.
    Found open(std::string_view requestPath) const;

private:
    Found openBeneath(const std::string& relative) const;

    int m_fd = -1;
    std::string m_realPath;  // with every link resolved
};

}  // namespace vantor::server
