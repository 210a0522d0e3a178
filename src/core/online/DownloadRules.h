#pragma once

// What the downloader says and decides about one HTTP reply, as plain functions over numbers and
// header texts: the Range it asks for, the answers it accepts, the messages and questions the
// user sees. The transfer itself and the windows live in the shell.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/app/Message.h"

namespace vantor::online {

// A resumed attempt starts this far before the end of the partial file, so that a tail the
// broken connection may have garbled is fetched again.
inline constexpr std::int64_t kResumeBackOff = 4096;

std::int64_t ResumeOffset(std::int64_t received);

// The value of the Range header for a request from byte `from` on: "bytes=5904-".
std::string RangeHeaderValue(std::int64_t from);

// "bytes FIRST-LAST/LENGTH" (LENGTH may be "*").
struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::optional<std::int64_t> length;
};
std::optional<ContentRange> ParseContentRange(std::string_view value);

// The head of one reply. No status means the request got no answer at all.
struct ReplyHead {
    std::optional<int> status;
    std::string statusLine;  // "HTTP/1.1 500 Internal Server Error"
    std::optional<std::int64_t> contentLength;
    std::optional<std::string> contentRange;
    std::optional<std::string> etag;
    std::optional<std::string> lastModified;
    bool chunked = false;  // Transfer-Encoding: chunked, whose last chunk marks the body's end
    std::optional<std::string> contentType{};
};

// The reply is a web page (Content-Type text/html or application/xhtml+xml).
bool IsWebPage(const ReplyHead& head);

// What a resumed request sends as If-Range, so that a server whose file changed meanwhile sends
// the whole new file instead of the rest of another one: the reply's ETag, else its
// Last-Modified. A weak ETag never matches there, so it is no use; nothing when neither is given.
std::optional<std::string> ResumeValidator(const ReplyHead& head);

enum class ReplyVerdict {
    Save,          // write the body from the requested offset
    OfferRestart,  // the server cannot resume: ask before downloading the whole file again
    Refuse,        // tell the user `message` and abandon the download
    // A resume got no answer at all (the server refused the connection while it restarts, say):
    // the transfer broke off once more, the bytes on disk stay, and the retries decide.
    BrokenOff,
};

struct ReplyDecision {
    ReplyVerdict verdict = ReplyVerdict::Refuse;
    Message message;  // the question (OfferRestart) or the refusal (Refuse)
    // Save: the file's whole length when this reply tells it (a fresh 200 or 206).
    std::optional<std::int64_t> total;
};

// `from` is the offset the request asked for; `knownTotal` the length learnt on an earlier
// attempt (resuming only). A 206 is only taken when it starts exactly at `from`: misplaced bytes
// would corrupt the partial file, so such a reply is treated like a 200 to a resume.
ReplyDecision DecideReply(const ReplyHead& head, bool resuming, std::int64_t from,
                          std::optional<std::int64_t> knownTotal, const std::string& url);

// A body that ended without the server ever saying its length: nothing tells it from a connection
// cut short. Retry asks for the rest, as after a reset.
Message NoLengthQuestion();
// The questions and refusals of the transfer outside the reply's status.
// "Unable to Resume Download": also asked when the bytes a resume fetches again differ from those
// on disk, which shows the server's file is another one now.
Message CannotResumeQuestion();
Message NotEnoughSpaceMessage();
Message FileTooLargeMessage(std::int64_t limit);
Message ConnectionResetQuestion(double secondsLeft);
Message WriteErrorMessage(int errorNumber, const std::string& description);
Message EmptyFileMessage();
// An update file was wanted and the link gave a web page.
Message WebPageMessage(const std::string& url);
// A transfer below the minimum rate: `received` bytes in `seconds`.
Message TooSlowMessage(std::int64_t received, double seconds);
Message CancelQuestion();

// How many more times a broken transfer is resumed without asking: "no retries left",
// "1 retry left", "2 retries left".
std::string RetriesLeft(unsigned retries);

}  // namespace vantor::online
