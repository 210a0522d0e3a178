#include "ByteRange.h"

#include <limits>
#include <optional>

#include "core/app/AsciiLower.h"
#include "core/app/Trimmed.h"

namespace vantor::server {

namespace {

constexpr std::string_view kUnit = "bytes";
constexpr std::uint64_t kNoEnd = std::numeric_limits<std::uint64_t>::max();

bool sameUnit(std::string_view unit) {
    return asciiLower(unit) == kUnit;
}

// Digits only, at least one. A position past what 64 bits hold lies past any file, so it is
// kept as the largest value rather than refused.
std::optional<std::uint64_t> position(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        value = value > (kNoEnd - digit) / 10 ? kNoEnd : value * 10 + digit;
    }
    return value;
}

// The one range of the set; empty when the set holds none or several (empty list elements
// between commas are allowed and skipped).
std::optional<std::string_view> onlyRange(std::string_view set) {
    std::optional<std::string_view> only;
    for (;;) {
        const std::size_t comma = set.find(',');
        const std::string_view element = trimmed(set.substr(0, comma), kSpacesAndTabs);
        if (!element.empty()) {
            if (only)
                return std::nullopt;
            only = element;
        }
        if (comma == std::string_view::npos)
            return only;
        set.remove_prefix(comma + 1);
    }
}

RangeAnswer suffix(std::uint64_t length, std::uint64_t size) {
    if (length == 0)
        return {RangeAnswer::Kind::Unsatisfiable};
    return {RangeAnswer::Kind::Part, length >= size ? 0 : size - length, size - 1};
}

}  // namespace

RangeAnswer AnswerRange(std::string_view header, std::uint64_t size) {
    const RangeAnswer whole;
    const std::size_t equals = header.find('=');
    if (equals == std::string_view::npos || !sameUnit(trimmed(header.substr(0, equals), kSpacesAndTabs)))
        return whole;
    const auto range = onlyRange(header.substr(equals + 1));
    // An empty file has no byte to select: the whole of it, nothing, serves every client.
    if (!range || size == 0)
        return whole;
    const std::size_t dash = range->find('-');
    if (dash == std::string_view::npos)
        return whole;
    if (dash == 0) {
        const auto length = position(range->substr(1));
        return length ? suffix(*length, size) : whole;
    }
    const auto first = position(range->substr(0, dash));
    const std::string_view lastText = range->substr(dash + 1);
    const auto last = lastText.empty() ? std::optional<std::uint64_t>(kNoEnd) : position(lastText);
    if (!first || !last || *last < *first)
        return whole;
    if (*first >= size)
        return {RangeAnswer::Kind::Unsatisfiable};
    return {RangeAnswer::Kind::Part, *first, *last < size ? *last : size - 1};
}

bool RangeStillApplies(std::string_view ifRange, std::string_view etag, std::string_view lastModified) {
    ifRange = trimmed(ifRange, kSpacesAndTabs);
    if (ifRange.starts_with("W/"))
        return false;
    if (ifRange.starts_with('"'))
        return ifRange == etag;
    return ifRange == lastModified;
}

}  // namespace vantor::server
