#pragma once

// Changing the case of ASCII letters only, whatever the locale: header names, schemes, host names,
// environment variable names and chart markers compare this way, and a byte of UTF-8 text is never
// taken for a letter.

#include <string>
#include <string_view>

namespace vantor {

char asciiLower(char c);
// The text with its ASCII letters in lower case.
std::string asciiLower(std::string_view text);
// The text with its ASCII letters in upper case.
std::string asciiUpper(std::string_view text);

}  // namespace vantor
