#pragma once

// The run journal on disk: "Update-<serial>.journal" in the program's data folder, beside its own
// copy of the update file, "Update-<serial>.hex", which nothing else writes. Every write goes
// through the whole-file writer.

#include <QLockFile>
#include <QString>
#include <memory>
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

    // Refused while another update, in this program or another, keeps the journal of the same
    // serial number (two scales with one number, updated at once): each would write over and
    // remove the other's. Refused too where the journal or its copy of the update file is not a
    // regular file: nothing is written through a FIFO or a device.
    std::optional<std::string> begin(const std::string& serial, const std::string& backupFile,
                                     const std::string& tablesSha256) override;
    void reached(const std::string& phase, std::size_t pages) override;
    void finished() override;
    void tablesDeclined() override;

    // Where journals live: one folder in the user's data folder, for the program and vantor-cli alike.
    static QString folder();
    // What the journal of the scale `serial` in `folder` says.
    struct Lookup {
        std::optional<UpdateJournal> journal;  // the unfinished update, when there is one
        QString path;                          // where its journal is, or would be
        std::string problem;                   // why a journal that is there cannot be read ("" else)
    };
    static Lookup lookUp(const QString& folder, const std::string& serial);
    // The unfinished update of the scale `serial`, when its journal is in `folder` and can be read
    // (a damaged one is logged).
    static std::optional<UpdateJournal> find(const QString& folder, const std::string& serial);
    // For status and verify: the unfinished update of the scale `serial` (unfinishedText), or why
    // its journal cannot be read; "" when it has none.
    static std::string unfinishedNote(const QString& folder, const std::string& serial);
    // Ends the update of `journal` for good, its tables left out: the user said so.
    static void leaveTablesOut(const UpdateJournal& journal);
    // The tables the update of `journal` kept, for ScaleUpdate::lookForEarlierTables; none when it
    // kept none (it erased them).
    static std::optional<ScaleUpdate::EarlierTables> earlierTables(const UpdateJournal& journal);
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
    bool m_held = false;                // this update holds its serial number's journal
    std::unique_ptr<QLockFile> m_lock;  // against another program updating that number
};

}  // namespace vantor::firmware
