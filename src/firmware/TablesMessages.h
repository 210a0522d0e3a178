#pragma once

// What the update form tells the user about the zone table and keys it keeps across an update,
// and what it decides to offer. Line breaks are written as "\n".

#include <cstdint>
#include <span>
#include <string>

#include "firmware/ImageBuffer.h"

namespace vantor::firmware {

// After a verified run, with the tables read before it.
enum class TablesAfterUpdate {
    Nothing,           // the scale held no programmed tables: nothing to say or do
    OfferRestore,      // the update file left the region blank: offer to write the saved tables back
    FileBringsTables,  // the update file brought tables of its own: they stay, the backup is named
};
TablesAfterUpdate tablesAfterUpdate(const ImageBuffer& image, std::span<const Byte> backup);

namespace tables_text {

inline constexpr const char* kSaving = "Saving your zone table and keys...";
inline constexpr const char* kRestoring = "Writing your zone table and keys back into the scale...";

// The tables could not be read before the run (the run went on without them).
std::string noBackup(std::uint32_t failedPage);
// The tables were read but could not be saved to a file (the run went on; they are kept in memory).
std::string notSaved(const std::string& path, const std::string& reason);
std::string offerRestore(const std::string& path);
std::string restored();
std::string notRestored(const std::string& reason, const std::string& path);
std::string fileBringsTables(const std::string& path);

}  // namespace tables_text

}  // namespace vantor::firmware
