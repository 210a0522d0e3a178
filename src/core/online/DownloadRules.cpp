#include "core/online/DownloadRules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>

#include "core/app/AsciiLower.h"
#include "core/online/modGlobals.h"

namespace vantor::online {

namespace {

using Icon = Message::Icon;
using Buttons = Message::Buttons;

constexpr int kOk = 200;
constexpr int kPartialContent = 206;
constexpr int kNoContent = 204;
constexpr int kUnauthorized = 401;
constexpr int kNotFound = 404;

ReplyDecision refuse(std::string title, std::string text, Icon icon) {
    return {ReplyVerdict::Refuse, {std::move(title), std::move(text), icon, Buttons::Ok}, std::nullopt};
}

ReplyDecision offerRestart() {
    return {ReplyVerdict::OfferRestart, CannotResumeQuestion(), std::nullopt};
}

ReplyDecision unexpected(const std::string& statusLine) {
    const std::string shown = statusLine.empty() ? "<nothing>" : statusLine;
    return refuse("Error Downloading File", "The server returned the following response:\n\n" + shown,
                  Icon::Critical);
}

std::optional<std::int64_t> parseNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

// A fresh reply: the file's length is the whole 200 body, or what the 206's range says.
ReplyDecision saveFresh(const ReplyHead& head, const std::optional<ContentRange>& range) {
    ReplyDecision save{ReplyVerdict::Save, {}, head.contentLength};
    if (range)
        save.total = range->length ? range->length : std::optional(range->last + 1);
    return save;
}

}  // namespace

std::int64_t ResumeOffset(std::int64_t received) {
    return std::max<std::int64_t>(0, received - kResumeBackOff);
}

std::optional<std::string> ResumeValidator(const ReplyHead& head) {
    if (head.etag && !head.etag->empty() && !head.etag->starts_with("W/"))
        return head.etag;
    if (head.lastModified && !head.lastModified->empty())
        return head.lastModified;
    return std::nullopt;
}

std::string RangeHeaderValue(std::int64_t from) {
    return "bytes=" + std::to_string(from) + "-";
}

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    constexpr std::string_view kUnit = "bytes ";
    if (!value.starts_with(kUnit))
        return std::nullopt;
    value.remove_prefix(kUnit.size());
    const std::size_t dash = value.find('-');
    const std::size_t slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return std::nullopt;
    const auto first = parseNumber(value.substr(0, dash));
    const auto last = parseNumber(value.substr(dash + 1, slash - dash - 1));
    const std::string_view lengthText = value.substr(slash + 1);
    const auto length = lengthText == "*" ? std::optional<std::int64_t>() : parseNumber(lengthText);
    // A span ending at the largest 64-bit offset has no length that can be written down.
    if (!first || !last || *last < *first || *last == std::numeric_limits<std::int64_t>::max() ||
        (lengthText != "*" && (!length || *last >= *length)))
        return std::nullopt;
    return ContentRange{*first, *last, length};
}

ReplyDecision DecideReply(const ReplyHead& head, bool resuming, std::int64_t from,
                          std::optional<std::int64_t> knownTotal, const std::string& url) {
    if (!head.status && resuming)
        return {ReplyVerdict::BrokenOff, {}, std::nullopt};
    if (!head.status)
        return refuse("Cannot Establish Connection",
                      "Cannot establish connection.\n\nCheck your Internet connection and try again.",
                      Icon::Exclamation);
    switch (*head.status) {
        case kOk:
            // Asked from byte 0, the whole file is exactly what a resume wanted.
            if (resuming && from > 0)
                return offerRestart();
            return saveFresh(head, std::nullopt);
        case kPartialContent: {
            const std::optional<ContentRange> range =
                head.contentRange ? ParseContentRange(*head.contentRange) : std::nullopt;
            // Only the reply's own Content-Range says where its bytes belong: one that is missing
            // or cannot be read places them nowhere, not even at byte 0.
            const bool startsRight = range && range->first == from;
            const bool sameLength = !knownTotal || !range || !range->length || *range->length == *knownTotal;
            // Subtracted, not added: a Content-Length near the 64-bit limit must not overflow.
            const bool bodyFits =
                !head.contentLength || !knownTotal || *head.contentLength == *knownTotal - from;
            const bool sameFile = !resuming || (sameLength && bodyFits);
            if (startsRight && sameFile)
                return resuming ? ReplyDecision{ReplyVerdict::Save, {}, range ? range->length : std::nullopt}
                                : saveFresh(head, range);
            if (resuming)
                return offerRestart();
            return unexpected(head.statusLine);
        }
        case kNoContent:
            return refuse("No Content", "Nothing to download!", Icon::Information);
        case kUnauthorized:
            return refuse("Unauthorized", "Authorization failed!", Icon::Critical);
        case kNotFound:
            return refuse("File Not Found", "The file, \"" + url + "\" was not found!", Icon::Critical);
        default:
            return unexpected(head.statusLine);
    }
}

Message CannotResumeQuestion() {
    return {"Unable to Resume Download",
            "The server is unable to resume this download.\n\nDo you want to continue anyway?",
            Icon::Exclamation, Buttons::YesNo};
}

Message FileTooLargeMessage(std::int64_t limit) {
    return {"Error Downloading File",
            "The file is larger than " + std::to_string(limit) +
                " bytes, far too large for an update file: it was not downloaded.",
            Icon::Critical, Buttons::Ok};
}

Message NotEnoughSpaceMessage() {
    return {"Insufficient Disk Space",
            "There is not enough free space on disk for this file.\n\n"
            "Please free up some disk space and try again.",
            Icon::Critical, Buttons::Ok};
}

Message ConnectionResetQuestion(double secondsLeft) {
    return {"Download Incomplete",
            "The connection with the server was reset.\n\nClick \"Retry\" to resume downloading the file.\n"
            "(Approximate time remaining: " +
                FormatSeconds(secondsLeft) + ")\n\nClick \"Cancel\" to cancel downloading the file.",
            Icon::Exclamation, Buttons::RetryCancel};
}

Message NoLengthQuestion() {
    return {"Download Incomplete",
            "The server did not say how long the file is, so the download cannot be checked whole.\n\n"
            "Click \"Retry\" to ask the server for the rest of the file.\n\nClick \"Cancel\" to cancel "
            "downloading the file.",
            Icon::Exclamation, Buttons::RetryCancel};
}

Message WriteErrorMessage(int errorNumber, const std::string& description) {
    return {"Error Downloading File",
            "Cannot write file to disk.\n\nError " + std::to_string(errorNumber) + ": " + description,
            Icon::Critical, Buttons::Ok};
}

Message EmptyFileMessage() {
    return {"Error Downloading File", "The server sent an empty file: there is nothing to save.",
            Icon::Critical, Buttons::Ok};
}

Message TooSlowMessage(std::int64_t received, double seconds) {
    return {"Error Downloading File",
            "The server sent only " + std::to_string(received) + " bytes in " +
                std::to_string(static_cast<long long>(seconds)) +
                " seconds, too slowly to finish the download: it was stopped. Try again later.",
            Icon::Critical, Buttons::Ok};
}

bool IsWebPage(const ReplyHead& head) {
    if (!head.contentType)
        return false;
    std::string type = asciiLower(head.contentType->substr(0, head.contentType->find(';')));
    type.erase(std::remove(type.begin(), type.end(), ' '), type.end());
    return type == "text/html" || type == "application/xhtml+xml";
}

Message WebPageMessage(const std::string& url) {
    return {"Error Downloading File",
            "The link " + url +
                " leads to a web page, not to an update file. On that page, copy the link of the update "
                "file itself (it ends in .hex) and try again.",
            Icon::Critical, Buttons::Ok};
}

Message CancelQuestion() {
    return {"", "Are you sure you want to cancel this operation?", Icon::Question, Buttons::YesNo};
}

std::string RetriesLeft(unsigned retries) {
    if (retries == 0)
        return "no retries left";
    return std::to_string(retries) + (retries == 1 ? " retry left" : " retries left");
}

}  // namespace vantor::online
