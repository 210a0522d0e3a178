#pragma once

// A weight-and-rate table written as CSV lines "max weight,rate", as vantor-cli reads it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/keys/WeightRateTable.h"

namespace vantor::keys {

struct TableRead {
    std::optional<WeightRateTable> table;
    std::string error;      // the refusal, naming the line
    bool declined = false;  // a question was answered No
};

// Reads the lines into the editor as Add would take them from the boxes, one line a range. The
// rate is everything after the first comma ("12,$1,234.56" is 12 and 1234.56). Blank lines and
// lines starting with '#' are skipped. `confirm` answers the editor's questions.
TableRead readKeyTable(const std::string& csv, int key, std::int16_t unit,
                       const std::function<bool(const Message&)>& confirm);

}  // namespace vantor::keys
