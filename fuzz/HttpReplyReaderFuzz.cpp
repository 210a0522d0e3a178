// libFuzzer target for the downloader's HTTP reply reader: any bytes from a server end in a state
// with a reason when failed, a body framed by its length never passes that length, and how the
// bytes are split across reads never changes what is read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/online/HttpReplyReader.h"

using namespace vantor::online;

namespace {

struct Read {
    HttpReplyReader::State state;
    std::string body;
    std::string error;
};

Read readIn(std::string_view bytes, std::size_t piece) {
    HttpReplyReader reader;
    std::string body;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        reader.feed(bytes.substr(at, piece), body);
    const auto before = reader.state();
    reader.connectionEnded();
    if (before == HttpReplyReader::State::Done)
        FUZZ_REQUIRE(reader.state() == HttpReplyReader::State::Done);
    if (reader.state() == HttpReplyReader::State::Failed)
        FUZZ_REQUIRE(!reader.error().empty());
    if (reader.head().contentLength && !reader.head().chunked)
        FUZZ_REQUIRE(body.size() <= static_cast<std::size_t>(*reader.head().contentLength));
    return {reader.state(), body, reader.error()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte chooses how the rest is cut into reads.
    const std::size_t piece = 1 + data[0] % 17;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Read whole = readIn(bytes, bytes.size() + 1);
    const Read pieces = readIn(bytes, piece);
    FUZZ_REQUIRE(whole.state == pieces.state);
    FUZZ_REQUIRE(whole.body == pieces.body);
    FUZZ_REQUIRE(whole.error == pieces.error);
    return 0;
}
