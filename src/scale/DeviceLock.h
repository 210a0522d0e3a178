#pragma once

// One run per scale: a device reached under two names (a symlink and its target) is still one
// scale, and two runs writing it at once would each leave it half written.

#include <QtGlobal>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantor::scale {

// What a port says when another run holds its device.
inline constexpr const char* kDeviceHeld = "the device is in use by another run (under this or another name)";

// Holds the device behind the open port `handle` for as long as the port stays open, against
// every other opening of it by any name, in this process or another. False when another holds it.
// Where the system has no such lock, the port's own exclusive opening stands in for it.
bool lockDevice(qintptr handle);

// The first pair of `ports` that lead to one device (symlinks followed): {earlier, later}; nullopt
// when every port is a device of its own. A port that cannot be looked at is taken as its own.
std::optional<std::pair<std::string, std::string>> repeatedDevice(const std::vector<std::string>& ports);

}  // namespace vantor::scale
