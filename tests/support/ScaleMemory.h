#pragma once

// The file in which vantor-scale-sim keeps the scale's memory (--memory), as the tests read it
// after a run and prepare it before one.

#include <cstddef>
#include <string>

#include "core/scale/Bytes.h"

namespace vantor::test {

// `size` bytes of the memory in `file` from `from` (all of it from there when size is 0); none
// when the file cannot be read.
Bytes readScaleMemory(const std::string& file, std::size_t from = 0, std::size_t size = 0);

// Writes a fresh scale's 64 KiB into `file`: blank but for its serial number, and `bytes` at `at`.
void writeFreshScaleMemory(const std::string& file, const std::string& serial, std::size_t at = 0,
                           const Bytes& bytes = {});

}  // namespace vantor::test
