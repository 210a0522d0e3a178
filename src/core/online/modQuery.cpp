#include "core/online/modQuery.h"

#include "core/online/clsRC4.h"

namespace vantor::online {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kRowDelimiter = '\n';
constexpr char kFieldEnd = '|';
constexpr char kEscape = '\\';
constexpr std::string_view kFieldSpecials = "\\|";
// Counts are read only as far as it takes to know they are too large.
constexpr long long kCountCeiling = 1'000'000;
constexpr std::string_view kEmptyErrorMessage = "The server reported an error without a message.";

bool keptAsIs(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// The two Take functions work on a view that they shorten; the std::string forms wrap them.
std::string takeToken(std::string_view& s, char delimiter) {
    if (s.empty())
        return {};
    const std::size_t at = s.find(delimiter);
    if (at == std::string_view::npos) {
        std::string all(s);
        s = {};
        return all;
    }
    std::string token(s.substr(0, at));
    s = trimSpaces(s.substr(at + 1));
    return token;
}

std::string takeField(std::string_view& s) {
    if (s.empty())
        return {};
    if (s.find(kFieldEnd) == std::string_view::npos) {
        std::string all(s);
        s = {};
        return all;
    }
    std::string value;
    bool escaped = false;
    std::size_t p = 0;
    while (p < s.size()) {
        if (escaped) {
            // An escape covers exactly the next character, whatever it is.
            value += s[p++];
            escaped = false;
            continue;
        }
        const std::size_t special = s.find_first_of(kFieldSpecials, p);
        if (special == std::string_view::npos)
            break;
        value.append(s.substr(p, special - p));
        if (s[special] == kFieldEnd) {
            s.remove_prefix(special + 1);
            return value;
        }
        escaped = true;
        p = special + 1;
    }
    if (p < s.size())
        value.append(s.substr(p));
    s = {};
    return value;
}

// The leading decimal number of a count line: spaces, an optional sign, digits; anything after
// (a CR, other text) is ignored and a line without digits counts 0.
long long leadingNumber(std::string_view token) {
    std::size_t p = 0;
    while (p < token.size() && (token[p] == ' ' || token[p] == '\t'))
        ++p;
    bool negative = false;
    if (p < token.size() && (token[p] == '-' || token[p] == '+'))
        negative = token[p++] == '-';
    long long value = 0;
    for (; p < token.size() && token[p] >= '0' && token[p] <= '9'; ++p) {
        value = value * 10 + (token[p] - '0');
        if (value > kCountCeiling)
            value = kCountCeiling;
    }
    return negative ? -value : value;
}

bool shapeable(long long count) {
    return count >= 1 && count <= kMaxTableDimension;
}

void appendEscaped(std::string& out, const std::string& value) {
    for (char c : value) {
        if (c == kEscape || c == kFieldEnd)
            out += kEscape;
        out += c;
    }
}

}  // namespace

std::string EncodeForWire(const std::string& text) {
    clsRC4 cipher;
    return EncodeQueryText(cipher.EncryptString(text, std::string(kQueryKey)));
}

std::string DecodeFromWire(std::string_view wireText) {
    clsRC4 cipher;
    return cipher.DecryptString(DecodeReplyText(wireText), std::string(kQueryKey));
}

std::string BuildQueryBody(std::string_view fieldName, const std::string& statement) {
    std::string body;
    body += "--";
    body += kQueryBoundary;
    body += kCrLf;
    body += "content-disposition: form-data; name=\"";
    body += fieldName;
    body += "\"";
    body += kCrLf;
    body += kCrLf;
    body += EncodeForWire(statement);
    body += kCrLf;
    body += "--";
    body += kQueryBoundary;
    return body;
}

std::string EncodeQueryText(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (keptAsIs(c)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kDigits[c >> 4];
            encoded += kDigits[c & 0x0F];
        }
    }
    return encoded;
}

std::string DecodeReplyText(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    std::size_t p = 0;
    while (p < text.size()) {
        const char c = text[p];
        if (c == '+') {
            decoded += ' ';
            p += 1;
        } else if (c == '%') {
            const std::string_view digits = text.substr(p + 1, 2);
            if (!digits.empty())
                decoded += HexDecodeText(std::string(digits));
            p += 3;
        } else {
            decoded += c;
            p += 1;
        }
    }
    return decoded;
}

std::string TakeToken(std::string& s, char delimiter) {
    std::string_view view(s);
    std::string token = takeToken(view, delimiter);
    s = std::string(view);
    return token;
}

std::string TakeField(std::string& s) {
    std::string_view view(s);
    std::string value = takeField(view);
    s = std::string(view);
    return value;
}

QueryTable ParseRows(std::string reply) {
    std::string_view rest(reply);
    const long long rows = leadingNumber(takeToken(rest, kRowDelimiter));
    if (!shapeable(rows))
        return {};
    const long long fields = leadingNumber(takeToken(rest, kRowDelimiter));
    if (!shapeable(fields))
        return {};

    // Values stop where the reply does; the cells after that read as empty text.
    std::vector<std::string> values;
    const long long cells = rows * fields;
    for (long long cell = 0; cell < cells && !rest.empty(); ++cell)
        values.push_back(takeField(rest));
    return QueryTable(static_cast<int>(rows), static_cast<int>(fields), std::move(values));
}

QueryResult ReadFetchReply(std::string_view responseBody) {
    QueryResult result;
    if (responseBody.empty()) {
        result.message = kNoResponseMessage;
        return result;
    }
    std::string reply = DecodeFromWire(responseBody);
    if (reply.starts_with(kErrorReplyMark)) {
        result.message = reply.substr(kErrorReplyMark.size());
        if (result.message.empty())
            result.message = kEmptyErrorMessage;
        return result;
    }
    result.rows = ParseRows(std::move(reply));
    return result;
}

QueryResult ReadExecuteReply(std::string_view responseBody) {
    QueryResult result;
    if (responseBody.empty()) {
        result.message = kNoResponseMessage;
        return result;
    }
    std::string reply = DecodeFromWire(responseBody);
    result.executed = reply == kExecutedReply;
    if (!result.executed)
        result.message = reply.empty() ? std::string(kNoResponseMessage) : std::move(reply);
    return result;
}

std::string FormatRows(int fieldCount, const std::vector<std::vector<std::string>>& rows) {
    std::string reply =
        std::to_string(rows.size()) + kRowDelimiter + std::to_string(fieldCount) + kRowDelimiter;
    for (const std::vector<std::string>& row : rows) {
        for (int field = 0; field < fieldCount; ++field) {
            if (static_cast<std::size_t>(field) < row.size())
                appendEscaped(reply, row[static_cast<std::size_t>(field)]);
            reply += kFieldEnd;
        }
    }
    return reply;
}

std::string FormatErrorReply(std::string_view message) {
    return std::string(kErrorReplyMark) + std::string(message);
}

}  // namespace vantor::online
