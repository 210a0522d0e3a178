#pragma once

// How an operation on the scale ended, in one vocabulary for every operation: the whole-image run,
// a key's table, the zone table, the user's saved tables. Front ends choose their own words from
// it (the forms show the system's messages); describe() gives the one sentence that logs and the
// command line print.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vantor::scale {

enum class Outcome {
    Success,     // every page written and read back equal (or read, for a read)
    Refused,     // the scale answered, but not with the acknowledgement
    NoReply,     // nothing, or too little, within the time limit
    Mismatch,    // a page came back with another address or other bytes than were written
    Unsteady,    // two reads of one page never gave the same bytes
    PortFailed,  // the command could not be handed to the port (closed, unplugged)
    Cancelled,   // the program is ending
};

// SerialRead: the scale gave no serial number (silent, or an answer that is no serial number), so
// there was nothing to unlock it with and nothing was sent. Read: a page read without unlocking.
enum class Stage { None, SerialRead, Unlock, Write, ReadBack, Read };

struct OperationResult {
    Outcome outcome = Outcome::Success;
    Stage stage = Stage::None;
    std::optional<std::uint32_t> page;  // the page the failure concerned
    // Pages written (or read) before the end; for the whole-image run, which starts again from page
    // 0 after a write failure, the most pages any of its attempts wrote.
    std::size_t pagesDone = 0;
    std::size_t pagesTotal = 0;  // pages the operation had to write (or read)
    std::string serial;          // the serial number the scale gave ("" when none)
    unsigned restarts = 0;       // how often a write failure sent the whole-image run back

    bool succeeded() const { return outcome == Outcome::Success; }
    bool cancelled() const { return outcome == Outcome::Cancelled; }
    // The scale refused to be unlocked with the serial number it was given.
    bool unlockRefused() const { return outcome == Outcome::Refused && stage == Stage::Unlock; }
    // The scale did not answer an unlock or a write at all, rather than refusing or reading back
    // wrong.
    bool scaleSilent() const;
};

// Why a page read failed, as a clause: "the scale did not answer the read of page 8000", "the
// scale's reply to the read of page 8000 did not fit", "the scale's replies to the read of page
// 8000 did not agree", "the port failed during the read of page 8000".
std::string readFailure(const OperationResult& result);

// The result of one exchange that failed in `stage`: `outcome` is how its last try ended.
OperationResult failedAt(Stage stage, Outcome outcome);

// One sentence: "All 36 pages were written and verified.", "The scale did not answer the write
// for page 8180; 3 of 36 pages were written.", "The scale refused the write for page 0380 (after
// 5 restarts of the run); 7 of 512 pages were written.", "Stopped after 15 of 36 pages; page 8780
// was being written and may hold new bytes too."
std::string describe(const OperationResult& result);

}  // namespace vantor::scale
