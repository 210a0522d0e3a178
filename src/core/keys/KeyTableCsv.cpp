#include "core/keys/KeyTableCsv.h"

#include "core/app/OneLine.h"
#include "core/app/Trimmed.h"

#include <sstream>

namespace vantor::keys {

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
        line = std::string(trimmed(line, kLineBlanks));
        if (line.empty() || line.starts_with('#'))
            continue;
        const std::size_t comma = line.find(',');
        if (comma == std::string::npos) {
            read.error = "line " + std::to_string(number) + ": expected \"max weight,rate\".";
            return read;
        }
        table.txtMaxWt = trimmed(std::string_view(line).substr(0, comma), kLineBlanks);
        table.txtRate = trimmed(std::string_view(line).substr(comma + 1), kLineBlanks);
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
