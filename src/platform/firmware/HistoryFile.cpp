#include "platform/firmware/HistoryFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/app/DataFolder.h"
#include "platform/firmware/FirmwareLog.h"

namespace vantor::firmware {

namespace {

const char* const kHistoryName = "history.jsonl";
// Only the newest part of a longer file is read: decades of records stay far below it.
constexpr qint64 kMaxRead = 64 * 1024 * 1024;

std::string systemError() {
    return std::strerror(errno);
}

std::string timeNow() {
    const QDateTime now = QDateTime::currentDateTime();
    std::tm local{};
    local.tm_year = now.date().year() - 1900;
    local.tm_mon = now.date().month() - 1;
    local.tm_mday = now.date().day();
    local.tm_hour = now.time().hour();
    local.tm_min = now.time().minute();
    local.tm_sec = now.time().second();
    return historyTime(local, now.offsetFromUtc());
}

#ifdef _WIN32
std::optional<std::string> appendLine(const QString& path, const std::string& line) {
    const int fd = _wopen(reinterpret_cast<const wchar_t*>(path.utf16()),
                          _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return systemError();
    const int written = _write(fd, line.data(), static_cast<unsigned>(line.size()));
    std::optional<std::string> failure;
    if (written < 0)
        failure = systemError();
    else if (static_cast<std::size_t>(written) != line.size())
        failure =
            "only " + std::to_string(written) + " of " + std::to_string(line.size()) + " bytes were written";
    if (_commit(fd) != 0 && !failure)
        failure = systemError();
    if (_close(fd) != 0 && !failure)
        failure = systemError();
    return failure;
}
#else
// O_APPEND puts every write at the end of the file as it is then, so one write of the whole line
// never lands inside another process's record. O_NONBLOCK keeps a FIFO with no reader from
// hanging the program; what is not a regular file is written through.
std::optional<std::string> appendLine(const QString& path, const std::string& line) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return systemError();
    ssize_t written;
    do
        written = ::write(fd, line.data(), line.size());
    while (written < 0 && errno == EINTR);
    std::optional<std::string> failure;
    if (written < 0) {
        failure = systemError();
    } else if (static_cast<std::size_t>(written) != line.size()) {
        failure =
            "only " + std::to_string(written) + " of " + std::to_string(line.size()) + " bytes were written";
        // The next record must start on a line of its own; the cut one is skipped when read.
        [[maybe_unused]] const ssize_t ended = ::write(fd, "\n", 1);
    }
    struct stat info {};
    if (!failure && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::fsync(fd) != 0)
        failure = systemError();
    if (::close(fd) != 0 && !failure)
        failure = systemError();
    return failure;
}
#endif

}  // namespace

QString historyPath() {
    return app::DataFolder::filePath(QLatin1String(kHistoryName));
}

std::optional<std::string> recordHistory(HistoryRecord record) {
    record.time = timeNow();
    const std::string line = historyLine(record);
    const QString path = historyPath();
    std::optional<std::string> failure;
    if (!QDir().mkpath(QFileInfo(path).path()))
        failure = "the folder " + QFileInfo(path).path().toStdString() + " cannot be made";
    else
        failure = appendLine(path, line);
    if (failure) {
        qCWarning(lcFirmware).noquote() << QStringLiteral("The update history could not be written to %1: %2")
                                               .arg(path, QString::fromStdString(*failure));
        return failure;
    }
    qCInfo(lcFirmware).noquote() << "history record:" << QString::fromStdString(line).trimmed();
    return std::nullopt;
}

void recordOperation(std::string_view operation, const scale::OperationResult& result, std::string what,
                     std::chrono::steady_clock::time_point started) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    recordHistory(historyRecord(operation, result, std::move(what), seconds));
}

HistorySink historyInDataFolder() {
    return [](const HistoryRecord& record) { recordHistory(record); };
}

HistoryFileRead readHistoryFile() {
    HistoryFileRead read;
    const QString path = historyPath();
    const QFileInfo info(path);
    if (!info.exists()) {
        read.missing = true;
        return read;
    }
    // A FIFO or a device would block or never end: only a regular file is read.
    if (!info.isFile()) {
        read.error = path.toStdString() + " is not a regular file";
        return read;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = "cannot read " + path.toStdString() + ": " + file.errorString().toStdString();
        return read;
    }
    const bool cut = file.size() > kMaxRead;
    if (cut)
        file.seek(file.size() - kMaxRead);
    QByteArray content = file.read(kMaxRead);
    if (cut)
        content.remove(0, content.indexOf('\n') + 1);  // the first line is only its end
    HistoryRead history =
        readHistory(std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
    // One line for them all: a binary file would otherwise give a warning for each of its lines.
    const std::vector<std::size_t>& damaged = history.damagedLines;
    if (damaged.size() == 1)
        qCWarning(lcFirmware).noquote()
            << QStringLiteral("Line %1 of the update history %2 is damaged; it was skipped.")
                   .arg(damaged.front())
                   .arg(path);
    else if (damaged.size() > 1)
        qCWarning(lcFirmware).noquote()
            << QStringLiteral(
                   "%1 lines of the update history %2 are damaged (the first is line %3); they "
                   "were skipped.")
                   .arg(damaged.size())
                   .arg(path)
                   .arg(damaged.front());
    read.records = std::move(history.records);
    return read;
}

}  // namespace vantor::firmware
