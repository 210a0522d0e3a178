#include "core/online/UpdateQueries.h"

namespace vantor::online {

std::string AnswerText(const QueryTable& rows) {
    if (rows.empty())
        return {};
    const std::string joined = rows.joinedRow(rows.rowCount() - 1);
    const std::size_t first = joined.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return joined.substr(first, joined.find_last_not_of(' ') - first + 1);
}

UpdateAnswer ReadUpdateAnswer(std::string_view value) {
    if (value == "Y" || value == "y")
        return UpdateAnswer::Available;
    if (value == "N" || value == "n")
        return UpdateAnswer::NotAvailable;
    return UpdateAnswer::Unknown;
}

}  // namespace vantor::online
