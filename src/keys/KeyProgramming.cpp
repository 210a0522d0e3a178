#include "keys/KeyProgramming.h"

#include "scale/SerialNumber.h"

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

KeyProgramResult ProgramData(scale::ScaleTransport& transport, int key, const Bytes& block,
                             const KeyProgress& progress, const std::atomic<bool>& cancel) {
    KeyProgramResult result;
    if (block.size() != kKeyBlockSize)
        return result;
    result.serial = scale::RdSN(transport);
    const scale::SerialBytes serial = scale::packSerial(result.serial.serial);
    std::uint32_t address = keyBlockStart(key);
    for (std::size_t page = 0; page < kKeyPages; ++page, address += kPageSize) {
        if (cancel.load()) {
            result.cancelled = true;
            return result;
        }
        const auto bytes = std::span(block).subspan(page * kPageSize, kPageSize);
        result.page =
            scale::ProgrammingOnePage(transport, static_cast<std::uint16_t>(address), bytes, serial);
        if (!result.page.ok) {
            result.failedPage = address;
            result.cancelled = cancel.load();
            return result;
        }
        ++result.pagesWritten;
        if (progress)
            progress(kKeyProgressStep * result.pagesWritten);
    }
    result.ok = true;
    return result;
}

}  // namespace vantor::keys
