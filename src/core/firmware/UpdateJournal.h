#pragma once

// The run journal: what an update that has begun writing must remember so that the next start can
// finish it, whatever stopped it (the program closed, the computer crashed or slept, the power
// failed). One small text file a scale, "key=value" lines under a first line that names the
// format; written whole before the first unlock, again at each phase change and every
// kJournalPages pages, and removed once the scale verified and its tables are back.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/firmware/ImageBuffer.h"
#include "core/firmware/UpdateStep.h"

namespace vantor::firmware {

inline constexpr const char* kJournalFormat = "vantor-update-journal 1";
// Pages between two journal writes within one phase.
inline constexpr std::size_t kJournalPages = 32;

struct UpdateJournal {
    std::string serial;       // the scale's serial number: a journal is only ever its own scale's
    std::string imageSha256;  // of the update file, lower-case hex
    std::string imageFile;    // the journal's own copy of the update file
    std::string backupFile;   // the tables saved before the run; "" when there were none to keep
    // Of the tables region as read before the run, lower-case hex; "" when it was not read (the
    // update was to erase it). Tells the scale whose tables they are from another with its number.
    std::string tablesSha256;
    std::string started;  // local date and time the run began, "2026-12-08 14:03"
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

// The phase a journal is left in when the user declined to write the tables back: the scale is
// updated, and its tables are offered again until they are written or the user leaves them out.
inline constexpr const char* kTablesDeclinedPhase = "tables-declined";

// What the scale's tables region holds now, against an unfinished update's journal.
enum class RegionVerdict {
    Intact,   // the tables as read before that update: nothing of them was written over
    Updated,  // only what an update writes there (the update file's pages, erased pages) and the
              // saved tables' own pages: the region as that update left it
    Other,    // pages of neither: another scale's tables, or a page cut short mid-write
};

// `saved`: the tables the journal's backup holds, when it can be read; `savedSha256`: the
// journal's digest of them ("" in a journal written before digests were kept); `image`: the
// update being written.
RegionVerdict judgeRegion(std::span<const Byte> region, const std::optional<Bytes>& saved,
                          const std::string& savedSha256, const ImageBuffer& image);

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
