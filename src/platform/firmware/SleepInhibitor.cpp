#include "platform/firmware/SleepInhibitor.h"

#include "platform/firmware/FirmwareLog.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(VANTOR_HAVE_DBUS)
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#endif

namespace vantor::firmware {

#if defined(_WIN32)

struct SleepInhibitor::Lock {};

SleepInhibitor::SleepInhibitor(const QString&) {
    m_held = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
    if (!m_held)
        qCWarning(lcFirmware) << "the computer may sleep during the update: no sleep inhibitor";
}

SleepInhibitor::~SleepInhibitor() {
    if (m_held)
        SetThreadExecutionState(ES_CONTINUOUS);
}

#elif defined(VANTOR_HAVE_DBUS)

// The login manager holds off sleep while the descriptor it hands out stays open.
struct SleepInhibitor::Lock {
    QDBusUnixFileDescriptor descriptor;
};

SleepInhibitor::SleepInhibitor(const QString& why) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCInfo(lcFirmware) << "no sleep inhibitor: no system bus";
        return;
    }
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call(QStringLiteral("Inhibit"), QStringLiteral("sleep:idle"),
                     QStringLiteral("Vantor PC Program"), why, QStringLiteral("block"));
    if (!reply.isValid() || !reply.value().isValid()) {
        qCInfo(lcFirmware).noquote() << "no sleep inhibitor:" << reply.error().message();
        return;
    }
    m_lock = std::make_unique<Lock>(Lock{reply.value()});
    m_held = true;
}

SleepInhibitor::~SleepInhibitor() = default;

#else

struct SleepInhibitor::Lock {};

SleepInhibitor::SleepInhibitor(const QString&) {
    qCInfo(lcFirmware) << "no sleep inhibitor on this system";
}

SleepInhibitor::~SleepInhibitor() = default;

#endif

}  // namespace vantor::firmware
