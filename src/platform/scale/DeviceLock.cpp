#include "platform/scale/DeviceLock.h"

#include <QFile>
#include <algorithm>
#include <mutex>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#endif

namespace vantor::scale {

namespace {
std::mutex heldMutex;  // guards DeviceLock::held()
}  // namespace

std::vector<DeviceLock::Identity>& DeviceLock::held() {
    static std::vector<Identity> devices;
    return devices;
}

std::optional<DeviceLock::Identity> DeviceLock::identityOf([[maybe_unused]] const std::string& port) {
#ifdef Q_OS_UNIX
    const QString path = port.starts_with('/') ? QString::fromStdString(port)
                                               : QStringLiteral("/dev/") + QString::fromStdString(port);
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    // Two device nodes of one device share its number; anything else is told by its inode.
    if (S_ISCHR(info.st_mode))
        return Identity{static_cast<unsigned long long>(info.st_rdev), 0};
    return Identity{static_cast<unsigned long long>(info.st_dev),
                    static_cast<unsigned long long>(info.st_ino)};
#else
    return std::nullopt;
#endif
}

bool DeviceLock::claim(const std::string& port) {
    release();
    const std::optional<Identity> identity = identityOf(port);
    if (!identity)
        return true;
    const std::lock_guard lock(heldMutex);
    auto& devices = held();
    if (std::find(devices.begin(), devices.end(), *identity) != devices.end())
        return false;
    devices.push_back(*identity);
    m_claimed = identity;
    return true;
}

bool DeviceLock::lockAgainstOthers([[maybe_unused]] qintptr handle) {
#ifdef Q_OS_UNIX
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    int result = 0;
    do {
        result = ::fcntl(static_cast<int>(handle), F_SETLK, &whole);
    } while (result != 0 && errno == EINTR);
    return result == 0 || (errno != EACCES && errno != EAGAIN);
#else
    return true;
#endif
}

void DeviceLock::release() {
    if (!m_claimed)
        return;
    const std::lock_guard lock(heldMutex);
    auto& devices = held();
    std::erase(devices, *m_claimed);
    m_claimed.reset();
}

std::optional<std::pair<std::string, std::string>> repeatedDevice(const std::vector<std::string>& ports) {
    std::vector<std::optional<DeviceLock::Identity>> seen;
    for (const std::string& port : ports) {
        const auto identity = DeviceLock::identityOf(port);
        for (std::size_t i = 0; identity && i < seen.size(); ++i) {
            if (seen[i] == identity)
                return std::pair{ports[i], port};
        }
        seen.push_back(identity);
    }
    return std::nullopt;
}

}  // namespace vantor::scale
