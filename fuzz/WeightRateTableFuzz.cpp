// libFuzzer target for the weight-and-rate table editor driven as the key form and the CLI's CSV
// reader drive it: texts in the boxes, Add, Edit Last, Clear All, the unit options and the arrows,
// with the questions answered from the input. Whatever is typed, the table stays one the scale
// can take: at most 128 ranges, weights rising within the unit's limit, rates above zero and no
// higher than the largest rate, nothing left past the last range.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "core/keys/WeightRateTable.h"

namespace {

using namespace vantor::keys;

constexpr std::size_t kLongestBox = 24;
constexpr std::size_t kMostOperations = 400;

enum class Operation {
    Add,
    EditLast,
    ClearAll,
    ChangeUnit,
    MaxUp,
    MaxDown,
    RateUp,
    RateDown,
    NextKey,
    kMaxValue = NextKey
};

void checkTable(const WeightRateTable& table) {
    const int rows = table.rowCount();
    FUZZ_REQUIRE(rows >= 0 && rows <= WeightRateTable::kRows);
    FUZZ_REQUIRE(table.rows().size() == static_cast<std::size_t>(rows));
    FUZZ_REQUIRE(table.MaxAllowedWt == maxAllowedWeight(table.WtUnit));
    for (int i = 0; i < rows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        FUZZ_REQUIRE(table.MaxWts[at] > (i == 0 ? 0 : table.MaxWts[at - 1]));
        FUZZ_REQUIRE(table.MaxWts[at] <= table.MaxAllowedWt);
        FUZZ_REQUIRE(table.Rates[at] > 0 && table.Rates[at] <= kMaxRate);
        FUZZ_REQUIRE(table.rows()[at].rate == table.money(table.Rates[at]));
        // Kept as the whole cents it is written as: shown, compared and written alike.
        FUZZ_REQUIRE(static_cast<float>(toCents(table.Rates[at])) / 100.0F == table.Rates[at]);
    }
    for (std::size_t at = static_cast<std::size_t>(rows); at < WeightRateTable::kRows; ++at)
        FUZZ_REQUIRE(table.MaxWts[at] == 0 && table.Rates[at] == 0);
    FUZZ_REQUIRE(table.LastMaxWt == (rows == 0 ? 0 : table.MaxWts[static_cast<std::size_t>(rows - 1)]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    WeightRateTable table(input.ConsumeBool() ? NumberFormat{} : NumberFormat{",", "."});
    table.keyNumber = input.ConsumeIntegralInRange(0, 6);
    const vantor::Prompts prompts{[](const vantor::Message& message) { FUZZ_REQUIRE(!message.text.empty()); },
                                  [&](const vantor::Message&) { return input.ConsumeBool(); }};
    Focus focus = Focus::None;

    for (std::size_t step = 0; step < kMostOperations && input.remaining_bytes() > 0; ++step) {
        switch (input.ConsumeEnum<Operation>()) {
            case Operation::Add: {
                table.txtMaxWt = input.ConsumeRandomLengthString(kLongestBox);
                table.txtRate = input.ConsumeRandomLengthString(kLongestBox);
                const int before = table.rowCount();
                const bool added = table.add(prompts, focus);
                FUZZ_REQUIRE(table.rowCount() == before + (added ? 1 : 0));
                break;
            }
            case Operation::EditLast:
                table.editLast();
                break;
            case Operation::ClearAll:
                table.clearAll(prompts);
                break;
            case Operation::ChangeUnit:
                table.changeUnit(static_cast<std::int16_t>(input.ConsumeIntegralInRange(1, 3)), prompts,
                                 focus);
                break;
            case Operation::MaxUp:
                table.UDMax_UpClick(prompts, focus);
                break;
            case Operation::MaxDown:
                table.UDMax_DownClick(prompts, focus);
                break;
            case Operation::RateUp:
                table.UDRate_UpClick(prompts, focus);
                break;
            case Operation::RateDown:
                table.UDRate_DownClick(prompts, focus);
                break;
            case Operation::NextKey:
                table.resetForNextKey();
                break;
        }
        checkTable(table);
    }
    return 0;
}
