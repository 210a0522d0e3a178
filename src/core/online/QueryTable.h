#pragma once

#include <string>
#include <vector>

namespace vantor::online {

// The rows a query returned: R rows of F fields of text, indexed from 0, as the reply announced
// them. Cells for which the reply carried no value read as empty text; only the values that
// arrived are stored, so a reply that announces a large table costs no more than its own size.
// A default table is the empty result: no answer.
class QueryTable {
public:
    QueryTable() = default;
    QueryTable(int rows, int fields, std::vector<std::string> values);

    bool empty() const { return m_rows == 0; }
    int rowCount() const { return m_rows; }
    int fieldCount() const { return m_fields; }
    const std::string& value(int row, int field) const;

    // The row's fields appended in field order: how the checks read a one-value answer.
    std::string joinedRow(int row) const;

private:
    int m_rows = 0;
    int m_fields = 0;
    std::vector<std::string> m_values;  // row by row, at most rows x fields
};

}  // namespace vantor::online
