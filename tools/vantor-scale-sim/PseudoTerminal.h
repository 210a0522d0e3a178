#pragma once

// A pseudo-terminal pair standing in for a serial cable: the client opens the slave device path
// as it would open /dev/ttyUSB0, the simulator talks through the master.

#include <string>

namespace vantor::sim {

class PseudoTerminal {
public:
    // Opens the pair in raw mode. Throws std::system_error when the system has no pty to give.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The device a client opens, such as /dev/pts/4.
    const std::string& devicePath() const { return m_devicePath; }
    // Non-blocking; -1 once hung up.
    int masterFd() const { return m_master; }
    bool isOpen() const { return m_master >= 0; }

    // Closes the master: a client that has the device open sees the line go dead (reads end,
    // writes fail), as when a USB adapter is pulled. The slave stays open until the simulator
    // ends, so that the device's number is not given to a new pseudo-terminal while the client is
    // still closing it: Qt's lock file for the name outlives the client's descriptor by a moment,
    // and would make the new device look held.
    void hangUp();

private:
    int m_master = -1;
    // Held open so that a client closing the device (detection closes every port it probed)
    // never leaves the master without a slave, which would make it report hang-up for good.
    int m_slave = -1;

    void closeBoth();
    std::string m_devicePath;
};

}  // namespace vantor::sim
