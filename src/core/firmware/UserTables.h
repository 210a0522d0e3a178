#pragma once

// The user's own tables in the scale: the zone table and the six blank-key blocks, which lie
// together in 0x8000..0x91FF. A software update rewrites the whole memory, so the program reads
// this region before an update and can write it back afterwards. Plain sequential code over the
// scale link, like the run itself.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/firmware/ImageBuffer.h"
#include "core/firmware/IntelHexLoader.h"
#include "core/scale/OperationResult.h"
#include "core/scale/PageWrite.h"
#include "core/scale/ScaleProtocol.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::firmware {

inline constexpr std::uint32_t kTablesStart = 0x8000;
inline constexpr std::uint32_t kTablesEnd = 0x9200;  // one past the last byte of the region
inline constexpr std::size_t kTablesSize = kTablesEnd - kTablesStart;
inline constexpr std::size_t kTablesPages = kTablesSize / scale::kPageSize;
// Bytes in one data record of a backup file: two records a page.
inline constexpr std::size_t kBackupRecordSize = 32;

// Whether the page at `address` lies in the region. Its pages are read until two reads agree
// (ReadAgreedPage): what is read there is saved and may be written back.
bool inTablesRegion(std::uint32_t address);

struct TablesRead {
    std::optional<Bytes> tables;    // kTablesSize bytes, when every page was read
    scale::OperationResult result;  // how the read ended: the page that could not be read, if one
};

// Reads the region with the page-read loop (ReadPages), each page until two reads agree: nothing
// is written.
// `progress` is told {Read, pages read, pages in all} after each page.
TablesRead readTables(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                      const std::atomic<bool>& cancel);

// Whether any byte of the region was ever programmed (an erased byte is FF).
bool holdsTables(std::span<const Byte> tables);
// Whether the image leaves the region erased, so that writing it wipes the user's tables.
bool leavesTablesBlank(const ImageBuffer& image);

// The region as an Intel HEX file: 32-byte data records in address order, CR LF line ends, an end
// record; no extended address record, since the region lies below 64 KiB.
std::string tablesHex(std::span<const Byte> tables);

// A page to write back: its address and its 128 bytes.
// The region's 36 pages, for writing a whole backup back.
std::vector<scale::PageToWrite> tablePages(std::span<const Byte> tables);

struct TablesFile {
    std::vector<scale::PageToWrite> pages;  // the pages of the region the file covers, in address order
    std::string error;                      // why the file cannot be restored ("" when it can)
};

// Why a file read by the image loader cannot be restored: the loader's refusal, a record that
// changes bytes an earlier one set, records after the end record, data outside the region, or no
// data in it. "" when it can; checked before the scale is contacted.
std::string tablesFileError(const HexLoad& load);

// The pages a backup that passed tablesFileError() covers. A page the file covers only in part
// keeps the scale's current bytes where the file has none: `currentPage` is asked for them
// (nullopt when they could not be read, which refuses the whole file).
TablesFile tablesFromHex(const HexLoad& load,
                         const std::function<std::optional<Bytes>(std::uint16_t)>& currentPage);

// Writes each page with the page-write rules (unlock with `serial`, write, read back, four tries
// a stage), in order, stopping at the first page that fails.
scale::OperationResult writeTables(scale::ScaleTransport& transport,
                                   const std::vector<scale::PageToWrite>& pages,
                                   const scale::SerialBytes& serial, const scale::ProgressSink& progress,
                                   const std::atomic<bool>& cancel);

// A backup file of the tables, saved or not.
struct SavedBackup {
    std::string path;   // where it was (or was to be) saved
    std::string error;  // why it could not be saved; "" when it was
    bool saved() const { return error.empty(); }
};

// The backup's file name: "Tables-12345678-20261208-051320.hex" for the scale's serial number and
// the local date and time of the backup; the `n`th name tried for them (from 1) gets "-n" before
// ".hex" from the second on.
std::string backupFileName(const std::string& serial, const std::tm& when, unsigned n = 1);
// The serial number in a backup's file name as backupFileName() makes it (the folders before it
// do not count); none for a name of another shape.
std::optional<std::string> backupNameSerial(const std::filesystem::path& file);

// The serial number a backup was saved from: `recorded` (kept beside the file, "" when none is),
// else the one in the file's name; none when neither is known.
std::optional<std::string> backupSerial(const std::filesystem::path& file, const std::string& recorded);

// The refusal of a backup known to be another scale's, since another scale's keys and zone table
// are seldom what its owner wants; "" when `saved` is unknown or `serial` itself.
std::string otherScaleRefusal(const std::string& file, const std::optional<std::string>& saved,
                              const std::string& serial);

// The question before `pages` pages of `file` are written into the scale `serial` on `port`; a
// file saved from another scale (`saved`, written on request) says so first.
std::string restoreQuestion(std::size_t pages, const std::string& file, const std::string& serial,
                            const std::string& port, const std::optional<std::string>& saved);

}  // namespace vantor::firmware
