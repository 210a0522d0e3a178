#include "core/firmware/UpdateDriver.h"

#include <utility>

namespace vantor::firmware {

UpdateDriver::UpdateDriver(ScaleUpdate& update)
    : m_update(update), m_state(update.prepared() == Prepared::Ready ? State::Program : State::Prepare) {}

UpdateAction UpdateDriver::next() const {
    UpdateAction action;
    switch (m_state) {
        case State::Prepare:
            action.kind = UpdateAction::Kind::Run;
            action.step = UpdateStep::SavingTables;
            return action;
        case State::Program:
            action.kind = UpdateAction::Kind::Run;
            action.step = UpdateStep::Updating;
            return action;
        case State::WriteBack:
            action.kind = UpdateAction::Kind::Run;
            action.step = UpdateStep::WritingTablesBack;
            return action;
        case State::AskPrepared:
        case State::AskWriteBack:
            return question();
        case State::Done:
            break;
    }
    return action;
}

UpdateAction UpdateDriver::question() const {
    UpdateAction ask;
    ask.kind = UpdateAction::Kind::Ask;
    if (m_state == State::AskWriteBack) {
        ask.question = UpdateQuestion::WriteTablesBack;
        ask.message = tables_text::offerRestore(m_update.tablesWhere());
        return ask;
    }
    switch (m_update.prepared()) {
        case Prepared::TablesDiffer:
            ask.question = UpdateQuestion::GiveEarlierTables;
            ask.message = tables_text::differQuestion(m_update.serial(), m_update.earlierBackup());
            break;
        case Prepared::TablesLost:
            ask.question = UpdateQuestion::TablesLost;
            ask.message = tables_text::lostQuestion(m_update.earlierBackup());
            break;
        case Prepared::BackupNotSaved:
            ask.question = UpdateQuestion::WithoutBackupFile;
            ask.message = tables_text::notSavedQuestion(m_update.backup()->path, m_update.backup()->error);
            break;
        default:
            ask.question = UpdateQuestion::WithoutTables;
            ask.message = tables_text::unreadQuestion(m_update.tablesRead());
            break;
    }
    return ask;
}

void UpdateDriver::run(UpdateStep step, scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                       const std::atomic<bool>& cancel, scale::PauseGate* pause) {
    switch (step) {
        case UpdateStep::SavingTables:
            m_report.prepared = m_update.prepare(transport, progress, cancel);
            if (m_update.backup() && m_update.backup()->saved())
                m_report.backupPath = m_update.backup()->path;
            return prepared(m_report.prepared);
        case UpdateStep::Updating:
            return programmed(m_update.program(transport, progress, cancel, pause));
        case UpdateStep::WritingTablesBack:
            m_report.writeBack = m_update.writeTablesBack(transport, progress, cancel);
            // The journal stays for tables that are not wholly back: they are offered again.
            if (m_report.writeBack->succeeded())
                m_update.closeJournal();
            m_state = State::Done;
            return;
    }
}

// The report keeps where the preparation first stopped, unless what followed an answer stopped it.
void UpdateDriver::prepared(Prepared prepared) {
    if (prepared != Prepared::Ready)
        m_report.prepared = prepared;
    switch (prepared) {
        case Prepared::Ready:
            m_state = State::Program;
            return;
        case Prepared::NoSerial:
        case Prepared::Cancelled:
        case Prepared::NoJournal:
            m_state = State::Done;
            return;
        default:
            m_state = State::AskPrepared;
            return;
    }
}

void UpdateDriver::programmed(ScaleProgramming programming) {
    m_report.programming = std::move(programming);
    if (!m_report.programming->result.succeeded()) {
        m_state = State::Done;
        return;
    }
    m_report.tablesAfter = m_update.tablesAfter();
    if (m_report.tablesAfter == TablesAfterUpdate::OfferRestore) {
        m_state = State::AskWriteBack;
        return;
    }
    m_update.closeJournal();
    m_state = State::Done;
}

void UpdateDriver::answer(UpdateAnswer answer) {
    if (m_state == State::AskPrepared)
        answerPrepared(answer);
    else if (m_state == State::AskWriteBack)
        answerWriteBack(answer);
}

// Yes goes on without the tables at risk, or with the earlier update's; the answer may lead to
// another question (those tables cannot be read after all) or to a journal that cannot be written.
void UpdateDriver::answerPrepared(UpdateAnswer answer) {
    if (answer != UpdateAnswer::Yes) {
        m_report.declined = true;
        m_state = State::Done;
        return;
    }
    prepared(m_update.prepared() == Prepared::TablesDiffer ? m_update.giveEarlierTables()
                                                           : m_update.goOnWithoutBackup());
}

void UpdateDriver::answerWriteBack(UpdateAnswer answer) {
    if (answer == UpdateAnswer::None)
        return;  // asked again
    if (answer == UpdateAnswer::Yes) {
        m_state = State::WriteBack;
        return;
    }
    m_report.writeBackDeclined = true;
    m_update.declineWriteBack();
    m_state = State::Done;
}

void UpdateDriver::anotherScale(std::string serial) {
    m_report.otherScale = std::move(serial);
    m_state = State::Done;
}

}  // namespace vantor::firmware
