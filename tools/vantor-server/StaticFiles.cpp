#include "StaticFiles.h"

#include <civetweb.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "ByteRange.h"
#include "FileRoot.h"
#include "TextReply.h"

namespace vantor::server {

namespace {

constexpr int kOk = 200;
constexpr int kPartialContent = 206;
constexpr int kNotModified = 304;
constexpr int kForbidden = 403;
constexpr int kNotFound = 404;
constexpr int kMethodNotAllowed = 405;
constexpr int kRangeNotSatisfiable = 416;
constexpr std::size_t kSendChunk = 64 * 1024;

struct Validators {
    std::string etag;
    std::string lastModified;
};

std::string httpDate(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[64] = {};
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

Validators validatorsOf(const OpenFile& file) {
    char etag[64] = {};
    std::snprintf(etag, sizeof etag, "\"%llx.%llu\"", static_cast<unsigned long long>(file.modified()),
                  static_cast<unsigned long long>(file.size()));
    return {etag, httpDate(file.modified())};
}

std::string header(const mg_connection* connection, const char* name) {
    const char* value = mg_get_header(connection, name);
    return value ? value : "";
}

// If-None-Match wins over If-Modified-Since, as HTTP orders them; a date is compared as the text
// this server sent, which is what clients send back.
bool notModified(const mg_connection* connection, const Validators& validators) {
    const std::string noneMatch = header(connection, "If-None-Match");
    if (!noneMatch.empty())
        return noneMatch == "*" || noneMatch.find(validators.etag) != std::string::npos;
    return header(connection, "If-Modified-Since") == validators.lastModified;
}

RangeAnswer rangeOf(const mg_connection* connection, const OpenFile& file, const Validators& validators) {
    const char* range = mg_get_header(connection, "Range");
    if (!range)
        return {};
    const char* ifRange = mg_get_header(connection, "If-Range");
    if (ifRange && !RangeStillApplies(ifRange, validators.etag, validators.lastModified))
        return {};
    return AnswerRange(range, file.size());
}

void addHeader(mg_connection* connection, const char* name, const std::string& value) {
    mg_response_header_add(connection, name, value.c_str(), -1);
}

void sendHead(mg_connection* connection, int status, const OpenFile& file, const Validators& validators,
              std::uint64_t length) {
    mg_response_header_start(connection, status);
    addHeader(connection, "Content-Type", mg_get_builtin_mime_type(file.name().c_str()));
    addHeader(connection, "Content-Length", std::to_string(length));
    addHeader(connection, "Accept-Ranges", "bytes");
    addHeader(connection, "ETag", validators.etag);
    addHeader(connection, "Last-Modified", validators.lastModified);
}

// Exactly `length` bytes from `first`, or the connection is closed: a client must never take the
// next reply's bytes for the rest of this one.
void sendBytes(mg_connection* connection, const OpenFile& file, std::uint64_t first, std::uint64_t length) {
    std::vector<char> buffer(kSendChunk);
    while (length > 0) {
        const std::size_t want = length < buffer.size() ? static_cast<std::size_t>(length) : buffer.size();
        const ssize_t got = ::pread(file.fd(), buffer.data(), want, static_cast<off_t>(first));
        if (got <= 0 || mg_write(connection, buffer.data(), static_cast<std::size_t>(got)) != got) {
            mg_disable_connection_keep_alive(connection);
            return;
        }
        first += static_cast<std::uint64_t>(got);
        length -= static_cast<std::uint64_t>(got);
    }
}

}  // namespace

int StaticFiles::serve(mg_connection* connection, std::string& note) const {
    const mg_request_info* request = mg_get_request_info(connection);
    const bool head = std::strcmp(request->request_method, "HEAD") == 0;
    if (!head && std::strcmp(request->request_method, "GET") != 0) {
        SendText(connection, kMethodNotAllowed, "text/plain", "Files take GET and HEAD requests.\n", "Allow",
                 "GET, HEAD");
        return kMethodNotAllowed;
    }
    FileRoot::Found found = m_root.open(request->local_uri ? request->local_uri : "");
    if (!found.file) {
        if (found.folder) {
            SendText(connection, kForbidden, "text/plain", "Folders are not listed.\n");
            return kForbidden;
        }
        if (found.outside)
            note = "refused: outside the root";
        SendText(connection, kNotFound, "text/plain", "Not found.\n");
        return kNotFound;
    }
    const OpenFile& file = *found.file;
    const Validators validators = validatorsOf(file);
    if (notModified(connection, validators)) {
        sendHead(connection, kNotModified, file, validators, file.size());  // what a 200 would announce
        mg_response_header_send(connection);
        return kNotModified;
    }
    const RangeAnswer range = rangeOf(connection, file, validators);
    if (range.kind == RangeAnswer::Kind::Unsatisfiable) {
        sendHead(connection, kRangeNotSatisfiable, file, validators, 0);
        addHeader(connection, "Content-Range", "bytes */" + std::to_string(file.size()));
        mg_response_header_send(connection);
        return kRangeNotSatisfiable;
    }
    const bool part = range.kind == RangeAnswer::Kind::Part;
    const std::uint64_t first = part ? range.first : 0;
    const std::uint64_t length = part ? range.last - range.first + 1 : file.size();
    sendHead(connection, part ? kPartialContent : kOk, file, validators, length);
    if (part)
        addHeader(connection, "Content-Range",
                  "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" +
                      std::to_string(file.size()));
    mg_response_header_send(connection);
    if (!head)
        sendBytes(connection, file, first, length);
    return part ? kPartialContent : kOk;
}

}  // namespace vantor::server
