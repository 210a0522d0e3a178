#include "core/firmware/FlatJson.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "core/scale/Bytes.h"

namespace vantor::firmware {

namespace {

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

// Reads one flat JSON object: string keys; string, number, true, false or null values.
class FlatObjectReader {
public:
    explicit FlatObjectReader(std::string_view text) : m_text(text) {}

    std::optional<JsonObject> read() {
        JsonObject fields;
        if (!take('{'))
            return std::nullopt;
        if (!take('}')) {
            do {
                std::string key;
                JsonValue value;
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

    bool readValue(JsonValue& value) {
        skipBlanks();
        if (m_at >= m_text.size())
            return false;
        const char c = m_text[m_at];
        if (c == '"') {
            value.kind = JsonValue::Kind::String;
            return readString(value.text);
        }
        if (takeWord("true") || takeWord("false")) {
            value.kind = JsonValue::Kind::Bool;
            value.flag = c == 't';
            return true;
        }
        if (takeWord("null"))
            return true;
        value.kind = JsonValue::Kind::Number;
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

}  // namespace

std::optional<JsonObject> readFlatJsonObject(std::string_view text) {
    return FlatObjectReader(text).read();
}

void appendJsonString(std::string& out, std::string_view text) {
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

}  // namespace vantor::firmware
