#pragma once

#include <string>
#include <string_view>

namespace vantor {

// The text with its ASCII letters in lower case, as header names, schemes and host names compare.
std::string asciiLower(std::string_view text);

}  // namespace vantor
