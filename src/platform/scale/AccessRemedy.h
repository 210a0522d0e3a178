#pragma once

// What the user does about a serial port the system denied for lack of permission, in this
// system's words, for scale::accessHint.

#include <string>

namespace vantor::scale {

std::string accessDeniedRemedy();

}  // namespace vantor::scale
