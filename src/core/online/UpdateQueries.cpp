#include "core/online/UpdateQueries.h"

#include "core/app/Trimmed.h"

namespace vantor::online {

std::string AnswerText(const QueryTable& rows) {
    if (rows.empty())
        return {};
    return std::string(trimmed(rows.joinedRow(rows.rowCount() - 1), " "));
}

UpdateAnswer ReadUpdateAnswer(std::string_view value) {
    if (value == "Y" || value == "y")
        return UpdateAnswer::Available;
    if (value == "N" || value == "n")
        return UpdateAnswer::NotAvailable;
    return UpdateAnswer::Unknown;
}

}  // namespace vantor::online
