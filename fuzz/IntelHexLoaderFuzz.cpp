// libFuzzer target for the update file loader. Any bytes give an image or a refusal that says
// why; an accepted file gives a 64 KiB image whose every byte other than FF came from one of its
// data records (the last record to write an address wins), checked against a shadow map built
// here from the file's text without the loader's code.
//
// Each input is loaded twice: as it is, and with the byte count and checksum of every line that
// looks like a record put right, so that mutations reach the record types and addresses instead
// of stopping at the checksum.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "core/firmware/IntelHexLoader.h"
#include "core/scale/Bytes.h"

namespace {

using vantor::firmware::HexLoad;
using vantor::firmware::ImageBuffer;
using vantor::firmware::IntelHexLoader;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kEmptyRecordLength = 11;  // ':' count address type checksum

bool allHex(std::string_view text) {
    for (char c : text)
        if (vantor::hexDigitValue(c) < 0)
            return false;
    return true;
}

unsigned pairAt(std::string_view line, std::size_t pos) {
    return static_cast<unsigned>(vantor::hexDigitValue(line[pos]) << 4 |
                                 vantor::hexDigitValue(line[pos + 1]));
}

// Lines end at LF, CR LF, CR CR LF or a lone CR; blanks and tabs before the end are dropped.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end);
        while (text.starts_with('\r'))
            text.remove_prefix(1);
        if (text.starts_with('\n'))
            text.remove_prefix(1);
        while (line.ends_with(' ') || line.ends_with('\t'))
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// What the file's records write, read independently of the loader.
struct Shadow {
    std::array<bool, ImageBuffer::kSize> written{};
    std::array<std::uint8_t, ImageBuffer::kSize> value{};
    bool ended = false;
};

Shadow shadowOf(std::string_view text) {
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    Shadow shadow;
    unsigned base = 0;  // set by extended segment (x 16) and linear (x 65,536) address records
    for (std::string_view line : splitLines(text)) {
        if (isBlank(line))
            continue;
        // An accepted file holds only well-formed records up to its end record.
        FUZZ_REQUIRE(line.size() >= kEmptyRecordLength && line[0] == ':' && allHex(line.substr(1)));
        const unsigned count = pairAt(line, 1);
        FUZZ_REQUIRE(line.size() == kEmptyRecordLength + 2 * count);
        unsigned sum = 0;
        for (std::size_t pos = 1; pos < line.size(); pos += 2)
            sum += pairAt(line, pos);
        FUZZ_REQUIRE((sum & 0xFF) == 0);
        const unsigned address = pairAt(line, 3) << 8 | pairAt(line, 5);
        const unsigned type = pairAt(line, 7);
        if (type == 0x01) {
            shadow.ended = true;
            break;
        }
        if ((type == 0x02 || type == 0x04) && count == 2) {
            const unsigned extended = pairAt(line, 9) << 8 | pairAt(line, 11);
            base = type == 0x02 ? extended << 4 : extended << 16;
            continue;
        }
        if (type != 0x00)
            continue;
        const std::uint64_t start = static_cast<std::uint64_t>(base) + address;
        FUZZ_REQUIRE(start + count <= ImageBuffer::kSize);
        for (unsigned i = 0; i < count; ++i) {
            shadow.written[start + i] = true;
            shadow.value[start + i] = static_cast<std::uint8_t>(pairAt(line, 9 + 2 * i));
        }
    }
    return shadow;
}

void check(std::string_view text) {
    const HexLoad load = IntelHexLoader::load(text);
    if (!load.image) {
        FUZZ_REQUIRE(!load.error.reason.empty());  // a refusal always says why
        FUZZ_REQUIRE(load.error.line <= splitLines(text).size());
        return;
    }
    FUZZ_REQUIRE(load.error.reason.empty());
    const ImageBuffer& image = *load.image;
    FUZZ_REQUIRE(image.bytes().size() == ImageBuffer::kSize);
    const Shadow shadow = shadowOf(text);
    FUZZ_REQUIRE(shadow.ended);
    for (std::size_t a = 0; a < ImageBuffer::kSize; ++a) {
        if (shadow.written[a])
            FUZZ_REQUIRE(image[a] == shadow.value[a]);
        else
            FUZZ_REQUIRE(image[a] == ImageBuffer::kErased);
    }
}

// Lines shaped like records (a colon, an odd number of hex digits, at least a whole empty record)
// get the byte count their length implies and the checksum their bytes need.
std::string repaired(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(text);
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        std::size_t stop = end;
        if (stop > start && out[stop - 1] == '\r')
            --stop;
        const std::string_view line(out.data() + start, stop - start);
        const std::size_t length = line.size();
        if (length >= kEmptyRecordLength && length % 2 == 1 && line[0] == ':' && allHex(line.substr(1)) &&
            (length - kEmptyRecordLength) / 2 <= 0xFF) {
            const unsigned count = static_cast<unsigned>((length - kEmptyRecordLength) / 2);
            out[start + 1] = kDigits[count >> 4];
            out[start + 2] = kDigits[count & 0xF];
            unsigned sum = 0;
            for (std::size_t pos = 1; pos + 2 < length; pos += 2)
                sum += pairAt(line, pos);
            const unsigned checksum = (0x100 - (sum & 0xFF)) & 0xFF;
            out[stop - 2] = kDigits[checksum >> 4];
            out[stop - 1] = kDigits[checksum & 0xF];
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check(text);
    check(repaired(text));
    return 0;
}
