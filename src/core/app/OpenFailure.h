#pragma once

#include <string>

namespace vantor::app {

// Result codes of handing an address to the system's default program, in the system's
// numbering: anything above this is success.
inline constexpr int kLastOpenFailure = 32;

inline bool openSucceeded(int result) {
    return result > kLastOpenFailure;
}

// What the user is told when opening an address failed with `result` (32 or less).
std::string openFailureText(int result);

}  // namespace vantor::app
