#include "platform/firmware/SleepInhibitor.h"

#include <QString>

#include "platform/firmware/FirmwareLog.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(VANTOR_SLEEP_MODULE)
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#endif

namespace vantor::firmware {

namespace {

[[maybe_unused]] QString reason(SleepInhibitor::Work work) {
    switch (work) {
        case SleepInhibitor::Work::UpdatingSoftware:
            return QStringLiteral("Updating the scale's software");
        case SleepInhibitor::Work::WritingTablesBack:
            return QStringLiteral("Writing the zone table and keys back into the scale");
    }
    return {};
}

}  // namespace

#if defined(_WIN32)

struct SleepInhibitor::Lock {};

SleepInhibitor::SleepInhibitor(Work) {
    m_held = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
    if (!m_held)
        qCWarning(lcFirmware) << "the computer may sleep during the update: no sleep inhibitor";
}

SleepInhibitor::~SleepInhibitor() {
    if (m_held)
        SetThreadExecutionState(ES_CONTINUOUS);
}

#elif defined(VANTOR_SLEEP_MODULE)

// The login manager holds off sleep while the descriptor it hands out stays open.
struct SleepInhibitor::Lock {
    int descriptor = -1;
};

namespace {

using InhibitSleep = int (*)(const QString& why, QString& error);

// The D-Bus module, loaded on the first update (and kept, as QLibrary keeps it): installed in the
// program's own library folder beside its bin folder, or in the build folder it was built in.
InhibitSleep inhibitSleepFunction(QString& error) {
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral("../" VANTOR_SLEEP_MODULE_LIBDIR));
    for (const QString& folder : {installed, QStringLiteral(VANTOR_SLEEP_MODULE_BUILT)}) {
        QLibrary module(QDir(folder).filePath(QStringLiteral(VANTOR_SLEEP_MODULE)));
        if (auto inhibit = reinterpret_cast<InhibitSleep>(module.resolve("vantorInhibitSleep")))
            return inhibit;
        error = module.errorString();
    }
    return nullptr;
}

}  // namespace

SleepInhibitor::SleepInhibitor(Work work) {
    QString error;
    const InhibitSleep inhibit = inhibitSleepFunction(error);
    const int descriptor = inhibit ? inhibit(reason(work), error) : -1;
    if (descriptor < 0) {
        qCInfo(lcFirmware).noquote() << "no sleep inhibitor:" << error;
        return;
    }
    m_lock = std::make_unique<Lock>(Lock{descriptor});
    m_held = true;
}

SleepInhibitor::~SleepInhibitor() {
    if (m_lock)
        ::close(m_lock->descriptor);
}

#else

struct SleepInhibitor::Lock {};

SleepInhibitor::SleepInhibitor(Work) {
    qCInfo(lcFirmware) << "no sleep inhibitor on this system";
}

SleepInhibitor::~SleepInhibitor() = default;

#endif

}  // namespace vantor::firmware
