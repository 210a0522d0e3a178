#pragma once

// The run journal on disk: "Update-<serial>.journal" in the program's data folder, beside its own
// copy of the update file, "Update-<serial>.hex", which nothing else writes. Every write goes
// through the whole-file writer.

#include <QString>
#include <optional>
#include <string>

#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/UpdateJournal.h"

namespace vantor::firmware {

class JournalFile : public JournalKeeper {
public:
    // `folder`: where journals live; `updateFile`: the update file this update writes.
    JournalFile(QString folder, QString updateFile);
    // Lets the journal's serial number go for another update (the file stays when not finished).
    ~JournalFile() override;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // Refused while another update in this program keeps the journal of the same serial number (two
    // scales with one number, updated at once): each would write over and remove the other's.
    std::optional<std::string> begin(const std::string& serial, const std::string& backupFile) override;
    void reached(const std::string& phase, std::size_t pages) override;
    void finished() override;

    // Where journals live: one folder in the user's data folder, for the program and vantor-cli alike.
    static QString folder();
    // The unfinished update of the scale `serial`, when its journal is in `folder`. A journal that
    // cannot be read is passed over, with a log line.
    static std::optional<UpdateJournal> find(const QString& folder, const std::string& serial);
    // Why the journal's copy of the update file cannot be used ("" when it can): gone, or changed
    // since the journal was written.
    static std::string imageProblem(const UpdateJournal& journal);
    // The tables in the journal's backup file, when it names one that holds them.
    static std::optional<Bytes> savedTables(const UpdateJournal& journal);

private:
    std::optional<std::string> save();

    QString m_folder;
    QString m_updateFile;
    void release();

    UpdateJournal m_journal;
    bool m_held = false;  // this update holds its serial number's journal
};

}  // namespace vantor::firmware
