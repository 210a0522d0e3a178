#include "core/keys/KeyProgramming.h"

#include <array>

#include "core/scale/SerialNumber.h"

namespace vantor::keys {

using scale::kPageSize;

KeyCheck checkKey(scale::ScaleTransport& transport, int key) {
    KeyCheck result;
    result.serial = scale::RdSN(transport);
    if (result.serial.serial.empty())
        return result;
    result.check = scale::CheckKeyProgrammed(transport, static_cast<std::uint16_t>(keyBlockStart(key)),
                                             scale::packSerial(result.serial.serial));
    return result;
}

scale::OperationResult ProgramData(scale::ScaleTransport& transport, int key, const Bytes& block,
                                   const scale::ProgressSink& progress, const std::atomic<bool>& cancel) {
    if (block.size() != kKeyBlockSize)
        return scale::failedAt(scale::Stage::Write, scale::Outcome::Refused);
    std::array<scale::PageToWrite, kKeyPages> pages;
    for (std::size_t page = 0; page < kKeyPages; ++page) {
        const auto bytes = std::span(block).subspan(page * kPageSize, kPageSize);
        pages[page] = {static_cast<std::uint16_t>(keyBlockStart(key) + page * kPageSize),
                       Bytes(bytes.begin(), bytes.end())};
    }
    return scale::WritePagesUnlockedAsRead(transport, pages, progress, cancel);
}

}  // namespace vantor::keys
