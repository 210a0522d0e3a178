#pragma once

// The words of an update of several scales at once: the progress line of each scale while the
// runs go on, and its line when they have ended. Plain text in, plain text out.

#include <optional>
#include <string>

#include "core/scale/OperationResult.h"
#include "core/scale/Progress.h"

namespace vantor::firmware {

enum class FleetPhase { Connecting, SavingTables, Writing, Verifying, RestoringTables, Ended };

struct FleetScale {
    std::string port;
    std::string serial;  // "" until the scale has given it
    FleetPhase phase = FleetPhase::Connecting;
    scale::Progress progress;  // how far the run has come
    std::string timeLeft;      // "" until there is an estimate
    // How it ended: the run's result, or why no run was made (the port, the serial number).
    std::optional<scale::OperationResult> result;
    std::string refusal;
    // Verified, but the user's tables were not all written back (the notes say where they are).
    bool tablesIncomplete = false;
    double seconds = 0;
};

// "/dev/ttyUSB0  12345678  verifying  200/512  1 min 2 sec left"
std::string progressLine(const FleetScale& scale);

// "/dev/ttyUSB1 11111111 updated: All 512 pages were written and verified. (71.2 s)",
// "/dev/ttyUSB1 11111111 not updated: The scale refused the unlock (is the serial number
// right?); ..."; a stopped run says where it stood, from its last progress.
std::string endLine(const FleetScale& scale);

// The line said as soon as a scale's update fails, while the others go on: where it died (from its
// last progress, not the stage its last retry failed in) and, when pages were written, how to
// finish it. "" for a scale that was updated whole or stopped by the user.
// "/dev/ttyUSB1 11111111 failed while writing, at page 300 of 512: The scale did not answer the
// unlock (after 1 restart of the run); 300 of 512 pages were written. The scale's software is
// incomplete: update it again. Finish it with: vantor-cli resume --port /dev/ttyUSB1"
std::string failureLine(const FleetScale& scale);

inline bool verified(const FleetScale& scale) {
    return scale.result && scale.result->succeeded();
}

// Verified, with the user's tables back where they belong.
inline bool updatedWhole(const FleetScale& scale) {
    return verified(scale) && !scale.tablesIncomplete;
}

}  // namespace vantor::firmware
