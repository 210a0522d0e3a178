#pragma once

// One HTTP/1.1 reply, read from the bytes of its connection as they arrive: the status line and
// headers become a ReplyHead, the body comes out with its framing (Content-Length, chunks, or the
// connection's end) taken off. The downloader owns its connection and sends each request once:
// a request sent again behind its back would have a server stream a whole file nobody reads, and
// a reply's end that only the framing can tell must be told exactly.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/online/DownloadRules.h"

namespace vantor::online {

struct HttpTarget {
    std::string host;          // as the Host header writes it: "example.com", "[::1]"
    std::optional<int> port;   // only when it is not the scheme's own
    std::string pathAndQuery;  // percent-encoded, "/" at least
    // Through a forward proxy an http:// request names the whole address ("http://host:8080/path"):
    // the scheme, given here, and the rest of this target.
    std::string absoluteScheme{};
};

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

// "GET /path HTTP/1.1" (or the method given) with Host, the given headers and "Connection: close";
// one request per connection, so that no reply can belong to another request.
std::string HttpRequestHead(std::string_view method, const HttpTarget& target, const HttpHeaders& headers);

// "CONNECT host:port HTTP/1.1": asks a forward proxy for a tunnel to an https:// server.
std::string HttpConnectRequest(const HttpTarget& target, int port, const HttpHeaders& headers);

class HttpReplyReader {
public:
    enum class State {
        Head,    // the status line and headers are still arriving
        Body,    // the head is whole; body bytes come out of feed()
        Done,    // the body ended as its framing says
        Failed,  // not HTTP, or framing that cannot be followed: error() says what
    };

    // A head longer than this is no head of a file server's.
    static constexpr std::size_t kLongestHead = 64 * 1024;

    // The reply answers a CONNECT: a 2xx ends with its head, and the tunnel's bytes follow.
    void expectConnectAnswer() { m_connectAnswer = true; }

    // Takes the next bytes of the connection and appends the body bytes among them to `body`.
    // Bytes after the body's end are ignored.
    void feed(std::string_view bytes, std::string& body);
    // The connection ended in order. A body that only its end frames is then whole; any other
    // reply that is not Done is cut short (state Failed).
    void connectionEnded();

    State state() const { return m_state; }
    // Valid from Body on; a reply that never got that far has no status.
    const ReplyHead& head() const { return m_head; }
    // A header's value by name (case does not matter), the first when it is given twice.
    std::optional<std::string> header(std::string_view name) const;
    const std::string& error() const { return m_error; }

private:
    bool readHead(std::string_view& bytes);
    bool parseHead(std::string_view head);
    bool parseStatusLine(std::string_view line);
    bool takeFraming();
    void readBody(std::string_view bytes, std::string& body);
    void readChunked(std::string_view bytes, std::string& body);
    bool readChunkLine(std::string_view line);
    void fail(std::string why);

    enum class Framing { Length, Chunked, UntilClose, None };
    enum class ChunkStep { Size, Data, DataEnd, Trailer };

    State m_state = State::Head;
    bool m_connectAnswer = false;
    std::string m_pending;  // head bytes, or a chunk line, not yet whole
    ReplyHead m_head;
    std::vector<std::pair<std::string, std::string>> m_headers;
    Framing m_framing = Framing::None;
    std::int64_t m_left = 0;  // body or chunk bytes still to come
    ChunkStep m_chunkStep = ChunkStep::Size;
    std::string m_error;
};

}  // namespace vantor::online
