#pragma once

// A text without the blanks at either end. What counts as a blank is the reader's to say: HTTP
// allows only spaces and tabs around a value, a line of a file read on Windows keeps its CR.

#include <string_view>

namespace vantor {

// Around HTTP header values, list elements and field values.
inline constexpr std::string_view kSpacesAndTabs = " \t";
// Around a line split at its LF, whose CR may still be on it.
inline constexpr std::string_view kLineBlanks = " \t\r";
// Around text typed or pasted into a box, whole lines included.
inline constexpr std::string_view kTypedBlanks = " \t\r\n";
// Every C white-space character, as environment variables are read.
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

// `text` without the leading and trailing characters found in `blanks`; a view into `text`.
std::string_view trimmed(std::string_view text, std::string_view blanks);

}  // namespace vantor
