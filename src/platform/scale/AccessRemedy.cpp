#include "platform/scale/AccessRemedy.h"

namespace vantor::scale {

std::string accessDeniedRemedy() {
#ifdef _WIN32
    // Windows denies a COM port that another program has open; there is no group to join.
    return "close the program that is using it.";
#else
    return "add your user to the dialout group (sudo usermod -aG dialout $USER), then log out and log in "
           "again.";
#endif
}

}  // namespace vantor::scale
