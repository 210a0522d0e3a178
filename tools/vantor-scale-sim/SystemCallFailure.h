#pragma once

#include <cerrno>
#include <system_error>

namespace vantor::sim {

// A system call the simulator cannot do without failed: it ends with the call's name and errno's
// words.
[[noreturn]] inline void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace vantor::sim
