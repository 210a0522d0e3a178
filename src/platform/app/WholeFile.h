#pragma once

// Writing a file whole or not at all. The bytes go to a temporary file beside the final target
// (symlinks followed), every write, the flush to disk and the close checked; only then does it
// replace the target, so a full disk or a broken transfer never leaves a half file that looks
// whole, and a good older file survives any failure. A target that is not a regular file (a
// FIFO, a device) is written through once the bytes are complete, never replaced.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantor::app {

// Why a file could not be written: the system's error number and its own words for it.
struct FileFailure {
    int number = 0;
    std::string reason;
};

class WholeFile {
public:
    explicit WholeFile(QString path);
    ~WholeFile();  // a file never committed is removed
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Starts an empty temporary file; one open already is emptied.
    std::optional<FileFailure> open();
    bool isOpen() const;
    std::int64_t size() const { return m_size; }

    std::optional<FileFailure> append(std::span<const char> bytes);
    // Keeps the first `size` bytes; the next append goes on from there.
    std::optional<FileFailure> truncate(std::int64_t size);
    // The bytes written from `offset` on, at most `length` of them.
    std::optional<std::string> readBack(std::int64_t offset, std::int64_t length) const;

    // Puts the bytes in place of the target; the temporary file is gone either way.
    std::optional<FileFailure> commit();
    void discard();

private:
    std::optional<FileFailure> writeThrough();

    QString m_path;
    std::string m_target;     // the final target of the path's symlinks
    std::string m_temporary;  // "" while none exists
    bool m_replace = true;    // false: the target is no regular file and is written through
    std::int64_t m_size = 0;
    int m_fd = -1;
};

// Writes `bytes` to `path` whole or not at all; the system's reason when it could not.
std::optional<std::string> saveWhole(const QString& path, std::span<const char> bytes);

}  // namespace vantor::app
