#pragma once

// The last update of a scale that did not finish, as its journal tells it: what the program offers
// to finish when it finds the scale, and `vantor-cli resume` finishes. The update that finishes it
// is set up as any other (setUpUpdate, with the journal as the one it finishes).

#include <optional>
#include <string>

#include "core/firmware/UpdateJournal.h"
#include "platform/firmware/JournalFile.h"

namespace vantor::firmware {

class UnfinishedUpdate {
public:
    // Looks for the journal of the scale `serial` in the journals' folder.
    explicit UnfinishedUpdate(std::string serial);

    const std::string& serial() const { return m_serial; }
    // A journal is there but cannot be read: that update may not have finished.
    bool damaged() const { return !m_found.problem.empty(); }
    const JournalFile::Lookup& found() const { return m_found; }
    // The unfinished update, when there is one.
    const std::optional<UpdateJournal>& journal() const { return m_found.journal; }
    // The scale was updated; only its tables, which the user declined, are left.
    bool onlyTablesLeft() const { return journal() && journal()->phase == kTablesDeclinedPhase; }
    // Why its copy of the update file cannot be used ("" when it can).
    std::string imageProblem() const;
    // The newest backup of the scale that holds tables, for a journal that cannot be read.
    std::optional<std::string> newestBackup() const;
    // Ends it for good, its tables left out: the user said so. The history records it.
    void leaveTablesOut() const;

private:
    std::string m_serial;
    JournalFile::Lookup m_found;
};

}  // namespace vantor::firmware
