#include "MemoryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/scale/ScaleProtocol.h"

namespace vantor::sim {

namespace {

namespace fs = std::filesystem;

std::string systemError(const std::string& path, const std::string& action) {
    return path + ": cannot " + action + ": " + std::strerror(errno);
}

fs::path folderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

bool writeAll(int fd, const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

MemoryLoad loadMemoryFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return {};
    if (status.type() != fs::file_type::regular)
        return {std::nullopt, path + ": not a regular file"};
    const auto size = fs::file_size(path, error);
    if (error)
        return {std::nullopt, path + ": cannot read: " + error.message()};
    if (size != scale::kMemorySize) {
        return {std::nullopt, path + ": a memory file must hold exactly " +
                                  std::to_string(scale::kMemorySize) + " bytes; this one holds " +
                                  std::to_string(size)};
    }
    std::ifstream in(path, std::ios::binary);
    Bytes memory(scale::kMemorySize);
    if (!in.read(reinterpret_cast<char*>(memory.data()), static_cast<std::streamsize>(memory.size())))
        return {std::nullopt, path + ": cannot read the whole file"};
    return {std::move(memory), {}};
}

std::string checkMemoryFileWritable(const std::string& path) {
    std::error_code error;
    if (fs::is_directory(path, error))
        return path + ": is a folder";
    const fs::path folder = folderOf(path);
    if (!fs::is_directory(folder, error))
        return path + ": the folder " + folder.string() + " does not exist";
    if (::access(folder.c_str(), W_OK) != 0)
        return systemError(folder.string(), "write in the folder");
    return {};
}

std::string saveMemoryFile(const std::string& path, const Bytes& memory) {
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return systemError(path, "create a temporary file");
    temporary = name.data();

    const bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, memory) && ::fsync(fd) == 0;
    std::string failure = written ? std::string() : systemError(temporary, "write");
    if (::close(fd) != 0 && failure.empty())
        failure = systemError(temporary, "write");
    if (failure.empty() && ::rename(temporary.c_str(), path.c_str()) != 0)
        failure = systemError(path, "replace");
    if (!failure.empty())
        ::unlink(temporary.c_str());
    return failure;
}

}  // namespace vantor::sim
