#pragma once

// The two questions the program asks the maker's database, and how their answers are read.

#include <string>
#include <string_view>

#include "core/online/QueryTable.h"

namespace vantor::online {

inline constexpr std::string_view kSoftwareUpdateStatement =
    "SELECT SoftwareUpdate From VantorPCPrograms WHERE Model ='USA'";
inline constexpr std::string_view kCurrentVersionStatement =
    "SELECT CurrentVersion From VantorPCPrograms WHERE Model ='USA'";

// What the user is told when a question got no usable answer: the menu's message boxes and the
// command line say the same.
inline constexpr const char* kUnableToCheckUpdate = "Unable to check software update.";
inline constexpr const char* kUnableToCheckVersion =
    "An error occurred while trying to check latest version of PC Program.";

// One value from the answer: the fields of the last row appended in order, without leading and
// trailing spaces. Empty when there are no rows.
std::string AnswerText(const QueryTable& rows);

enum class UpdateAnswer { Available, NotAvailable, Unknown };
// "Y"/"y" and "N"/"n" exactly; anything else (Yes, empty) is no answer.
UpdateAnswer ReadUpdateAnswer(std::string_view value);

}  // namespace vantor::online
