#include "platform/app/LogFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QSysInfo>
#include <memory>
#include <mutex>

namespace vantor::app {

namespace {

// Rules given with setFilterRules come before QT_LOGGING_RULES, so a support engineer's own rules
// in the environment still win.
const char* const kLogAllRules = "vantor.*=true";

struct LogState {
    std::mutex mutex;  // messages come from the UI thread, the scale worker and Qt's own threads
    std::unique_ptr<QFile> file;
    QtMessageHandler previous = nullptr;
    bool installed = false;
    qint64 limit = 0;  // bytes a kept log may reach before it is set aside; 0: no limit
};

LogState& state() {
    static LogState s;
    return s;
}

const char* levelName(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return "debug";
        case QtInfoMsg:
            return "info";
        case QtWarningMsg:
            return "warning";
        case QtCriticalMsg:
            return "critical";
        case QtFatalMsg:
            return "fatal";
    }
    return "?";
}

QByteArray lineFor(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    const char* category = context.category ? context.category : "default";
    return time.toUtf8() + ' ' + category + ' ' + levelName(type) + ": " + message.toUtf8() + '\n';
}

QString olderName(const QString& path) {
    return path + QStringLiteral(".old");
}

// The log so far becomes the older one (the one before it goes) and the file starts afresh: the
// two together stay within twice the limit, and the newest lines are always kept. Where the older
// one cannot be replaced (a folder of that name, say) the log so far is dropped instead: the limit
// holds whatever stands beside the log.
void setAside(QFile& file) {
    const bool wasOpen = file.isOpen();
    file.close();
    QFile::remove(olderName(file.fileName()));
    if (!QFile::rename(file.fileName(), olderName(file.fileName())) && file.open(QIODevice::WriteOnly))
        file.close();  // emptied
    if (wasOpen)
        file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void writeToLog(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    LogState& s = state();
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard lock(s.mutex);
        if (s.file) {
            s.file->write(lineFor(type, context, message));
            s.file->flush();
            if (s.limit > 0 && s.file->size() > s.limit)
                setAside(*s.file);
        }
        previous = s.previous;
    }
    // Warnings still reach the terminal as before; the debug trace goes to the file only.
    if (type != QtDebugMsg && type != QtInfoMsg && previous)
        previous(type, context, message);
}

QByteArray headerLine() {
    return QStringLiteral("==== %1 %2 started %3 (Qt %4, %5)\n")
        .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion(),
             QDateTime::currentDateTime().toString(Qt::ISODateWithMs), QString::fromLatin1(qVersion()),
             QSysInfo::prettyProductName())
        .toUtf8();
}

}  // namespace

std::optional<QString> LogFile::start(const QString& path, qint64 limit) {
    auto file = std::make_unique<QFile>(path);
    if (limit > 0 && file->size() > limit)
        setAside(*file);
    if (path.isEmpty() || !file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return file->errorString().isEmpty() ? QStringLiteral("no file name") : file->errorString();
    if (file->write(headerLine()) < 0 || !file->flush())
        return file->errorString();

    LogState& s = state();
    {
        std::lock_guard lock(s.mutex);
        s.file = std::move(file);
        s.limit = limit;
    }
    if (!s.installed) {
        s.previous = qInstallMessageHandler(writeToLog);
        s.installed = true;
    }
    QLoggingCategory::setFilterRules(QString::fromLatin1(kLogAllRules));
    return std::nullopt;
}

void LogFile::stop() {
    LogState& s = state();
    if (!s.installed)
        return;
    qInstallMessageHandler(s.previous);
    QLoggingCategory::setFilterRules(QString());
    std::lock_guard lock(s.mutex);
    s.installed = false;
    s.previous = nullptr;
    s.file.reset();
}

bool LogFile::active() {
    std::lock_guard lock(state().mutex);
    return state().file != nullptr;
}

}  // namespace vantor::app
