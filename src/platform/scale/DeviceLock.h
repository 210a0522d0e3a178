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

// The hold one port has on its device, whatever name it was opened under: against the other ports
// of this process (claimed before opening, since closing a second descriptor of the device would
// end this process's lock on it) and against other processes (a record lock on the open port, which
// a child process started meanwhile does not share).
class DeviceLock {
public:
    DeviceLock() = default;
    ~DeviceLock() { release(); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // Before the port is opened: false when another port of this process holds the device `port`
    // leads to. A name that leads nowhere claims nothing (its opening fails).
    bool claim(const std::string& port);
    // Once the port is open: false when another process holds the device. Where the system has no
    // such lock, the port's own exclusive opening stands in for it.
    bool lockAgainstOthers(qintptr handle);
    // The port is closing (its descriptor's record lock ends with it).
    void release();

private:
    struct Identity {
        unsigned long long device = 0;
        unsigned long long node = 0;
        bool operator==(const Identity&) const = default;
    };
    static std::optional<Identity> identityOf(const std::string& port);
    // The devices claimed by the ports of this process.
    static std::vector<Identity>& held();
    friend std::optional<std::pair<std::string, std::string>> repeatedDevice(const std::vector<std::string>&);

    std::optional<Identity> m_claimed;
};

// The first pair of `ports` that lead to one device (symlinks followed): {earlier, later}; nullopt
// when every port is a device of its own. A port that cannot be looked at is taken as its own.
std::optional<std::pair<std::string, std::string>> repeatedDevice(const std::vector<std::string>& ports);

}  // namespace vantor::scale
