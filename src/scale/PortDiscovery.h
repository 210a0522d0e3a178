#pragma once

#include <string>
#include <vector>

namespace vantor::scale {

// The serial ports in detection order: the ports the system lists plus the device paths in
// VANTOR_SERIAL_PORTS (colon-separated; pseudo-terminals are never listed by the system), at
// most 32, sorted by port number.
std::vector<std::string> EnumPorts();

}  // namespace vantor::scale
