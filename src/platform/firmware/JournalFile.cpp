#include "platform/firmware/JournalFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/UserTables.h"
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

std::optional<QByteArray> readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
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
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

}  // namespace

QString JournalFile::folder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("VantorUSA_PCProgram/VantorUSA_PCProgram/Journals"));
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
}

std::optional<std::string> JournalFile::begin(const std::string& serial, const std::string& backupFile) {
    release();
    if (!hold(serial))
        return "another update of a scale with serial number " + serial + " is under way";
    m_held = true;
    m_journal.serial = serial;
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(m_folder.toStdU16String()), made);
    if (made)
        return made.message();
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

std::optional<std::string> JournalFile::save() {
    const std::string text = formatJournal(m_journal);
    return app::saveWhole(journalPath(m_folder, m_journal.serial), {text.data(), text.size()});
}

std::optional<UpdateJournal> JournalFile::find(const QString& folder, const std::string& serial) {
    const QString path = journalPath(folder, serial);
    if (!QFile::exists(path))
        return std::nullopt;
    const std::optional<QByteArray> text = readWhole(path);
    std::string error = "it cannot be read";
    std::optional<UpdateJournal> journal;
    if (text)
        journal = parseJournal(text->toStdString(), error);
    if (journal && journal->serial != serial) {
        journal.reset();
        error = "it is another scale's";
    }
    if (!journal)
        qCWarning(lcFirmware).noquote()
            << "journal" << path << "passed over:" << QString::fromStdString(error);
    return journal;
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
    const HexLoad load = IntelHexLoader::loadFile(journal.backupFile);
    if (!tablesFileError(load).empty())
        return std::nullopt;
    const auto region = load.image->bytes().subspan(kTablesStart, kTablesSize);
    return Bytes(region.begin(), region.end());
}

}  // namespace vantor::firmware
