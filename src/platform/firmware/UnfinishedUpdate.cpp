#include "platform/firmware/UnfinishedUpdate.h"

#include "core/firmware/UnfinishedText.h"
#include "platform/app/DataFolder.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/TablesBackupFile.h"

namespace vantor::firmware {

UnfinishedUpdate::UnfinishedUpdate(std::string serial)
    : m_serial(std::move(serial)), m_found(JournalFile::lookUp(JournalFile::folder(), m_serial)) {}

std::string UnfinishedUpdate::imageProblem() const {
    if (!journal())
        return {};
    return JournalFile::imageProblem(*journal());
}

std::optional<std::string> UnfinishedUpdate::newestBackup() const {
    return newestBackupWithTables(app::DataFolder::backupFolders(), m_serial);
}

void UnfinishedUpdate::leaveTablesOut() const {
    if (!journal())
        return;
    HistoryRecord record;
    record.serial = journal()->serial;
    record.operation = history_operation::kRestore;
    record.what = journal()->backupFile;
    record.result = unfinished_text::leftOutRecord(journal()->backupFile);
    recordHistory(record);
    JournalFile::leaveTablesOut(*journal());
}

}  // namespace vantor::firmware
