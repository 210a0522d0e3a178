#pragma once

// One update of one scale: the serial number read once, the user's zone table and keys read and
// saved, the whole-image run, the tables written back. Its steps and the questions between them are
// sequenced by UpdateDriver, which the update form follows step by step from its jobs and run()
// follows in one go for vantor-cli. Plain sequential code over the scale link; saving the backup
// file is handed to the caller, which owns the file system.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/firmware/ImageBuffer.h"
#include "core/firmware/ProgrammingRun.h"
#include "core/firmware/TablesMessages.h"
#include "core/firmware/UpdateHistory.h"
#include "core/firmware/UpdateStep.h"
#include "core/firmware/UserTables.h"
#include "core/scale/OperationResult.h"
#include "core/scale/PauseGate.h"
#include "core/scale/Progress.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::firmware {

class JournalPace;
// Takes the history record of each run and each write-back as it ends.
using HistorySink = std::function<void(const HistoryRecord&)>;

// Whether the update keeps the scale's zone table and keys. Erase leaves them to the update file.
enum class TablesChoice { Keep, Erase };

// Saves the tables read before the run as a backup file of the scale `serial`.
using BackupSaver = std::function<SavedBackup(const std::string& serial, std::span<const Byte> tables)>;

// Where the preparation stopped.
enum class Prepared {
    Ready,           // the run may begin
    NoSerial,        // the scale gave no serial number: nothing can be unlocked, nothing was sent
    TablesUnread,    // a page of the tables did not come back: ask before updating without them
    BackupNotSaved,  // the tables are in memory, but no backup file could be saved: ask before going on
    Cancelled,       // the program or the user stopped it; nothing was written
    NoJournal,       // the run journal could not be written: nothing was sent
    // The scale's tables are neither those saved before an unfinished update of its serial number
    // nor what that update wrote: ask whether this is that scale before giving it those tables.
    TablesDiffer,
    // The tables saved before an unfinished update cannot be read, and that update wrote over the
    // scale's own: ask before updating without them.
    TablesLost,
};

// Keeps the run journal of an update, so that one cut short can be finished on the next start.
class JournalKeeper {
public:
    virtual ~JournalKeeper() = default;
    // Before the first unlock: the journal written whole, or why it could not be. `tablesSha256`:
    // of the tables as read before the update ("" when they were not read).
    virtual std::optional<std::string> begin(const std::string& serial, const std::string& backupFile,
                                             const std::string& tablesSha256) = 0;
    // The update has come `pages` into `phase` (at phase changes and every few pages).
    virtual void reached(const std::string& phase, std::size_t pages) = 0;
    // The scale verified and its tables are back, or were not to be written back.
    virtual void finished() = 0;
    // The scale verified, but the user declined to write its tables back: the journal stays, so
    // that they are offered again, until finished() or left out for good.
    virtual void tablesDeclined() = 0;
};

// The user's answer to the write-back question. Only an explicit No declines; a question closed
// without an answer leaves the tables to be offered again.
enum class WriteBack { Yes, No, AskAgain };

// The questions of an update, for a front end that can answer them where they arise.
class UpdatePrompts {
public:
    virtual ~UpdatePrompts() = default;
    // A page of the tables could not be read (`read` names it): update all the same, losing them?
    virtual bool updateWithoutTables(const scale::OperationResult& read) = 0;
    // The tables are held in memory only, since `backup` could not be saved: update all the same?
    virtual bool updateWithoutBackupFile(const SavedBackup& backup) = 0;
    // The scale `serial` holds tables other than those saved in `backupFile` before an unfinished
    // update of that number: is it that scale, to be given them? No writes nothing.
    virtual bool giveEarlierTables(const std::string& serial, const std::string& backupFile) = 0;
    // The update left the region blank: write the tables saved in `where` back now?
    virtual WriteBack writeTablesBack(const std::string& where) = 0;
};

// How an update ended, as far as it came.
struct UpdateReport {
    Prepared prepared = Prepared::Ready;
    bool declined = false;                        // a question was answered No: nothing was written
    std::optional<ScaleProgramming> programming;  // the run, when it began
    TablesAfterUpdate tablesAfter = TablesAfterUpdate::Nothing;
    std::optional<scale::OperationResult> writeBack;  // the tables written back, when they were
    bool writeBackDeclined = false;
    std::string backupPath;  // "" when no backup file was saved
    // Another scale was found behind the port where this one was: nothing more was sent.
    std::optional<std::string> otherScale;

    // Verified, and the user's tables are where they belong.
    bool succeeded() const;
    // The run verified, but the user's tables are not (wholly) back in the scale.
    bool tablesIncomplete() const;
};

class ScaleUpdate {
public:
    ScaleUpdate(ImageBuffer image, TablesChoice choice, BackupSaver saveBackup);
    // Every run ("update") and write-back of the tables ("restore") is recorded there as it ends.
    void recordTo(HistorySink history) { m_history = std::move(history); }

    // Step 1: the serial number and, when kept, the tables read and saved. Ends on a question when
    // the tables are at risk; nothing has been written by then.
    Prepared prepare(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                     const std::atomic<bool>& cancel);
    // The user agreed to update without a tables backup file (or without the tables at all): Ready,
    // or NoJournal.
    Prepared goOnWithoutBackup();
    // After TablesDiffer, the user said the scale is the one whose update did not finish: its
    // saved tables are the ones kept. Ready, or NoJournal.
    Prepared giveEarlierTables();

    // Keeps the run journal through `keeper` (not owned), from the first unlock to the end.
    void keepJournal(JournalKeeper* keeper) { m_journal = keeper; }
    // The tables saved before an earlier run of this update (its journal's backup): the scale's
    // region, blank by now or half written, is not read.
    void useSavedTables(Bytes tables, std::string backupFile);
    // Asked with the serial number: the tables of an earlier update of that scale that did not
    // finish. The region is read all the same: when it is as that update left it, the saved tables
    // are the user's; when it holds other tables, the scale may be another with the same number.
    struct EarlierTables {
        std::optional<Bytes> tables;  // none when the backup cannot be read
        std::string backupFile;
        std::string tablesSha256;  // the journal's digest of them ("" when it kept none)
    };
    using EarlierTablesLookup = std::function<std::optional<EarlierTables>(const std::string& serial)>;
    void lookForEarlierTables(EarlierTablesLookup lookup) { m_earlier = std::move(lookup); }
    // Asked when the scale's region reads blank: the newest backup of that scale that holds tables,
    // which the user may want back (it is named, never written on its own: the region may have
    // been emptied on purpose).
    using OlderBackupLookup = std::function<std::optional<std::string>(const std::string& serial)>;
    void lookForOlderBackup(OlderBackupLookup lookup) { m_olderBackup = std::move(lookup); }
    // That backup, when the region read blank and there is one.
    const std::optional<std::string>& blankButBackedUp() const { return m_blankButBackedUp; }
    // This update finishes one that was cut short: its history records say so.
    void finishesAnEarlierUpdate() { m_resuming = true; }
    // The update is over for the user's tables (written back, or none to write): the journal goes.
    void closeJournal();
    // The user declined to write the tables back: the history says so, and the journal stays
    // for the tables to be offered again.
    void declineWriteBack();

    // Step 2: the whole-image run, unlocked with the serial number read in step 1. Called again
    // after a failed run (a Retry), it runs again with the same number and the same tables.
    ScaleProgramming program(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                             const std::atomic<bool>& cancel, scale::PauseGate* pause = nullptr);

    // Step 3, after a verified run: what is to be done with the tables read in step 1.
    TablesAfterUpdate tablesAfter() const;
    scale::OperationResult writeTablesBack(scale::ScaleTransport& transport,
                                           const scale::ProgressSink& progress,
                                           const std::atomic<bool>& cancel);

    // The whole road, through UpdateDriver, for a front end that answers on the spot.
    UpdateReport run(scale::ScaleTransport& transport, UpdatePrompts& prompts,
                     const UpdateProgressSink& progress, const std::atomic<bool>& cancel,
                     scale::PauseGate* pause = nullptr);

    Prepared prepared() const { return m_prepared; }
    const std::string& serial() const { return m_serial; }
    // The backup of the unfinished update's tables, after TablesDiffer or TablesLost.
    std::string earlierBackup() const { return m_earlierTables ? m_earlierTables->backupFile : ""; }
    const scale::OperationResult& tablesRead() const { return m_tablesRead; }
    // The tables as read before the first run, held until the update is over.
    const std::optional<Bytes>& tables() const { return m_tables; }
    // The tables came from an earlier update's backup, not from the scale.
    bool tablesFromEarlier() const { return m_tablesGiven; }
    const std::optional<SavedBackup>& backup() const { return m_backup; }
    // Why the journal could not be written, after NoJournal.
    const std::string& journalError() const { return m_journalError; }
    // Where the tables are kept: the backup file, or a note that they are in memory only.
    std::string tablesWhere() const;
    const ImageBuffer& image() const { return m_image; }
    // The update file loaded again for a Retry; the serial number and the tables stay as read.
    void setImage(ImageBuffer image) { m_image = std::move(image); }

private:
    Prepared readSerial(scale::ScaleTransport& transport, const std::atomic<bool>& cancel);
    Prepared keepTables(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                        const std::atomic<bool>& cancel);
    Prepared takeOverTables(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                            const std::atomic<bool>& cancel, EarlierTables earlier);
    Prepared keepAsRead(Bytes tables);
    std::optional<Prepared> readRegion(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                                       const std::atomic<bool>& cancel, Bytes& tables);
    void recordOpening();
    Prepared beginJournal();
    scale::ProgressSink journaled(const scale::ProgressSink& progress, UpdateStep step);

    ImageBuffer m_image;
    TablesChoice m_choice;
    BackupSaver m_saveBackup;
    HistorySink m_history;
    Prepared m_prepared = Prepared::NoSerial;
    std::string m_serial;
    scale::OperationResult m_tablesRead;
    std::optional<Bytes> m_tables;
    std::optional<SavedBackup> m_backup;
    std::string m_journalError;
    bool m_tablesGiven = false;
    EarlierTablesLookup m_earlier;
    bool m_resuming = false;
    OlderBackupLookup m_olderBackup;
    std::optional<std::string> m_blankButBackedUp;  // from an earlier run's backup, not read from the scale
    std::optional<EarlierTables> m_earlierTables;   // an unfinished update's, until the user decides
    JournalKeeper* m_journal = nullptr;
    std::shared_ptr<JournalPace> m_pace;
};

}  // namespace vantor::firmware
