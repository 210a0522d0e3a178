#pragma once

// The steps of one update of one scale, in the order every front end follows: the preparation
// (serial number, tables read and saved), the run, the tables written back, and between them the
// questions the user answers where the tables are at risk. A front end asks next(), runs the step
// it is given on the thread that owns the scale link, asks the question it is given and hands the
// answer back, until the update is done; it decides no step and no answer of its own.

#include <atomic>
#include <optional>
#include <string>

#include "core/app/Message.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/UpdateStep.h"

namespace vantor::firmware {

// Which question an update asks.
enum class UpdateQuestion {
    WithoutTables,      // a page of the tables did not come back: update all the same?
    WithoutBackupFile,  // the tables are in memory only: update all the same?
    GiveEarlierTables,  // is this the scale whose update did not finish, to be given its tables?
    TablesLost,         // an unfinished update's tables cannot be read: update all the same?
    WriteTablesBack,    // the update left the region blank: write the saved tables back now?
};

// What the front end does next.
struct UpdateAction {
    enum class Kind { Run, Ask, Done };
    Kind kind = Kind::Done;
    UpdateStep step = UpdateStep::SavingTables;               // Run: the step
    UpdateQuestion question = UpdateQuestion::WithoutTables;  // Ask: which question
    Message message;                                          // Ask: as the user sees it
};

// The user's answer. None: the box was closed without one.
enum class UpdateAnswer { Yes, No, None };

class UpdateDriver {
public:
    // Begins with the preparation, or with the run for an update prepared already (a Retry after a
    // failed run keeps the serial number and tables read before it).
    explicit UpdateDriver(ScaleUpdate& update);

    UpdateAction next() const;
    // Runs `step`, the one next() gave, on the thread that owns the scale link.
    void run(UpdateStep step, scale::ScaleTransport& transport, const scale::ProgressSink& progress,
             const std::atomic<bool>& cancel, scale::PauseGate* pause = nullptr);
    // The answer to the question next() gave. Only the No button declines a question whose box may
    // be closed without an answer (it is asked again); for any other, no answer is No.
    void answer(UpdateAnswer answer);
    // Another scale (serial number `serial`) is behind the port where the update's scale was: the
    // update ends there, and nothing meant for its scale reaches the other.
    void anotherScale(std::string serial);

    const UpdateReport& report() const { return m_report; }

private:
    enum class State { Prepare, AskPrepared, Program, AskWriteBack, WriteBack, Done };

    void prepared(Prepared prepared);
    void programmed(ScaleProgramming programming);
    void answerPrepared(UpdateAnswer answer);
    void answerWriteBack(UpdateAnswer answer);
    UpdateAction question() const;

    ScaleUpdate& m_update;
    UpdateReport m_report;
    State m_state = State::Prepare;
};

}  // namespace vantor::firmware
