#pragma once

// What the update form tells the user about the zone table and keys it keeps across an update,
// and what it decides to offer. Line breaks are written as "\n".

#include <cstdint>
#include <span>
#include <string>

#include "core/app/Message.h"
#include "core/firmware/ImageBuffer.h"
#include "core/scale/OperationResult.h"

namespace vantor::firmware {

// After a verified run, with the tables read before it.
enum class TablesAfterUpdate {
    Nothing,           // the scale held no programmed tables: nothing to say or do
    OfferRestore,      // the update file left the region blank: offer to write the saved tables back
    FileBringsTables,  // the update file brought tables of its own: they stay, the backup is named
};
TablesAfterUpdate tablesAfterUpdate(const ImageBuffer& image, std::span<const Byte> backup);

// The line the error dialog and the quit question add while an update keeps the user's tables.
inline constexpr const char* kTablesSavedLine =
    "Your zone table and keys are saved: they will be written back when the update is finished.";

namespace tables_text {

inline constexpr const char* kSaving = "Saving your zone table and keys...";
inline constexpr const char* kRestoring = "Writing your zone table and keys back into the scale...";

// Where the tables are when no backup file holds them.
std::string memoryOnly(const std::string& reason);

// Before the run, when a page of the tables did not come back (`read` says which and why): a
// question, No by default.
Message unreadQuestion(const scale::OperationResult& read);
// Before the run, when the tables were read but no backup file could be saved: a question, No by
// default; the tables are then held in memory only.
Message notSavedQuestion(const std::string& path, const std::string& reason);
// After the run, when the update left the tables blank: a question.
Message offerRestore(const std::string& path);
Message restored();
Message notRestored(const std::string& reason, const std::string& path);
Message fileBringsTables(const std::string& path);
// The scale's region read blank, but an earlier backup of the scale holds tables.
Message blankButBackedUp(const std::string& path);
// The history's result when the user declined to write the tables back.
std::string declinedRecord(const std::string& where);
// The final screen's line when the tables were not written back.
std::string notInScale(const std::string& where);
// Before the run: the scale `serial` holds tables other than those saved in `path` before an
// unfinished update of that number. A question, No by default: No writes nothing.
Message differQuestion(const std::string& serial, const std::string& path);
// Before the run: the tables saved in `path` before an unfinished update cannot be read, and the
// update wrote over the scale's own. A question, No by default.
Message lostQuestion(const std::string& path);
// At the next start, when the tables of the update of `serial` were not written back (`when`):
// Yes writes them, No leaves them out for good, Cancel asks again at the next start.
Message declinedOffer(const std::string& serial, const std::string& when, const std::string& path);

}  // namespace tables_text

}  // namespace vantor::firmware
