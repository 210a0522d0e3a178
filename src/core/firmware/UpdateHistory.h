#pragma once

// The update history: one record for every update, key write, zone write, backup, restore and
// resume, from the program and from vantor-cli, kept as JSON lines in the data folder. The file is
// only ever appended to, one whole line a record:
//
//   {"time":"2026-12-08T13:06:33+01:00","serial":"24681357","operation":"update","what":"",
//    "sha256":"3f5a...","result":"All 512 pages were written and verified.","ok":true,
//    "pages":512,"seconds":71.2}
//
// (one line in the file). "time" is the local time with its offset from UTC; "serial" is "" when
// the scale gave none; "operation" is one of the names below; "what" says what was written or read
// ("key 3", "origin 606", a file), "" when the operation says it all; "sha256" is the digest of the
// 65,536-byte image an update wrote (as `vantor-cli image SOURCE --serial SERIAL` builds it), null
// where there is none; "result" is the one result's sentence; "ok" whether it succeeded; "pages"
// the pages written; "seconds" how long it took. An update or resume writes a record with
// "open":true as its run begins, which the record of its end closes: an open record with no later
// record of the same scale's update is an update that never ended (the program was killed, the
// computer lost its power). Readers ignore fields they do not know, and skip a line that is not
// such a record.

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/firmware/ImageBuffer.h"
#include "core/scale/OperationResult.h"

namespace vantor::firmware {

namespace history_operation {
inline constexpr std::string_view kUpdate = "update";
inline constexpr std::string_view kKey = "key";
inline constexpr std::string_view kZones = "zones";
inline constexpr std::string_view kBackup = "backup";
inline constexpr std::string_view kRestore = "restore";
inline constexpr std::string_view kResume = "resume";
}  // namespace history_operation

struct HistoryRecord {
    std::string time;
    std::string serial;
    std::string operation;
    std::string what;
    std::string sha256;  // "" where there is none
    std::string result;
    bool ok = false;
    std::size_t pages = 0;
    double seconds = 0;
    bool open = false;  // the record of an update's beginning, closed by the next one of its scale

    friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};

// The record of an operation that ended with `result`: its serial number, its sentence, whether it
// succeeded and the pages it wrote (none for a read). The time is stamped when it is appended.
HistoryRecord historyRecord(std::string_view operation, const scale::OperationResult& result,
                            std::string what, double seconds);

// The record written as an update's run begins (`operation`: update or resume).
HistoryRecord openingRecord(std::string_view operation);

// The record of an update's run: as historyRecord, with the digest of the image the run wrote into
// the scale (`image` with the run's serial number packed); none when the scale gave no number.
HistoryRecord updateRecord(const ImageBuffer& image, const scale::OperationResult& run, double seconds);

// "2026-12-08T13:06:33+01:00" for the local time `local`, `utcOffsetSeconds` ahead of UTC.
std::string historyTime(const std::tm& local, long utcOffsetSeconds);

// The record as one line of the file, ending in a line feed.
std::string historyLine(const HistoryRecord& record);

// The record one line holds (without its line end); nullopt when the line is no such record.
std::optional<HistoryRecord> parseHistoryLine(std::string_view line);

struct HistoryRead {
    std::vector<HistoryRecord> records;     // in the file's order: oldest first
    std::vector<std::size_t> damagedLines;  // numbered from 1; blank lines are not counted as damaged
};

// Every record of a history file's content. A damaged line is skipped, but a whole record glued to
// its end (a record appended after a write that was cut short) is kept.
HistoryRead readHistory(std::string_view content);

// The newest record of an update of the scale `serial`, if there is one: an open one when the
// newest update never ended.
std::optional<HistoryRecord> lastUpdate(const std::vector<HistoryRecord>& records, std::string_view serial);

// The records without the openings their updates' ends have closed.
std::vector<HistoryRecord> withoutClosedOpenings(const std::vector<HistoryRecord>& records);

// The table `vantor-cli history` prints: its heading, and one line a record; an opening never
// closed shows as "unended".
std::string historyTableHeading();
std::string historyTableLine(const HistoryRecord& record);

// A field as a terminal may show it: line ends as \n and \r, other control characters as \x1B,
// so that no field moves the cursor, clears the screen or makes a row of its own. The tab is
// escaped too, as the columns would no longer line up.
std::string shownText(std::string_view text);

// "2026-12-08 13:06:33": the record's time as the table shows it (the stored text when it is not
// in the history's own form).
std::string shownTime(const HistoryRecord& record);

}  // namespace vantor::firmware
