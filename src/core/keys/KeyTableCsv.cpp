#include "core/keys/KeyTableCsv.h"

#include "core/app/OneLine.h"

#include <sstream>

namespace vantor::keys {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

TableRead readKeyTable(const std::string& csv, int key, std::int16_t unit,
                       const std::function<bool(const Message&)>& confirm) {
    TableRead read;
    WeightRateTable table;
    table.keyNumber = key;
    Focus focus = Focus::None;
    std::string refusal;
    bool declined = false;
    const Prompts prompts{[&](const Message& m) {
                              if (refusal.empty())
                                  refusal = app::oneLine(m.text);
                          },
                          [&](const Message& m) {
                              const bool yes = confirm(m);
                              declined = declined || !yes;
                              return yes;
                          }};
    table.changeUnit(unit, prompts, focus);

    std::istringstream lines(csv);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = trimmed(line);
        if (line.empty() || line.starts_with('#'))
            continue;
        const std::size_t comma = line.find(',');
        if (comma == std::string::npos) {
            read.error = "line " + std::to_string(number) + ": expected \"max weight,rate\".";
            return read;
        }
        table.txtMaxWt = trimmed(line.substr(0, comma));
        table.txtRate = trimmed(line.substr(comma + 1));
        if (!table.add(prompts, focus)) {
            read.declined = declined;
            read.error = "line " + std::to_string(number) + ": " +
                         (declined ? std::string("answered No; nothing was written.") : refusal);
            return read;
        }
    }
    if (table.rowCount() == 0) {
        read.error = "The table has no ranges.";
        return read;
    }
    read.table = std::move(table);
    return read;
}

}  // namespace vantor::keys
