// libFuzzer target for the update history reader: any file content gives records and damaged line
// numbers without a crash, and every record read is written again as one line that reads back
// equal (seconds kept to a tenth).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "core/firmware/UpdateHistory.h"

using namespace vantor::firmware;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const HistoryRead read = readHistory(content);
    for (std::size_t line : read.damagedLines)
        FUZZ_REQUIRE(line >= 1 && line <= size + 1);
    for (const HistoryRecord& record : read.records) {
        const std::string line = historyLine(record);
        FUZZ_REQUIRE(line.find('\n') == line.size() - 1);
        const auto again = parseHistoryLine(std::string_view(line).substr(0, line.size() - 1));
        FUZZ_REQUIRE(again.has_value());
        HistoryRecord expected = record;
        expected.seconds = again->seconds;
        FUZZ_REQUIRE(*again == expected);
        FUZZ_REQUIRE(std::abs(again->seconds - record.seconds) <= 0.05 + 1e-9 * record.seconds);
    }
    return 0;
}
