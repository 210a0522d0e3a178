#include "platform/firmware/JournalFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/ScaleStatus.h"
#include "core/firmware/Sha256.h"
#include "core/firmware/UserTables.h"
#include "platform/app/DataFolder.h"
#include "platform/app/WholeFile.h"
#include "platform/firmware/FirmwareLog.h"

namespace vantor::firmware {

namespace {

QString journalPath(const QString& folder, const std::string& serial) {
    return QDir(folder).filePath(QStringLiteral("Update-%1.journal").arg(QString::fromStdString(serial)));
}

QString imageCopyPath(const QString& folder, const std::string& serial) {
    return QDir(folder).filePath(QStringLiteral("Update-%1.hex").arg(QString::fromStdString(serial)));
}

// Journals and their copies are small; a larger file is no journal's.
constexpr qint64 kMaxJournalRead = 16 * 1024 * 1024;

struct FileRead {
    std::optional<QByteArray> bytes;
    std::string problem;  // why there are none
};

// Only a regular file is read, and it is opened without waiting: a FIFO with no writer would
// otherwise hold the program in open() for ever, deaf to Ctrl+C.
FileRead readRegular(const QString& path) {
#ifdef _WIN32
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return {std::nullopt, "it is not a regular file"};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, file.errorString().toStdString()};
    return {file.read(kMaxJournalRead), {}};
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {std::nullopt, std::strerror(errno)};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {std::nullopt, "it is not a regular file"};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {std::nullopt, file.errorString().toStdString()};
    }
    return {file.read(kMaxJournalRead), {}};
#endif
}

std::optional<QByteArray> readWhole(const QString& path) {
    return readRegular(path).bytes;
}

// What stands at `path` and is no regular file (a symlink is followed), which no journal write may
// go through; "" when nothing is there or a regular file is.
std::string notRegular(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (info.isFile())
        return {};
    return path.toStdString() + " is not a regular file";
}

// The serial numbers whose journals updates of this program hold now.
std::mutex g_heldMutex;
std::set<std::string> g_held;

bool hold(const std::string& serial) {
    std::lock_guard lock(g_heldMutex);
    return g_held.insert(serial).second;
}

void letGo(const std::string& serial) {
    std::lock_guard lock(g_heldMutex);
    g_held.erase(serial);
}

std::string sha256Of(const QByteArray& bytes) {
    return sha256Hex(
        {reinterpret_cast<const Byte*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
}

}  // namespace

QString JournalFile::folder() {
    return app::DataFolder::journals();
}

JournalFile::JournalFile(QString folder, QString updateFile)
    : m_folder(std::move(folder)), m_updateFile(std::move(updateFile)) {}

JournalFile::~JournalFile() {
    release();
}

void JournalFile::release() {
    if (m_held)
        letGo(m_journal.serial);
    m_held = false;
    m_lock.reset();
}

std::optional<std::string> JournalFile::begin(const std::string& serial, const std::string& backupFile,
                                              const std::string& tablesSha256) {
    release();
    const std::string underWay = "another update of a scale with serial number " + serial + " is under way";
    if (!hold(serial))
        return underWay;
    m_held = true;
    m_journal.serial = serial;
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(m_folder.toStdU16String()), made);
    if (made)
        return made.message();
    // Another program (vantor-cli beside the program, or two vantor-cli) holds it by this lock; a
    // lock left by a program that died is taken over.
    m_lock = std::make_unique<QLockFile>(
        QDir(m_folder).filePath(QStringLiteral("Update-%1.lock").arg(QString::fromStdString(serial))));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        const bool taken = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        return taken ? underWay + " in another program" : "the journal's lock cannot be made";
    }
    for (const QString& path : {journalPath(m_folder, serial), imageCopyPath(m_folder, serial)})
        if (std::string problem = notRegular(path); !problem.empty())
            return problem;
    const std::optional<QByteArray> image = readWhole(m_updateFile);
    if (!image)
        return "the update file cannot be read again";
    const QString copy = imageCopyPath(m_folder, serial);
    // A resumed update runs from the journal's own copy: it is already there, unchanged.
    if (QFileInfo(copy).absoluteFilePath() != QFileInfo(m_updateFile).absoluteFilePath())
        if (const auto failure =
                app::saveWhole(copy, {image->constData(), static_cast<std::size_t>(image->size())}))
            return failure;
    m_journal = UpdateJournal{};
    m_journal.serial = serial;
    m_journal.imageSha256 = sha256Of(*image);
    m_journal.imageFile = QDir::toNativeSeparators(copy).toStdString();
    m_journal.backupFile = backupFile;
    m_journal.tablesSha256 = tablesSha256;
    m_journal.started =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    return save();
}

void JournalFile::reached(const std::string& phase, std::size_t pages) {
    m_journal.phase = phase;
    m_journal.pages = pages;
    // The run goes on: the journal written before the first unlock still says what to finish.
    if (const auto failure = save())
        qCWarning(lcFirmware).noquote() << "journal not updated:" << QString::fromStdString(*failure);
}

void JournalFile::finished() {
    QFile::remove(journalPath(m_folder, m_journal.serial));
    QFile::remove(imageCopyPath(m_folder, m_journal.serial));
    release();
}

void JournalFile::tablesDeclined() {
    reached(kTablesDeclinedPhase, 0);
    release();
}

void JournalFile::leaveTablesOut(const UpdateJournal& journal) {
    const QString folder = QFileInfo(QString::fromStdString(journal.imageFile)).absolutePath();
    QFile::remove(journalPath(folder, journal.serial));
    QFile::remove(imageCopyPath(folder, journal.serial));
}

std::optional<std::string> JournalFile::save() {
    const std::string text = formatJournal(m_journal);
    return app::saveWhole(journalPath(m_folder, m_journal.serial), {text.data(), text.size()});
}

JournalFile::Lookup JournalFile::lookUp(const QString& folder, const std::string& serial) {
    Lookup found;
    found.path = journalPath(folder, serial);
    const QFileInfo info(found.path);
    if (!info.exists() && !info.isSymLink())
        return found;
    const FileRead text = readRegular(found.path);
    if (!text.bytes) {
        found.problem = text.problem;
        return found;
    }
    found.journal =
        parseJournal(std::string_view(text.bytes->constData(), static_cast<std::size_t>(text.bytes->size())),
                     found.problem);
    if (found.journal && found.journal->serial != serial) {
        found.journal.reset();
        found.problem = "it is another scale's";
    }
    if (found.journal)
        found.problem.clear();
    return found;
}

std::string JournalFile::unfinishedNote(const QString& folder, const std::string& serial) {
    const Lookup found = lookUp(folder, serial);
    if (!found.problem.empty())
        return unreadableJournalText(found.path.toStdString(), found.problem);
    return found.journal ? unfinishedText(*found.journal) : std::string();
}

std::optional<UpdateJournal> JournalFile::find(const QString& folder, const std::string& serial) {
    Lookup found = lookUp(folder, serial);
    if (!found.problem.empty())
        qCWarning(lcFirmware).noquote()
            << "journal" << found.path << "cannot be read:" << QString::fromStdString(found.problem);
    return std::move(found.journal);
}

std::optional<ScaleUpdate::EarlierTables> JournalFile::earlierTables(const UpdateJournal& journal) {
    if (journal.backupFile.empty() && journal.tablesSha256.empty())
        return std::nullopt;
    return ScaleUpdate::EarlierTables{savedTables(journal), journal.backupFile, journal.tablesSha256};
}

std::string JournalFile::imageProblem(const UpdateJournal& journal) {
    const std::optional<QByteArray> image = readWhole(QString::fromStdString(journal.imageFile));
    if (!image)
        return "the copy of the update file kept for it (" + journal.imageFile + ") is gone";
    if (sha256Of(*image) != journal.imageSha256)
        return "the copy of the update file kept for it (" + journal.imageFile + ") has changed";
    return {};
}

std::optional<Bytes> JournalFile::savedTables(const UpdateJournal& journal) {
    if (journal.backupFile.empty())
        return std::nullopt;
    const FileRead text = readRegular(QString::fromStdString(journal.backupFile));
    if (!text.bytes)
        return std::nullopt;
    const HexLoad load = IntelHexLoader::load(
        std::string_view(text.bytes->constData(), static_cast<std::size_t>(text.bytes->size())));
    if (!tablesFileError(load).empty())
        return std::nullopt;
    const auto region = load.image->bytes().subspan(kTablesStart, kTablesSize);
    return Bytes(region.begin(), region.end());
}

}  // namespace vantor::firmware
