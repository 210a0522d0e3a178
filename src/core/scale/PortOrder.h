#pragma once

// The order in which serial ports are listed and tried.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::scale {

inline constexpr std::size_t kMaxPorts = 32;

// The whole number at the end of a port name: COM12 gives 12, /dev/ttyUSB0 gives 0; -1 when the
// name does not end in a digit.
long portNumber(std::string_view name);

// Natural order: runs of digits compare as numbers, so COM9 < COM10 and ttyUSB2 < ttyUSB10.
bool naturalLess(std::string_view a, std::string_view b);

// Drops repeats, keeps the first `limit` names as listed, and sorts them in natural order.
std::vector<std::string> orderPorts(const std::vector<std::string>& listed, std::size_t limit = kMaxPorts);

}  // namespace vantor::scale
