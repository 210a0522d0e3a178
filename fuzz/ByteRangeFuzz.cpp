// libFuzzer target for vantor-server's reading of a Range header. Any header and file size give
// the whole file, a refusal, or one part that lies inside the file; a plain "bytes=A-B" inside the
// file gives exactly that part.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "ByteRange.h"
#include "FuzzCheck.h"

namespace {

using vantor::server::AnswerRange;
using vantor::server::RangeAnswer;

void checkAnyHeader(const std::string& header, std::uint64_t size) {
    const RangeAnswer answer = AnswerRange(header, size);
    if (answer.kind == RangeAnswer::Kind::Part)
        FUZZ_REQUIRE(answer.first <= answer.last && answer.last < size);
    if (answer.kind == RangeAnswer::Kind::Unsatisfiable)
        FUZZ_REQUIRE(size > 0);
}

void checkPlainRange(std::uint64_t a, std::uint64_t b, std::uint64_t size) {
    if (size == 0)
        return;
    const std::uint64_t first = a % size;
    const std::uint64_t last = first + b % (size - first);
    const RangeAnswer answer =
        AnswerRange("bytes=" + std::to_string(first) + "-" + std::to_string(last), size);
    FUZZ_REQUIRE((answer == RangeAnswer{RangeAnswer::Kind::Part, first, last}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint64_t fileSize = input.ConsumeIntegral<std::uint64_t>();
    const std::uint64_t a = input.ConsumeIntegral<std::uint64_t>();
    const std::uint64_t b = input.ConsumeIntegral<std::uint64_t>();
    checkPlainRange(a, b, fileSize);
    checkAnyHeader(input.ConsumeRemainingBytesAsString(), fileSize);
    return 0;
}
