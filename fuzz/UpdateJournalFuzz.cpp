// libFuzzer target for the run journal reader: any file content is a journal or a reason why not,
// without a crash, and a journal read is written again as text that reads back equal.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/firmware/UpdateJournal.h"

using namespace vantor::firmware;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto journal = parseJournal(content, error);
    if (journal) {
        std::string again;
        const auto reread = parseJournal(formatJournal(*journal), again);
        FUZZ_REQUIRE(reread.has_value());
        FUZZ_REQUIRE(*reread == *journal);
    } else {
        FUZZ_REQUIRE(!error.empty());
    }
    return 0;
}
