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

namespace {

// Where the run was when it failed, from its last progress; "" before its first page.
std::string whereItFailed(const FleetScale& scale) {
    if (scale.progress.total == 0 ||
        (scale.progress.phase == scale::Phase::Write && scale.progress.done == 0))
        return "";
    return std::string("failed while ") +
           (scale.progress.phase == scale::Phase::Verify ? "verifying" : "writing") + ", at page " +
           std::to_string(scale.progress.done) + " of " + std::to_string(scale.progress.total) + ": ";
}

// A run that wrote pages leaves a journal that resume finishes.
bool wrotePages(const FleetScale& scale) {
    return scale.result &&
           (scale.result->pagesDone > 0 || scale.result->restarts > 0 || scale.progress.done > 0);
}

}  // namespace

std::string failureLine(const FleetScale& scale) {
    if (updatedWhole(scale) || (scale.result && scale.result->cancelled()))
        return "";
    std::string line = scale.port + " " + serialOrDash(scale) + " ";
    if (verified(scale))
        return line +
               "updated, but its zone table and keys were not all written back (the backup is named at "
               "the end).";
    if (!scale.result)
        return line + "not updated: " + scale.refusal;
    const std::string where = whereItFailed(scale);
    line += (where.empty() ? "failed: " : where) + update_text::runFailed(*scale.result);
    if (wrotePages(scale))
        line += " Finish it with: vantor-cli resume --port " + scale.port;
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
        line += "not updated: " + whereItFailed(scale) + update_text::runFailed(*scale.result) +
                (wrotePages(scale) ? " Finish it with: vantor-cli resume --port " + scale.port + "." : "");
    else
        line += "not updated: " + scale.refusal;
    char seconds[24];
    std::snprintf(seconds, sizeof seconds, " (%.1f s)", scale.seconds);
    return line + seconds;
}

}  // namespace vantor::firmware
