#include "ScaleMemory.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/scale/SerialNumber.h"

namespace vantor::test {

namespace {
// Where a scale keeps its serial number.
constexpr std::size_t kSerialAddress = 0x0700;
constexpr std::size_t kMemorySize = 0x10000;
}  // namespace

Bytes readScaleMemory(const std::string& file, std::size_t from, std::size_t size) {
    std::ifstream in(file, std::ios::binary);
    const Bytes all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (from >= all.size())
        return {};
    const std::size_t count = size ? std::min(size, all.size() - from) : all.size() - from;
    return Bytes(all.begin() + static_cast<std::ptrdiff_t>(from),
                 all.begin() + static_cast<std::ptrdiff_t>(from + count));
}

void writeFreshScaleMemory(const std::string& file, const std::string& serial, std::size_t at,
                           const Bytes& bytes) {
    Bytes memory(kMemorySize, 0xFF);
    const scale::SerialBytes packed = scale::packSerial(serial);
    std::copy(packed.begin(), packed.end(), memory.begin() + kSerialAddress);
    std::copy(bytes.begin(), bytes.end(), memory.begin() + static_cast<std::ptrdiff_t>(at));
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(memory.data()), static_cast<std::streamsize>(memory.size()));
}

}  // namespace vantor::test
