#include "firmware/UpdateHistory.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "firmware/Sha256.h"

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

void appendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

// Tenths of a second, written without the locale's decimal point.
std::string secondsText(double seconds) {
    const double tenths =
        std::isfinite(seconds) && seconds > 0 ? std::round(std::min(seconds, kMaxSeconds) * 10) : 0;
    const auto whole = static_cast<unsigned long long>(tenths);
    return std::to_string(whole / 10) + "." + std::to_string(whole % 10);
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A value of a flat JSON object: the only kinds a record holds.
struct Value {
    enum class Kind { String, Number, Bool, Null } kind = Kind::Null;
    std::string text;
    double number = 0;
    bool flag = false;
};

// Reads one flat JSON object: string keys; string, number, true, false or null values.
class FlatObjectReader {
public:
    explicit FlatObjectReader(std::string_view text) : m_text(text) {}

    std::optional<std::map<std::string, Value>> read() {
        std::map<std::string, Value> fields;
        if (!take('{'))
            return std::nullopt;
        if (!take('}')) {
            do {
                std::string key;
                Value value;
                if (!readString(key) || !take(':') || !readValue(value))
                    return std::nullopt;
                fields[key] = std::move(value);
            } while (take(','));
            if (!take('}'))
                return std::nullopt;
        }
        skipBlanks();
        if (m_at != m_text.size())
            return std::nullopt;
        return fields;
    }

private:
    void skipBlanks() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\r'))
            ++m_at;
    }

    bool take(char c) {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    bool takeWord(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    bool readValue(Value& value) {
        skipBlanks();
        if (m_at >= m_text.size())
            return false;
        const char c = m_text[m_at];
        if (c == '"') {
            value.kind = Value::Kind::String;
            return readString(value.text);
        }
        if (takeWord("true") || takeWord("false")) {
            value.kind = Value::Kind::Bool;
            value.flag = c == 't';
            return true;
        }
        if (takeWord("null"))
            return true;
        value.kind = Value::Kind::Number;
        return readNumber(value.number);
    }

    bool readNumber(double& number) {
        const std::size_t start = m_at;
        while (m_at < m_text.size() &&
               std::string_view("+-0123456789.eE").find(m_text[m_at]) != std::string_view::npos)
            ++m_at;
        const char* first = m_text.data() + start;
        const char* last = m_text.data() + m_at;
        const auto [end, error] = std::from_chars(first, last, number);
        return start < m_at && error == std::errc() && end == last && std::isfinite(number);
    }

    bool readHex4(std::uint32_t& code) {
        if (m_at + 4 > m_text.size())
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexDigitValue(m_text[m_at++]);
            if (digit < 0)
                return false;
            code = code * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    bool readEscape(std::string& out) {
        if (m_at >= m_text.size())
            return false;
        const char c = m_text[m_at++];
        static constexpr std::string_view kPlain = "\"\\/", kFrom = "bfnrt", kTo = "\b\f\n\r\t";
        if (kPlain.find(c) != std::string_view::npos) {
            out += c;
            return true;
        }
        if (const auto at = kFrom.find(c); at != std::string_view::npos) {
            out += kTo[at];
            return true;
        }
        std::uint32_t code = 0;
        if (c != 'u' || !readHex4(code))
            return false;
        if (code >= 0xDC00 && code <= 0xDFFF)
            return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = 0;
            if (!takeWord("\\u") || !readHex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
        return true;
    }

    bool readString(std::string& out) {
        if (!take('"'))
            return false;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\')
                out += c;
            else if (!readEscape(out))
                return false;
        }
        return false;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

bool takeText(const std::map<std::string, Value>& fields, const char* name, std::string& out, bool required,
              bool nullable = false) {
    const auto it = fields.find(name);
    if (it == fields.end())
        return !required;
    if (nullable && it->second.kind == Value::Kind::Null)
        return true;
    if (it->second.kind != Value::Kind::String)
        return false;
    out = it->second.text;
    return true;
}

bool takeNumber(const std::map<std::string, Value>& fields, const char* name, double& out) {
    const auto it = fields.find(name);
    if (it == fields.end())
        return true;
    if (it->second.kind != Value::Kind::Number || it->second.number < 0)
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
    appendString(line, record.time);
    line += ",\"serial\":";
    appendString(line, record.serial);
    line += ",\"operation\":";
    appendString(line, record.operation);
    line += ",\"what\":";
    appendString(line, record.what);
    line += ",\"sha256\":";
    if (record.sha256.empty())
        line += "null";
    else
        appendString(line, record.sha256);
    line += ",\"result\":";
    appendString(line, record.result);
    line += std::string(",\"ok\":") + (record.ok ? "true" : "false");
    line += ",\"pages\":" + std::to_string(record.pages);
    line += ",\"seconds\":" + secondsText(record.seconds);
    return line + "}\n";
}

std::optional<HistoryRecord> parseHistoryLine(std::string_view line) {
    if (line.size() > kMaxLine)
        return std::nullopt;
    const auto fields = FlatObjectReader(line).read();
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
        ok->second.kind != Value::Kind::Bool)
        return std::nullopt;
    if (pages != std::floor(pages) || pages > kMaxPages || record.seconds > kMaxSeconds)
        return std::nullopt;
    record.pages = static_cast<std::size_t>(pages);
    record.ok = ok->second.flag;
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
        if (line.find_first_not_of(" \t\r") == std::string_view::npos)
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

std::optional<HistoryRecord> lastUpdate(const std::vector<HistoryRecord>& records, std::string_view serial) {
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->serial == serial &&
            (it->operation == history_operation::kUpdate || it->operation == history_operation::kResume))
            return *it;
    return std::nullopt;
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
    return pad(shownTime(record), 19) + "  " + pad(record.serial.empty() ? "-" : record.serial, 8) + "  " +
           pad(record.operation, 9) + "  " + pad(record.ok ? "ok" : "failed", 7) + "  " +
           padLeft(std::to_string(record.pages), 5) + "  " + padLeft(secondsText(record.seconds), 7) + "  " +
           pad(what, 12) + "  " + record.result + "\n";
}

}  // namespace vantor::firmware
