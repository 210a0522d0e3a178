#include "core/firmware/ScaleUpdate.h"

#include <chrono>

#include <utility>
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
    if (m_prepared == Prepared::Ready && m_choice == TablesChoice::Keep && !m_tablesGiven && m_earlier)
        if (std::optional<EarlierTables> earlier = m_earlier(m_serial))
            useSavedTables(std::move(earlier->tables), std::move(earlier->backupFile));
    if (m_prepared == Prepared::Ready && m_choice == TablesChoice::Keep && !m_tablesGiven)
        m_prepared = keepTables(transport, progress, cancel);
    if (m_prepared == Prepared::Ready)
        m_prepared = beginJournal();
    return m_prepared;
}

Prepared ScaleUpdate::goOnWithoutBackup() {
    m_prepared = beginJournal();
    return m_prepared;
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
    if (const auto failure = m_journal->begin(m_serial, backupFile)) {
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

Prepared ScaleUpdate::keepTables(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                                 const std::atomic<bool>& cancel) {
    m_tables.reset();
    m_backup.reset();
    TablesRead read = readTables(transport, progress, cancel);
    m_tablesRead = read.result;
    if (read.result.cancelled())
        return Prepared::Cancelled;
    if (!read.tables)
        return Prepared::TablesUnread;
    m_tables = std::move(read.tables);
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

ScaleProgramming ScaleUpdate::program(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                                      const std::atomic<bool>& cancel, scale::PauseGate* pause) {
    if (m_prepared != Prepared::Ready) {
        ScaleProgramming refused;
        refused.result = scale::failedAt(Stage::SerialRead, Outcome::NoReply);
        return refused;
    }
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

bool ScaleUpdate::mayGoOn(UpdatePrompts& prompts) const {
    switch (m_prepared) {
        case Prepared::TablesUnread:
            return prompts.updateWithoutTables(m_tablesRead);
        case Prepared::BackupNotSaved:
            return prompts.updateWithoutBackupFile(*m_backup);
        default:
            return m_prepared == Prepared::Ready;
    }
}

namespace {

scale::ProgressSink stepSink(const UpdateProgressSink& progress, UpdateStep step) {
    if (!progress)
        return {};
    return [&progress, step](const scale::Progress& p) { progress(step, p); };
}

}  // namespace

UpdateReport ScaleUpdate::run(scale::ScaleTransport& transport, UpdatePrompts& prompts,
                              const UpdateProgressSink& progress, const std::atomic<bool>& cancel,
                              scale::PauseGate* pause) {
    UpdateReport report;
    report.prepared = prepare(transport, stepSink(progress, UpdateStep::SavingTables), cancel);
    if (m_backup && m_backup->saved())
        report.backupPath = m_backup->path;
    if (report.prepared == Prepared::NoSerial || report.prepared == Prepared::Cancelled ||
        report.prepared == Prepared::NoJournal)
        return report;
    if (!mayGoOn(prompts)) {
        report.declined = true;
        return report;
    }
    if (m_prepared != Prepared::Ready && goOnWithoutBackup() != Prepared::Ready) {
        report.prepared = Prepared::NoJournal;
        return report;
    }
    report.programming = program(transport, stepSink(progress, UpdateStep::Updating), cancel, pause);
    if (!report.programming->result.succeeded())
        return report;
    report.tablesAfter = tablesAfter();
    if (report.tablesAfter != TablesAfterUpdate::OfferRestore) {
        closeJournal();
        return report;
    }
    WriteBack answer = WriteBack::AskAgain;
    while (answer == WriteBack::AskAgain && !cancel.load())
        answer = prompts.writeTablesBack(tablesWhere());
    if (answer == WriteBack::No) {
        report.writeBackDeclined = true;
        closeJournal();
        return report;
    }
    if (answer == WriteBack::Yes)
        report.writeBack =
            writeTablesBack(transport, stepSink(progress, UpdateStep::WritingTablesBack), cancel);
    if (report.writeBack && report.writeBack->succeeded())
        closeJournal();
    return report;
}

}  // namespace vantor::firmware
