#include "core/online/QueryTable.h"

#include <cstddef>

namespace vantor::online {

namespace {
const std::string kNoValue;
}

QueryTable::QueryTable(int rows, int fields, std::vector<std::string> values)
    : m_rows(rows > 0 && fields > 0 ? rows : 0),
      m_fields(m_rows > 0 ? fields : 0),
      m_values(std::move(values)) {
    const std::size_t cells = static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_fields);
    if (m_values.size() > cells)
        m_values.resize(cells);
}

const std::string& QueryTable::value(int row, int field) const {
    if (row < 0 || row >= m_rows || field < 0 || field >= m_fields)
        return kNoValue;
    const std::size_t index =
        static_cast<std::size_t>(row) * static_cast<std::size_t>(m_fields) + static_cast<std::size_t>(field);
    return index < m_values.size() ? m_values[index] : kNoValue;
}

std::string QueryTable::joinedRow(int row) const {
    std::string joined;
    for (int field = 0; field < m_fields; ++field)
        joined += value(row, field);
    return joined;
}

}  // namespace vantor::online
