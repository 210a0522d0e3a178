// The login manager's sleep inhibitor over D-Bus, as a module of its own: only an update loads it
// (and with it Qt's D-Bus library and the system's), so that the commands that never write a scale
// start without them.

#include <unistd.h>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QString>

// Asks the login manager to hold off sleep for `why`. Returns a descriptor that holds it off until
// it is closed, or -1 with the reason in `error`.
extern "C" Q_DECL_EXPORT int vantorInhibitSleep(const QString& why, QString& error) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        error = QStringLiteral("no system bus");
        return -1;
    }
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call(QStringLiteral("Inhibit"), QStringLiteral("sleep:idle"),
                     QStringLiteral("Vantor PC Program"), why, QStringLiteral("block"));
    if (!reply.isValid() || !reply.value().isValid()) {
        error = reply.error().message();
        return -1;
    }
    // The reply's own copy closes with it; the caller keeps this one.
    return ::dup(reply.value().fileDescriptor());
}
