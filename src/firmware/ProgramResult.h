#pragma once

// How a whole-image programming run ended, and where it went wrong: the user interface chooses
// the words, support and the command line get the cause.

#include <cstdint>
#include <optional>
#include <string>

namespace vantor::firmware {

enum class ProgramOutcome {
    Success,               // every page written and read back equal
    SerialNumberWrong,     // the scale refused the unlock four times
    CommunicationFailure,  // the scale stopped answering, or kept failing
    Cancelled,             // the program is ending
};

// SerialRead: the scale gave no serial number (silent, or an answer that is no serial number), so
// there was nothing to unlock it with and nothing was sent.
enum class ProgramStage { None, SerialRead, Unlock, Write, Verify };

enum class FailureCause {
    None,
    PortFailed,  // the command could not be handed to the port (closed, unplugged)
    NoReply,     // nothing, or too little, within the time limit
    Refused,     // an answer other than the acknowledgement
    Difference,  // a page read back with another address or other bytes than the image
};

struct ProgramResult {
    ProgramOutcome outcome = ProgramOutcome::Success;
    ProgramStage stage = ProgramStage::None;
    FailureCause cause = FailureCause::None;
    std::optional<std::uint32_t> page;  // the page address the last failure concerned
    unsigned restarts = 0;              // how often a write failure sent the run back to the unlock

    bool succeeded() const { return outcome == ProgramOutcome::Success; }
};

// One sentence for logs and the command line, e.g. "The scale did not acknowledge the write of
// page 0380 (after 5 restarts of the run)."
std::string describe(const ProgramResult& result);

}  // namespace vantor::firmware
