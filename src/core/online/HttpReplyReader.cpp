#include "core/online/HttpReplyReader.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/app/AsciiLower.h"
#include "core/app/Trimmed.h"

namespace vantor::online {

namespace {

// Beyond any file this program downloads, and far from overflowing a count.
constexpr std::int64_t kLargestLength = std::int64_t{1} << 50;
// A chunk-size line with extensions, or one trailer line, longer than this is no honest one.
constexpr std::size_t kLongestChunkLine = 1024;

std::string_view withoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool isTokenChar(unsigned char c) {
    return std::isalnum(c) ||
           std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

std::optional<std::int64_t> parseLength(std::string_view text) {
    text = trimmed(text, kSpacesAndTabs);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > kLargestLength || !std::isdigit(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    return value;
}

// The end of the head in `text`, searched from `from`: the index just past the empty line.
std::optional<std::size_t> headEnd(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] != '\n')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '\n')
            return i + 2;
        if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n')
            return i + 3;
    }
    return std::nullopt;
}

}  // namespace

std::string HttpRequestHead(std::string_view method, const HttpTarget& target, const HttpHeaders& headers) {
    std::string hostAndPort = target.host;
    if (target.port)
        hostAndPort += ":" + std::to_string(*target.port);
    const std::string path = target.pathAndQuery.empty() ? std::string("/") : target.pathAndQuery;
    const std::string requestTarget =
        target.absoluteScheme.empty() ? path : target.absoluteScheme + "://" + hostAndPort + path;
    std::string request =
        std::string(method) + " " + requestTarget + " HTTP/1.1\r\nHost: " + hostAndPort + "\r\n";
    for (const auto& [name, value] : headers)
        request += name + ": " + value + "\r\n";
    return request + "Connection: close\r\n\r\n";
}

std::string HttpConnectRequest(const HttpTarget& target, int port, const HttpHeaders& headers) {
    const std::string authority = target.host + ":" + std::to_string(port);
    std::string request = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    for (const auto& [name, value] : headers)
        request += name + ": " + value + "\r\n";
    return request + "\r\n";
}

void HttpReplyReader::feed(std::string_view bytes, std::string& body) {
    while (!bytes.empty() && m_state == State::Head) {
        if (!readHead(bytes))
            return;
    }
    if (m_state == State::Body)
        readBody(bytes, body);
}

void HttpReplyReader::connectionEnded() {
    if (m_state == State::Body && m_framing == Framing::UntilClose) {
        m_state = State::Done;
        return;
    }
    if (m_state == State::Head)
        fail(m_pending.empty() ? "the server closed the connection without a reply"
                               : "the connection ended within the reply's head");
    else if (m_state == State::Body)
        fail("the connection ended before the reply was whole");
}

std::optional<std::string> HttpReplyReader::header(std::string_view name) const {
    const std::string wanted = asciiLower(name);
    for (const auto& [key, value] : m_headers) {
        if (key == wanted)
            return value;
    }
    return std::nullopt;
}

void HttpReplyReader::fail(std::string why) {
    m_state = State::Failed;
    m_error = std::move(why);
}

// Gathers head bytes; false while the head is not whole yet (all of `bytes` taken) or is broken.
bool HttpReplyReader::readHead(std::string_view& bytes) {
    const std::size_t searchFrom = m_pending.size() < 3 ? 0 : m_pending.size() - 3;
    m_pending.append(bytes);
    const std::optional<std::size_t> end = headEnd(m_pending, searchFrom);
    if (!end) {
        bytes = {};
        if (m_pending.size() > kLongestHead)
            fail("the reply's head is too long");
        return false;
    }
    if (*end > kLongestHead) {
        fail("the reply's head is too long");
        return false;
    }
    // What followed the head in this piece is the body's beginning.
    const std::size_t fromThisPiece = m_pending.size() - *end;
    bytes = bytes.substr(bytes.size() - std::min(fromThisPiece, bytes.size()));
    const std::string head = m_pending.substr(0, *end);
    m_pending.clear();
    return parseHead(head);
}

bool HttpReplyReader::parseHead(std::string_view head) {
    m_headers.clear();
    m_head = {};
    std::size_t lineStart = 0;
    bool first = true;
    while (lineStart < head.size()) {
        const std::size_t lineEnd = head.find('\n', lineStart);
        const std::string_view line = withoutCr(head.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (first) {
            if (!parseStatusLine(line))
                return false;
            first = false;
            continue;
        }
        if (line.empty())
            break;
        if ((line.front() == ' ' || line.front() == '\t') && !m_headers.empty()) {
            m_headers.back().second +=
                " " + std::string(trimmed(line, kSpacesAndTabs));  // an old-style folded line
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view name = line.substr(0, colon);
        if (colon == std::string_view::npos || name.empty() ||
            !std::all_of(name.begin(), name.end(),
                         [](char c) { return isTokenChar(static_cast<unsigned char>(c)); })) {
            fail("a damaged header line in the reply");
            return false;
        }
        m_headers.emplace_back(asciiLower(name),
                               std::string(trimmed(line.substr(colon + 1), kSpacesAndTabs)));
    }
    const int status = *m_head.status;
    if (status >= 100 && status < 200) {
        if (status == 101) {
            fail("the server switched to another protocol");
            return false;
        }
        return true;  // an interim answer: the real one follows
    }
    return takeFraming();
}

bool HttpReplyReader::parseStatusLine(std::string_view line) {
    const bool version = line.starts_with("HTTP/1.1 ") || line.starts_with("HTTP/1.0 ");
    const std::string_view code = version ? line.substr(9, 3) : std::string_view();
    const bool threeDigits = code.size() == 3 && std::all_of(code.begin(), code.end(), [](char c) {
                                 return std::isdigit(static_cast<unsigned char>(c));
                             });
    if (!threeDigits || (line.size() > 12 && line[12] != ' ') || code.front() == '0') {
        fail("the server's answer is not HTTP");
        return false;
    }
    m_head.status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
    m_head.statusLine = std::string(trimmed(line, kSpacesAndTabs));
    return true;
}

bool HttpReplyReader::takeFraming() {
    const int status = *m_head.status;
    m_head.contentRange = header("content-range");
    m_head.etag = header("etag");
    m_head.lastModified = header("last-modified");
    m_head.contentType = header("content-type");
    m_state = State::Body;
    if (status == 204 || status == 304) {
        m_framing = Framing::None;
        m_state = State::Done;
        return true;
    }
    if (m_connectAnswer && status >= 200 && status < 300) {
        m_framing = Framing::None;  // the tunnel's bytes follow; the answer itself has no body
        m_state = State::Done;
        return true;
    }
    // The bytes as the server stores them were asked for: a body in a coding nobody asked for
    // would be saved or read as it came, which is not the file.
    if (const std::optional<std::string> coding = header("content-encoding");
        coding && !coding->empty() && asciiLower(*coding) != "identity") {
        fail("the body comes coded as '" + *coding + "', which was not asked for");
        return false;
    }
    if (const std::optional<std::string> coding = header("transfer-encoding")) {
        // Only chunks frame a body this reader can read whole; any other coding would pass
        // through as it came.
        if (asciiLower(*coding) != "chunked") {
            fail("the body comes coded as '" + *coding + "', which was not asked for");
            return false;
        }
        m_head.chunked = true;
        m_framing = Framing::Chunked;
        m_chunkStep = ChunkStep::Size;
        return true;
    }
    std::optional<std::int64_t> length;
    for (const auto& [name, value] : m_headers) {
        if (name != "content-length")
            continue;
        // "5, 5" and a header given twice are one length only when every value agrees.
        std::string_view rest = value;
        while (true) {
            const std::size_t comma = rest.find(',');
            const std::optional<std::int64_t> each = parseLength(rest.substr(0, comma));
            if (!each || (length && *length != *each)) {
                fail("the reply's Content-Length is damaged");
                return false;
            }
            length = each;
            if (comma == std::string_view::npos)
                break;
            rest = rest.substr(comma + 1);
        }
    }
    if (!length) {
        m_framing = Framing::UntilClose;
        return true;
    }
    m_head.contentLength = length;
    m_framing = Framing::Length;
    m_left = *length;
    if (m_left == 0)
        m_state = State::Done;
    return true;
}

void HttpReplyReader::readBody(std::string_view bytes, std::string& body) {
    switch (m_framing) {
        case Framing::UntilClose:
            body.append(bytes);
            return;
        case Framing::Length: {
            const std::size_t taken = static_cast<std::size_t>(
                std::min<std::int64_t>(m_left, static_cast<std::int64_t>(bytes.size())));
            body.append(bytes.substr(0, taken));
            m_left -= static_cast<std::int64_t>(taken);
            if (m_left == 0)
                m_state = State::Done;
            return;
        }
        case Framing::Chunked:
            readChunked(bytes, body);
            return;
        case Framing::None:
            return;
    }
}

void HttpReplyReader::readChunked(std::string_view bytes, std::string& body) {
    while (!bytes.empty() && m_state == State::Body) {
        if (m_chunkStep == ChunkStep::Data) {
            const std::size_t taken = static_cast<std::size_t>(
                std::min<std::int64_t>(m_left, static_cast<std::int64_t>(bytes.size())));
            body.append(bytes.substr(0, taken));
            bytes.remove_prefix(taken);
            m_left -= static_cast<std::int64_t>(taken);
            if (m_left == 0)
                m_chunkStep = ChunkStep::DataEnd;
            continue;
        }
        const std::size_t newline = bytes.find('\n');
        m_pending.append(bytes.substr(0, newline));
        bytes = newline == std::string_view::npos ? std::string_view() : bytes.substr(newline + 1);
        if (m_pending.size() > kLongestChunkLine) {
            fail("a damaged chunk in the reply");
            return;
        }
        if (newline == std::string_view::npos)
            return;
        const std::string line(withoutCr(m_pending));
        m_pending.clear();
        if (!readChunkLine(line))
            return;
    }
}

bool HttpReplyReader::readChunkLine(std::string_view line) {
    switch (m_chunkStep) {
        case ChunkStep::Size: {
            const std::string_view digits = trimmed(line.substr(0, line.find(';')), kSpacesAndTabs);
            std::int64_t size = 0;
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size, 16);
            if (digits.empty() || digits.size() > 12 || error != std::errc() ||
                end != digits.data() + digits.size() ||
                !std::isxdigit(static_cast<unsigned char>(digits.front()))) {
                fail("a damaged chunk in the reply");
                return false;
            }
            m_left = size;
            m_chunkStep = size == 0 ? ChunkStep::Trailer : ChunkStep::Data;
            return true;
        }
        case ChunkStep::DataEnd:
            if (!line.empty()) {
                fail("a damaged chunk in the reply");
                return false;
            }
            m_chunkStep = ChunkStep::Size;
            return true;
        case ChunkStep::Trailer:
            if (line.empty()) {
                m_state = State::Done;
                return true;
            }
            m_left += static_cast<std::int64_t>(line.size());  // trailer bytes so far
            if (m_left > static_cast<std::int64_t>(kLongestHead)) {
                fail("a damaged chunk in the reply");
                return false;
            }
            return true;
        case ChunkStep::Data:
            break;
    }
    return true;
}

}  // namespace vantor::online
