#pragma once

// How a file's reply answers a Range header: the whole file, one part of it, or a refusal when
// the range starts past its end. A header that does not parse is ignored, as HTTP requires, and
// so is a request for several ranges: the whole file is one reply every client understands, and
// no request can make the server send the same bytes many times over.

#include <cstdint>
#include <string_view>

namespace vantor::server {

struct RangeAnswer {
    enum class Kind { Whole, Part, Unsatisfiable };
    Kind kind = Kind::Whole;
    // Part: the first and the last byte sent, both inside the file.
    std::uint64_t first = 0;
    std::uint64_t last = 0;

    bool operator==(const RangeAnswer&) const = default;
};

RangeAnswer AnswerRange(std::string_view header, std::uint64_t size);

// If-Range: whether the validator the client holds (an entity tag or a date) still names the
// file, so that the part it asks for continues what it has. A weak tag never does.
bool RangeStillApplies(std::string_view ifRange, std::string_view etag, std::string_view lastModified);

}  // namespace vantor::server
