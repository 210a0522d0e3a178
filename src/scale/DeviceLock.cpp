#include "scale/DeviceLock.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#endif

namespace vantor::scale {

namespace {

struct DeviceIdentity {
    unsigned long long device = 0;
    unsigned long long node = 0;
    bool operator==(const DeviceIdentity&) const = default;
};

std::optional<DeviceIdentity> identityOf([[maybe_unused]] const std::string& port) {
#ifdef Q_OS_UNIX
    const QString path = port.starts_with('/') ? QString::fromStdString(port)
                                               : QStringLiteral("/dev/") + QString::fromStdString(port);
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    // Two device nodes of one device share its number; anything else is told by its inode.
    if (S_ISCHR(info.st_mode))
        return DeviceIdentity{static_cast<unsigned long long>(info.st_rdev), 0};
    return DeviceIdentity{static_cast<unsigned long long>(info.st_dev),
                          static_cast<unsigned long long>(info.st_ino)};
#else
    return std::nullopt;
#endif
}

}  // namespace

bool lockDevice([[maybe_unused]] qintptr handle) {
#ifdef Q_OS_UNIX
    // The lock belongs to the device's inode, not to the name it was opened by, and ends with the
    // last descriptor of this opening.
    int result = 0;
    do {
        result = ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0 || errno != EWOULDBLOCK;
#else
    return true;
#endif
}

std::optional<std::pair<std::string, std::string>> repeatedDevice(const std::vector<std::string>& ports) {
    std::vector<std::optional<DeviceIdentity>> seen;
    for (const std::string& port : ports) {
        const std::optional<DeviceIdentity> identity = identityOf(port);
        for (std::size_t i = 0; identity && i < seen.size(); ++i) {
            if (seen[i] == identity)
                return std::pair{ports[i], port};
        }
        seen.push_back(identity);
    }
    return std::nullopt;
}

}  // namespace vantor::scale
