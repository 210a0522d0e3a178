#pragma once

// The run journal: what an update that has begun writing must remember so that the next start can
// finish it, whatever stopped it (the program closed, the computer crashed or slept, the power
// failed). One small text file a scale, "key=value" lines under a first line that names the
// format; written whole before the first unlock, again at each phase change and every
// kJournalPages pages, and removed once the scale verified and its tables are back.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/firmware/ScaleUpdate.h"

namespace vantor::firmware {

inline constexpr const char* kJournalFormat = "vantor-update-journal 1";
// Pages between two journal writes within one phase.
inline constexpr std::size_t kJournalPages = 32;

struct UpdateJournal {
    std::string serial;       // the scale's serial number: a journal is only ever its own scale's
    std::string imageSha256;  // of the update file, lower-case hex
    std::string imageFile;    // the journal's own copy of the update file
    std::string backupFile;   // the tables saved before the run; "" when there were none to keep
    std::string started;      // local date and time the run began, "2026-12-08 14:03"
    std::string phase = "started";
    std::size_t pages = 0;  // pages reached in that phase

    bool operator==(const UpdateJournal&) const = default;
};

std::string formatJournal(const UpdateJournal& journal);

// The journal in `text`, or nullopt with `error` saying why it is no journal (damaged, another
// format, a field missing or wrong).
std::optional<UpdateJournal> parseJournal(std::string_view text, std::string& error);

// The name of a step as the journal writes it: "saving-tables", "writing", "verifying",
// "writing-tables-back".
std::string journalPhase(UpdateStep step, const scale::Progress& progress);

// Decides when progress is worth a journal write: at each phase change and every kJournalPages
// pages of a phase.
class JournalPace {
public:
    bool due(const std::string& phase, std::size_t pages);

private:
    std::string m_phase;
    std::size_t m_written = 0;
};

}  // namespace vantor::firmware
