#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantor::online {

// Free bytes on the disk that holds `path` (or would hold it: a folder not made yet is looked up
// through its nearest existing parent); nothing when the system cannot tell.
std::optional<std::int64_t> freeBytesAt(const std::string& path);

}  // namespace vantor::online
