#include "core/firmware/UpdateHistory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/app/Trimmed.h"
#include "core/firmware/FlatJson.h"
#include "core/firmware/Sha256.h"

namespace vantor::firmware {

namespace {

// Every record begins so; a record glued to the end of a damaged line is found by it.
constexpr std::string_view kRecordStart = "{\"time\":";
// Longer lines are no record of ours.
constexpr std::size_t kMaxLine = 64 * 1024;
constexpr std::size_t kShownDigest = 12;  // digits of the digest the table shows
constexpr std::size_t kMaxPages = 1 << 20;
// No operation on a scale takes a year; a longer duration is no record of ours.
constexpr double kMaxSeconds = 365.0 * 24 * 3600;

// Tenths of a second, written without the locale's decimal point.
std::string secondsText(double seconds) {
    const double tenths =
        std::isfinite(seconds) && seconds > 0 ? std::round(std::min(seconds, kMaxSeconds) * 10) : 0;
    const auto whole = static_cast<unsigned long long>(tenths);
    return std::to_string(whole / 10) + "." + std::to_string(whole % 10);
}

bool takeText(const JsonObject& fields, const char* name, std::string& out, bool required,
              bool nullable = false) {
    const auto it = fields.find(name);
    if (it == fields.end())
        return !required;
    if (nullable && it->second.kind == JsonValue::Kind::Null)
        return true;
    if (it->second.kind != JsonValue::Kind::String)
        return false;
    out = it->second.text;
    return true;
}

bool takeNumber(const JsonObject& fields, const char* name, double& out) {
    const auto it = fields.find(name);
    if (it == fields.end())
        return true;
    if (it->second.kind != JsonValue::Kind::Number || it->second.number < 0)
        return false;
    out = it->second.number;
    return true;
}

std::string pad(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string padLeft(const std::string& text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

}  // namespace

HistoryRecord historyRecord(std::string_view operation, const scale::OperationResult& result,
                            std::string what, double seconds) {
    HistoryRecord record;
    record.serial = result.serial;
    record.operation = operation;
    record.what = std::move(what);
    record.result = scale::describe(result);
    record.ok = result.succeeded();
    record.pages = result.stage == scale::Stage::Read ? 0 : result.pagesDone;
    record.seconds = seconds;
    return record;
}

HistoryRecord openingRecord(std::string_view operation) {
    HistoryRecord record;
    record.operation = operation;
    record.result = "Begun; not ended.";
    record.open = true;
    return record;
}

HistoryRecord updateRecord(const ImageBuffer& image, const scale::OperationResult& run, double seconds) {
    HistoryRecord record = historyRecord(history_operation::kUpdate, run, "", seconds);
    if (!run.serial.empty()) {
        ImageBuffer written = image;
        written.UpdateSN(run.serial);
        record.sha256 = sha256Hex(written.bytes());
    }
    return record;
}

std::string historyTime(const std::tm& local, long utcOffsetSeconds) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    // Offsets lie within a day either way.
    const int minutes = static_cast<int>(std::labs(utcOffsetSeconds) / 60 % (24 * 60));
    char offset[16];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", utcOffsetSeconds < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return std::string(stamp) + offset;
}

std::string historyLine(const HistoryRecord& record) {
    std::string line = "{\"time\":";
    appendJsonString(line, record.time);
    line += ",\"serial\":";
    appendJsonString(line, record.serial);
    line += ",\"operation\":";
    appendJsonString(line, record.operation);
    line += ",\"what\":";
    appendJsonString(line, record.what);
    line += ",\"sha256\":";
    if (record.sha256.empty())
        line += "null";
    else
        appendJsonString(line, record.sha256);
    line += ",\"result\":";
    appendJsonString(line, record.result);
    line += std::string(",\"ok\":") + (record.ok ? "true" : "false");
    line += ",\"pages\":" + std::to_string(record.pages);
    line += ",\"seconds\":" + secondsText(record.seconds);
    if (record.open)
        line += ",\"open\":true";
    return line + "}\n";
}

std::optional<HistoryRecord> parseHistoryLine(std::string_view line) {
    if (line.size() > kMaxLine)
        return std::nullopt;
    const auto fields = readFlatJsonObject(line);
    if (!fields)
        return std::nullopt;
    HistoryRecord record;
    double pages = 0;
    const auto ok = fields->find("ok");
    if (!takeText(*fields, "time", record.time, true) ||
        !takeText(*fields, "operation", record.operation, true) ||
        !takeText(*fields, "result", record.result, true) ||
        !takeText(*fields, "serial", record.serial, false) ||
        !takeText(*fields, "what", record.what, false) ||
        !takeText(*fields, "sha256", record.sha256, false, true) || !takeNumber(*fields, "pages", pages) ||
        !takeNumber(*fields, "seconds", record.seconds) || ok == fields->end() ||
        ok->second.kind != JsonValue::Kind::Bool)
        return std::nullopt;
    if (pages != std::floor(pages) || pages > kMaxPages || record.seconds > kMaxSeconds)
        return std::nullopt;
    record.pages = static_cast<std::size_t>(pages);
    record.ok = ok->second.flag;
    if (const auto open = fields->find("open"); open != fields->end()) {
        if (open->second.kind != JsonValue::Kind::Bool)
            return std::nullopt;
        record.open = open->second.flag;
    }
    return record;
}

HistoryRead readHistory(std::string_view content) {
    HistoryRead read;
    std::size_t number = 0;
    while (!content.empty()) {
        // Lines end with LF, CR LF or a lone CR: no record holds a raw CR or LF of its own.
        const std::size_t end = content.find_first_of("\r\n");
        std::string_view line = content.substr(0, end);
        std::size_t next = end == std::string_view::npos ? content.size() : end + 1;
        if (end != std::string_view::npos && content[end] == '\r' && next < content.size() &&
            content[next] == '\n')
            ++next;
        content = content.substr(next);
        ++number;
        if (trimmed(line, kLineBlanks).empty())
            continue;
        if (auto record = parseHistoryLine(line)) {
            read.records.push_back(std::move(*record));
            continue;
        }
        read.damagedLines.push_back(number);
        if (const std::size_t glued = line.rfind(kRecordStart); glued != std::string_view::npos && glued > 0)
            if (auto record = parseHistoryLine(line.substr(glued)))
                read.records.push_back(std::move(*record));
    }
    return read;
}

namespace {

bool isUpdate(const HistoryRecord& record) {
    return record.operation == history_operation::kUpdate || record.operation == history_operation::kResume;
}

}  // namespace

std::optional<HistoryRecord> lastUpdate(const std::vector<HistoryRecord>& records, std::string_view serial) {
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->serial == serial && isUpdate(*it))
            return *it;
    return std::nullopt;
}

std::vector<HistoryRecord> withoutClosedOpenings(const std::vector<HistoryRecord>& records) {
    std::vector<HistoryRecord> kept;
    std::vector<std::string> closed;  // scales whose later update record closes an opening
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (!isUpdate(*it)) {
            kept.push_back(*it);
            continue;
        }
        const bool closes = std::find(closed.begin(), closed.end(), it->serial) != closed.end();
        if (it->open && closes) {
            std::erase(closed, it->serial);  // one end closes one beginning
            continue;
        }
        if (!it->open && !closes)
            closed.push_back(it->serial);
        kept.push_back(*it);
    }
    return {kept.rbegin(), kept.rend()};
}

std::string shownTime(const HistoryRecord& record) {
    // "YYYY-MM-DDTHH:MM:SS": the date and the time, the offset left out.
    constexpr std::size_t kDateTime = 19;
    if (record.time.size() < kDateTime || record.time[10] != 'T')
        return record.time;
    std::string shown = record.time.substr(0, kDateTime);
    shown[10] = ' ';
    return shown;
}

std::string historyTableHeading() {
    return "TIME                 SERIAL    OPERATION  OUTCOME  PAGES  SECONDS  WHAT          RESULT\n";
}

std::string historyTableLine(const HistoryRecord& record) {
    std::string what = record.what;
    if (what.empty())
        what = record.sha256.empty() ? "-" : record.sha256.substr(0, kShownDigest);
    return pad(shownText(shownTime(record)), 19) + "  " +
           pad(record.serial.empty() ? "-" : shownText(record.serial), 8) + "  " +
           pad(shownText(record.operation), 9) + "  " +
           pad(record.open ? "unended"
               : record.ok ? "ok"
                           : "failed",
               7) +
           "  " + padLeft(std::to_string(record.pages), 5) + "  " + padLeft(secondsText(record.seconds), 7) +
           "  " + pad(shownText(what), 12) + "  " + shownText(record.result) + "\n";
}

std::string shownText(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // C1 controls as UTF-8 (U+0080..U+009F) are read as escape sequences by terminals too.
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c < 0x20 || c == 0x7F || c1) {
            const auto code = c1 ? static_cast<unsigned char>(text[++i]) : c;
            shown += "\\x";
            shown += kDigits[code >> 4];
            shown += kDigits[code & 0xF];
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

}  // namespace vantor::firmware
