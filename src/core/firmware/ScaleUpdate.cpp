#include "core/firmware/ScaleUpdate.h"

#include <chrono>

#include <utility>
#include "core/firmware/Sha256.h"
#include "core/firmware/UpdateDriver.h"
#include "core/firmware/UpdateJournal.h"

#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"

namespace vantor::firmware {

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

using scale::Outcome;
using scale::Stage;

bool UpdateReport::succeeded() const {
    return programming && programming->result.succeeded() && !tablesIncomplete();
}

bool UpdateReport::tablesIncomplete() const {
    if (!programming || !programming->result.succeeded() || tablesAfter != TablesAfterUpdate::OfferRestore)
        return false;
    return writeBackDeclined || !writeBack || !writeBack->succeeded();
}

ScaleUpdate::ScaleUpdate(ImageBuffer image, TablesChoice choice, BackupSaver saveBackup)
    : m_image(std::move(image)), m_choice(choice), m_saveBackup(std::move(saveBackup)) {}

Prepared ScaleUpdate::prepare(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                              const std::atomic<bool>& cancel) {
    m_prepared = readSerial(transport, cancel);
    if (m_prepared == Prepared::Ready && m_choice == TablesChoice::Keep && !m_tablesGiven) {
        std::optional<EarlierTables> earlier = m_earlier ? m_earlier(m_serial) : std::nullopt;
        m_prepared = earlier ? takeOverTables(transport, progress, cancel, std::move(*earlier))
                             : keepTables(transport, progress, cancel);
    }
    if (m_prepared == Prepared::Ready)
        m_prepared = beginJournal();
    return m_prepared;
}

Prepared ScaleUpdate::goOnWithoutBackup() {
    m_prepared = beginJournal();
    return m_prepared;
}

Prepared ScaleUpdate::giveEarlierTables() {
    if (!m_earlierTables || !m_earlierTables->tables)
        return m_prepared = Prepared::TablesLost;
    useSavedTables(std::move(*m_earlierTables->tables), m_earlierTables->backupFile);
    return m_prepared = beginJournal();
}

void ScaleUpdate::useSavedTables(Bytes tables, std::string backupFile) {
    m_tables = std::move(tables);
    m_backup = SavedBackup{std::move(backupFile), {}};
    m_tablesGiven = true;
}

Prepared ScaleUpdate::beginJournal() {
    if (!m_journal)
        return Prepared::Ready;
    const std::string backupFile = m_backup && m_backup->saved() ? m_backup->path : std::string();
    const std::string tablesSha256 = m_tables ? sha256Hex(*m_tables) : std::string();
    if (const auto failure = m_journal->begin(m_serial, backupFile, tablesSha256)) {
        m_journalError = *failure;
        return Prepared::NoJournal;
    }
    m_pace = std::make_shared<JournalPace>();
    return Prepared::Ready;
}

void ScaleUpdate::closeJournal() {
    if (m_journal && m_pace)
        m_journal->finished();
    m_pace.reset();
}

void ScaleUpdate::declineWriteBack() {
    if (m_history) {
        HistoryRecord record;
        record.serial = m_serial;
        record.operation = history_operation::kRestore;
        record.what = tablesWhere();
        record.result = tables_text::declinedRecord(tablesWhere());
        m_history(record);
    }
    if (m_journal && m_pace)
        m_journal->tablesDeclined();
    m_pace.reset();
}

scale::ProgressSink ScaleUpdate::journaled(const scale::ProgressSink& progress, UpdateStep step) {
    if (!m_journal || !m_pace)
        return progress;
    return [progress, step, journal = m_journal, pace = m_pace](const scale::Progress& p) {
        const std::string phase = journalPhase(step, p);
        if (pace->due(phase, p.done))
            journal->reached(phase, p.done);
        if (progress)
            progress(p);
    };
}

Prepared ScaleUpdate::readSerial(scale::ScaleTransport& transport, const std::atomic<bool>& cancel) {
    // Nothing is written to a scale that has not given its own number to unlock with.
    std::optional<std::string> serial = scale::ReadCheckedSerial(transport);
    if (!serial)
        return cancel.load() ? Prepared::Cancelled : Prepared::NoSerial;
    m_serial = std::move(*serial);
    return Prepared::Ready;
}

// Reads the region afresh, forgetting what an earlier preparation kept; how the preparation ends
// when it could not be read.
std::optional<Prepared> ScaleUpdate::readRegion(scale::ScaleTransport& transport,
                                                const scale::ProgressSink& progress,
                                                const std::atomic<bool>& cancel, Bytes& tables) {
    m_tables.reset();
    m_backup.reset();
    TablesRead read = readTables(transport, progress, cancel);
    m_tablesRead = read.result;
    if (read.result.cancelled())
        return Prepared::Cancelled;
    if (!read.tables)
        return Prepared::TablesUnread;
    tables = std::move(*read.tables);
    return std::nullopt;
}

Prepared ScaleUpdate::keepTables(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                                 const std::atomic<bool>& cancel) {
    Bytes tables;
    if (const auto unread = readRegion(transport, progress, cancel, tables))
        return *unread;
    return keepAsRead(std::move(tables));
}

Prepared ScaleUpdate::keepAsRead(Bytes tables) {
    m_tables = std::move(tables);
    // A blank region has nothing of the user's to lose; but a blank region may be what an update
    // cut short (before journals were kept) left, so a backup that holds tables is named.
    if (!holdsTables(*m_tables)) {
        if (m_olderBackup)
            m_blankButBackedUp = m_olderBackup(m_serial);
        return Prepared::Ready;
    }
    m_backup = m_saveBackup(m_serial, *m_tables);
    return m_backup->saved() ? Prepared::Ready : Prepared::BackupNotSaved;
}

// The region is read even so: which tables are the user's depends on what it holds now.
Prepared ScaleUpdate::takeOverTables(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                                     const std::atomic<bool>& cancel, EarlierTables earlier) {
    Bytes region;
    if (const auto unread = readRegion(transport, progress, cancel, region))
        return *unread;
    const RegionVerdict verdict = judgeRegion(region, earlier.tables, earlier.tablesSha256, m_image);
    m_earlierTables = std::move(earlier);
    switch (verdict) {
        case RegionVerdict::Intact:
            // Nothing of them was written over: whatever became of the backup, the scale has them.
            if (m_earlierTables->tables) {
                useSavedTables(std::move(*m_earlierTables->tables), m_earlierTables->backupFile);
                return Prepared::Ready;
            }
            return keepAsRead(std::move(region));
        case RegionVerdict::Updated:
            if (!m_earlierTables->tables)
                return Prepared::TablesLost;
            useSavedTables(std::move(*m_earlierTables->tables), m_earlierTables->backupFile);
            return Prepared::Ready;
        case RegionVerdict::Other:
            break;
    }
    // Another scale's own tables must not be replaced by these; with none to give, nothing is
    // known to be this scale's.
    return m_earlierTables->tables ? Prepared::TablesDiffer : Prepared::TablesLost;
}

ScaleProgramming ScaleUpdate::program(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                                      const std::atomic<bool>& cancel, scale::PauseGate* pause) {
    if (m_prepared != Prepared::Ready) {
        ScaleProgramming refused;
        refused.result = scale::failedAt(Stage::SerialRead, Outcome::NoReply);
        return refused;
    }
    recordOpening();
    const auto started = std::chrono::steady_clock::now();
    ScaleProgramming programming = programWithSerial(
        transport, m_image, m_serial, journaled(progress, UpdateStep::Updating), cancel, pause);
    if (m_history) {
        HistoryRecord record = updateRecord(m_image, programming.result, secondsSince(started));
        if (m_resuming)
            record.operation = history_operation::kResume;
        m_history(record);
    }
    return programming;
}

// A run killed by force writes no record at its end: the history then still says that it began.
void ScaleUpdate::recordOpening() {
    if (!m_history)
        return;
    HistoryRecord record =
        openingRecord(m_resuming ? history_operation::kResume : history_operation::kUpdate);
    record.serial = m_serial;
    m_history(record);
}

TablesAfterUpdate ScaleUpdate::tablesAfter() const {
    if (!m_tables)
        return TablesAfterUpdate::Nothing;
    return tablesAfterUpdate(m_image, *m_tables);
}

scale::OperationResult ScaleUpdate::writeTablesBack(scale::ScaleTransport& transport,
                                                    const scale::ProgressSink& progress,
                                                    const std::atomic<bool>& cancel) {
    const auto started = std::chrono::steady_clock::now();
    const scale::OperationResult written =
        writeTables(transport, tablePages(*m_tables), scale::packSerial(m_serial),
                    journaled(progress, UpdateStep::WritingTablesBack), cancel);
    if (m_history) {
        HistoryRecord record =
            historyRecord(history_operation::kRestore, written, tablesWhere(), secondsSince(started));
        record.serial = m_serial;
        m_history(record);
    }
    return written;
}

std::string ScaleUpdate::tablesWhere() const {
    if (m_backup && m_backup->saved())
        return m_backup->path;
    return tables_text::memoryOnly(m_backup ? m_backup->error : std::string());
}

namespace {

scale::ProgressSink stepSink(const UpdateProgressSink& progress, UpdateStep step) {
    if (!progress)
        return {};
    return [&progress, step](const scale::Progress& p) { progress(step, p); };
}

UpdateAnswer yesOrNo(bool yes) {
    return yes ? UpdateAnswer::Yes : UpdateAnswer::No;
}

UpdateAnswer asked(UpdatePrompts& prompts, UpdateQuestion question, const ScaleUpdate& update) {
    switch (question) {
        case UpdateQuestion::WithoutTables:
        case UpdateQuestion::TablesLost:
            return yesOrNo(prompts.updateWithoutTables(update.tablesRead()));
        case UpdateQuestion::WithoutBackupFile:
            return yesOrNo(prompts.updateWithoutBackupFile(*update.backup()));
        case UpdateQuestion::GiveEarlierTables:
            return yesOrNo(prompts.giveEarlierTables(update.serial(), update.earlierBackup()));
        case UpdateQuestion::WriteTablesBack:
            break;
    }
    switch (prompts.writeTablesBack(update.tablesWhere())) {
        case WriteBack::Yes:
            return UpdateAnswer::Yes;
        case WriteBack::No:
            return UpdateAnswer::No;
        case WriteBack::AskAgain:
            break;
    }
    return UpdateAnswer::None;
}

}  // namespace

// A stopped update asks nothing more: what it has not done stays undone, its journal kept.
UpdateReport ScaleUpdate::run(scale::ScaleTransport& transport, UpdatePrompts& prompts,
                              const UpdateProgressSink& progress, const std::atomic<bool>& cancel,
                              scale::PauseGate* pause) {
    UpdateDriver driver(*this);
    for (UpdateAction action = driver.next(); action.kind != UpdateAction::Kind::Done;
         action = driver.next()) {
        if (action.kind == UpdateAction::Kind::Run)
            driver.run(action.step, transport, stepSink(progress, action.step), cancel, pause);
        else if (cancel.load())
            break;
        else
            driver.answer(asked(prompts, action.question, *this));
    }
    return driver.report();
}

}  // namespace vantor::firmware
