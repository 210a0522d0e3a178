#pragma once

// The memory of a scale with serial number 24681357 whose zone table and keys are programmed with
// a pattern, everything else erased: the starting point of the update road's core tests.

#include <cstddef>

#include "core/scale/Bytes.h"

namespace vantor::test {

inline Bytes memoryWithTables() {
    Bytes memory(0x10000, 0xFF);
    for (std::size_t a = 0x8000; a < 0x9200; ++a)
        memory[a] = static_cast<Byte>(a * 7 + 1);
    memory[0x0700] = 0x24, memory[0x0701] = 0x68, memory[0x0702] = 0x13, memory[0x0703] = 0x57;
    return memory;
}

}  // namespace vantor::test
