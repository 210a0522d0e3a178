#include "PseudoTerminal.h"

#include "SystemCallFailure.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace vantor::sim {

namespace {

void setFlag(int fd, int getCommand, int setCommand, int flag) {
    const int flags = ::fcntl(fd, getCommand);
    if (flags < 0 || ::fcntl(fd, setCommand, flags | flag) < 0)
        fail("fcntl");
}

std::string slaveName(int master) {
#ifdef __linux__
    std::array<char, 128> name{};
    if (::ptsname_r(master, name.data(), name.size()) != 0)
        fail("ptsname");
    return name.data();
#else
    const char* name = ::ptsname(master);
    if (!name)
        fail("ptsname");
    return name;
#endif
}

// Raw bytes both ways: no echo, no line editing, no character translation.
void makeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        fail("tcgetattr");
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B19200);
    ::cfsetospeed(&settings, B19200);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        fail("tcsetattr");
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        fail("posix_openpt");
    try {
        setFlag(m_master, F_GETFD, F_SETFD, FD_CLOEXEC);
        setFlag(m_master, F_GETFL, F_SETFL, O_NONBLOCK);
        if (::grantpt(m_master) != 0)
            fail("grantpt");
        if (::unlockpt(m_master) != 0)
            fail("unlockpt");
        m_devicePath = slaveName(m_master);
        m_slave = ::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave < 0)
            fail("open pty slave");
        makeRaw(m_slave);
    } catch (...) {
        closeBoth();
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() {
    closeBoth();
}

void PseudoTerminal::hangUp() {
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void PseudoTerminal::closeBoth() {
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

}  // namespace vantor::sim
