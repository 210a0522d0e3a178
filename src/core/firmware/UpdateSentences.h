#pragma once

// The sentences that tell how an update of one scale ended, for the log and the command line; where
// the update form says the same fact in a box, the command line says the box's words on one line.
// Plain text in, plain text out.

#include <string>

#include "core/app/Message.h"
#include "core/firmware/ScaleUpdate.h"

namespace vantor::firmware::update_text {

// Why no run began: "Nothing was written: the zone table and keys could not be read. The scale did
// not answer the read of page 8800; 16 of 36 pages were read."
std::string notStarted(const UpdateReport& report, const ScaleUpdate& update);

// The update's journal, which lets an update cut short be finished, could not be saved (`reason`):
// nothing was written.
Message noJournal(const std::string& reason);

// A run that did not verify, and what it leaves on the scale: "The scale refused the write for
// page 0380 (after 5 restarts of the run); 99 of 512 pages were written. The scale's software is
// incomplete: update it again."
std::string runFailed(const scale::OperationResult& result);

// What became of the user's tables after a verified run; "" when the scale held none.
std::string tables(const UpdateReport& report, const ScaleUpdate& update);

}  // namespace vantor::firmware::update_text
