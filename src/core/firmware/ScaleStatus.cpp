#include "core/firmware/ScaleStatus.h"

namespace vantor::firmware {

namespace {

std::string whereItStopped(const UpdateJournal& journal) {
    const std::string pages =
        ", at least " + std::to_string(journal.pages) + (journal.pages == 1 ? " page in" : " pages in");
    if (journal.phase == kTablesDeclinedPhase)
        return "the zone table and keys were not written back";
    if (journal.phase == "writing")
        return "it stopped writing the software" + pages;
    if (journal.phase == "verifying")
        return "it stopped verifying the software" + pages;
    if (journal.phase == "writing-tables-back")
        return "it stopped writing the zone table and keys back" + pages;
    return "it stopped before its first page was written";
}

}  // namespace

std::string statusText(const std::string& port, const std::string& serial, const TablesState& tables,
                       const std::optional<HistoryRecord>& lastUpdate, const std::string& unfinished) {
    std::string text = port + " " + serial + "\n";
    text += std::string("  zone table: ") + programmedWord(tables.zoneTable) + "\n";
    text += "  keys: " + keysWords(tables) + "\n";
    text += "  last update: ";
    if (!lastUpdate)
        text += "none in the history\n";
    else
        text += shownTime(*lastUpdate) + ", " +
                (lastUpdate->open ? "not ended"
                 : lastUpdate->ok ? "ok"
                                  : "failed") +
                ": " + shownText(lastUpdate->result) + "\n";
    if (!unfinished.empty())
        text += "  unfinished: " + unfinished + "\n";
    return text;
}

std::string unfinishedText(const UpdateJournal& journal) {
    return "an update begun " + shownText(journal.started) + " did not finish (" + whereItStopped(journal) +
           "); finish it with: vantor-cli resume";
}

std::string unreadableJournalText(const std::string& path, const std::string& problem) {
    return "the journal of its last update, " + shownText(path) + ", cannot be read (" + shownText(problem) +
           "): that update may not have finished; update the scale again";
}

bool statusIsUnsettled(const std::optional<HistoryRecord>& lastUpdate, const std::string& unfinished) {
    return !unfinished.empty() || (lastUpdate && lastUpdate->open);
}

}  // namespace vantor::firmware
