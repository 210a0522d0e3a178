#include "core/firmware/FleetReport.h"

#include <cstdio>

#include "core/firmware/UpdateSentences.h"
#include "core/scale/ScaleProtocol.h"

namespace vantor::firmware {

namespace {

const char* phaseWord(FleetPhase phase) {
    switch (phase) {
        case FleetPhase::Connecting:
            return "connecting";
        case FleetPhase::SavingTables:
            return "saving tables";
        case FleetPhase::Writing:
            return "writing";
        case FleetPhase::Verifying:
            return "verifying";
        case FleetPhase::RestoringTables:
            return "restoring tables";
        case FleetPhase::Ended:
            return "ended";
    }
    return "";
}

std::string serialOrDash(const FleetScale& scale) {
    return scale.serial.empty() ? "-" : scale.serial;
}

}  // namespace

std::string progressLine(const FleetScale& scale) {
    std::string line = scale.port + "  " + serialOrDash(scale) + "  " + phaseWord(scale.phase);
    if (scale.phase == FleetPhase::Writing || scale.phase == FleetPhase::Verifying) {
        char pages[24];
        std::snprintf(pages, sizeof pages, "  %zu/%zu", scale.progress.done, scale::kPageCount);
        line += pages;
        if (!scale.timeLeft.empty())
            line += "  " + scale.timeLeft + " left";
    }
    return line;
}

std::string endLine(const FleetScale& scale) {
    std::string line = scale.port + " " + serialOrDash(scale) + " ";
    if (verified(scale) && scale.tablesIncomplete)
        line += "updated, but its zone table and keys were not all written back: " + describe(*scale.result);
    else if (verified(scale))
        line += "updated: " + describe(*scale.result);
    else if (scale.result && scale.result->cancelled())
        line += "not updated: stopped while " +
                std::string(scale.progress.phase == scale::Phase::Verify ? "verifying" : "writing") + " (" +
                std::to_string(scale.progress.done) + " of " + std::to_string(scale::kPageCount) +
                " pages); the scale must be updated again.";
    else if (scale.result)
        line += "not updated: " + update_text::runFailed(*scale.result);
    else
        line += "not updated: " + scale.refusal;
    char seconds[24];
    std::snprintf(seconds, sizeof seconds, " (%.1f s)", scale.seconds);
    return line + seconds;
}

}  // namespace vantor::firmware
