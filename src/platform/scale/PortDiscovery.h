#pragma once

#include <string>
#include <vector>

namespace vantor::scale {

// Names the only ports detection may try, when it is set (separated like VANTOR_SERIAL_PORTS).
inline constexpr const char* kOnlyPortsVariable = "VANTOR_ONLY_PORTS";

// The serial ports in detection order: the ports the system lists plus the device paths in
// VANTOR_SERIAL_PORTS (colon-separated; pseudo-terminals are never listed by the system), at
// most 32, sorted by port number. When VANTOR_ONLY_PORTS is set, its ports and no others.
std::vector<std::string> EnumPorts();

// The ports without those that lead to a device named before them (a symlink and its target, two
// links to one adapter): one scale reached through two names would get two runs at once, whose
// commands and replies would mix on its one line. Names that lead nowhere are kept as they are.
std::vector<std::string> distinctDevices(const std::vector<std::string>& ports);

}  // namespace vantor::scale
