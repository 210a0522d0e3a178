#include "keys/KeyProgramming.h"

#include <array>

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
    std::array<scale::PageToWrite, kKeyPages> pages;
    for (std::size_t page = 0; page < kKeyPages; ++page)
        pages[page] = {static_cast<std::uint16_t>(keyBlockStart(key) + page * kPageSize),
                       std::span(block).subspan(page * kPageSize, kPageSize)};
    const scale::PagesWrite written = scale::WritePages(
        transport, pages, scale::packSerial(result.serial.serial),
        [&](std::size_t count) {
            if (progress)
                progress(kKeyProgressStep * static_cast<int>(count));
        },
        cancel);
    result.ok = written.ok;
    result.cancelled = written.cancelled;
    result.pagesWritten = static_cast<int>(written.pagesWritten);
    result.page = written.page;
    if (written.failedPage)
        result.failedPage = *written.failedPage;
    return result;
}

}  // namespace vantor::keys
