// libFuzzer target for the CLI's key table reader: any text given as a CSV file either gives a
// table the scale can take (at most 128 rising ranges within the unit's limit, positive rates) or
// a refusal that names why, never both and never neither.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "core/keys/KeyTableCsv.h"

using namespace vantor::keys;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::int16_t units[] = {kOunces, kPounds, kGrams};
    const std::int16_t unit = units[data[0] % 3];
    const bool answerYes = (data[1] & 1) != 0;
    const std::string csv(reinterpret_cast<const char*>(data + 2), size - 2);

    const TableRead read = readKeyTable(csv, 1, unit, [&](const vantor::Message&) { return answerYes; });
    FUZZ_REQUIRE(read.table.has_value() == read.error.empty());
    if (!read.table)
        return 0;

    const WeightRateTable& table = *read.table;
    const int rows = table.rowCount();
    FUZZ_REQUIRE(rows >= 1 && rows <= WeightRateTable::kRows);
    for (int i = 0; i < rows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        FUZZ_REQUIRE(table.MaxWts[at] > (i == 0 ? 0 : table.MaxWts[at - 1]));
        FUZZ_REQUIRE(table.MaxWts[at] <= table.MaxAllowedWt);
        FUZZ_REQUIRE(table.Rates[at] > 0 && table.Rates[at] <= kMaxRate);
    }
    return 0;
}
