#include "QueryForm.h"

#include <cctype>

#include "core/app/AsciiLower.h"
#include "core/online/modQuery.h"

namespace vantor::server {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeaderEnd = "\r\n\r\n";

bool isQueryFieldName(std::string_view name) {
    return name == online::kFetchField || name == online::kExecuteField;
}

// The value of a parameter such as boundary=... or name="...", found case-insensitively; it ends
// at a separator (";", ",", space) unless quoted.
std::optional<std::string> parameter(std::string_view text, std::string_view name) {
    const std::string folded = asciiLower(text);
    const std::string wanted = std::string(name) + "=";
    for (std::size_t at = folded.find(wanted); at != std::string::npos; at = folded.find(wanted, at + 1)) {
        if (at > 0 && std::isalnum(static_cast<unsigned char>(folded[at - 1])))
            continue;  // "filename=" is not "name="
        std::string_view value = text.substr(at + wanted.size());
        if (!value.empty() && value.front() == '"') {
            value.remove_prefix(1);
            return std::string(value.substr(0, value.find('"')));
        }
        return std::string(value.substr(0, value.find_first_of(";, \t\r\n")));
    }
    return std::nullopt;
}

// The first line of a body that starts with "--": the delimiter, when the header named none.
std::optional<std::string> boundaryFromBody(std::string_view body) {
    if (!body.starts_with("--"))
        return std::nullopt;
    const std::size_t lineEnd = body.find(kCrLf);
    if (lineEnd == std::string_view::npos || lineEnd <= 2)
        return std::nullopt;
    return std::string(body.substr(2, lineEnd - 2));
}

std::optional<QueryField> fromMultipart(std::string_view body, const std::string& boundary) {
    const std::string delimiter = "--" + boundary;
    std::size_t at = body.find(delimiter);
    while (at != std::string_view::npos) {
        const std::size_t partStart = at + delimiter.size();
        if (body.substr(partStart, 2) == "--")
            break;  // the closing delimiter
        const std::size_t next = body.find(std::string(kCrLf) + delimiter, partStart);
        // Without a further delimiter the part runs to the end of the body.
        std::string_view part = body.substr(
            partStart, next == std::string_view::npos ? std::string_view::npos : next - partStart);
        if (part.starts_with(kCrLf))
            part.remove_prefix(kCrLf.size());
        const std::size_t headerEnd = part.find(kHeaderEnd);
        if (headerEnd != std::string_view::npos) {
            const auto name = parameter(part.substr(0, headerEnd), "name");
            if (name && isQueryFieldName(*name)) {
                std::string_view value = part.substr(headerEnd + kHeaderEnd.size());
                if (value.ends_with(kCrLf))
                    value.remove_suffix(kCrLf.size());
                return QueryField{*name, std::string(value)};
            }
        }
        if (next == std::string_view::npos)
            break;
        at = next + kCrLf.size();
    }
    return std::nullopt;
}

std::optional<QueryField> fromPlainForm(std::string_view body) {
    while (!body.empty()) {
        const std::size_t end = body.find('&');
        const std::string_view pair = body.substr(0, end);
        const std::size_t equals = pair.find('=');
        const std::string_view name = pair.substr(0, equals);
        if (equals != std::string_view::npos && isQueryFieldName(name))
            return QueryField{std::string(name), std::string(pair.substr(equals + 1))};
        if (end == std::string_view::npos)
            break;
        body.remove_prefix(end + 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<QueryField> ReadQueryField(std::string_view contentType, std::string_view body) {
    const std::string type = asciiLower(contentType);
    if (type.starts_with("multipart/") || body.starts_with("--")) {
        std::optional<std::string> boundary = parameter(contentType, "boundary");
        if (!boundary || boundary->empty())
            boundary = boundaryFromBody(body);
        if (!boundary)
            return std::nullopt;
        return fromMultipart(body, *boundary);
    }
    return fromPlainForm(body);
}

}  // namespace vantor::server
