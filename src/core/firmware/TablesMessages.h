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

}  // namespace tables_text

}  // namespace vantor::firmware
