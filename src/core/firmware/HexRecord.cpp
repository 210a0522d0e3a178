#include "core/firmware/HexRecord.h"

#include <cstdio>

namespace vantor::firmware {

namespace {

// ':' count(2) address(4) type(2) checksum(2): a record without data.
constexpr std::size_t kShortestRecord = 11;
constexpr std::size_t kDataStart = 9;

Byte pairAt(std::string_view line, std::size_t pos) {
    return static_cast<Byte>(hexDigitValue(line[pos]) << 4 | hexDigitValue(line[pos + 1]));
}

std::string hexByte(Byte value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// A character as the user can find it in an editor; control and non-ASCII bytes by their code.
std::string shown(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x21 && code < 0x7F)
        return std::string("'") + c + "'";
    if (code == ' ')
        return "a blank";
    return "the byte " + hexByte(code);
}

RecordParse refuse(std::string error) {
    RecordParse parse;
    parse.error = std::move(error);
    return parse;
}

}  // namespace

RecordParse parseHexRecord(std::string_view line) {
    if (line.empty() || line[0] != ':') {
        const std::string start = line.empty() ? "nothing" : shown(line[0]);
        std::string error = "a record starts with ':', this line starts with " + start;
        // An error page saved in place of the update file is the usual way to get here: the link
        // was the page's that offers the file.
        if (!line.empty() && line[0] == '<')
            return refuse(error +
                          ": this is a web page, not an update file. Copy the link of the update "
                          "file itself, not of the page.");
        return refuse(error + ".");
    }
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (hexDigitValue(line[i]) < 0)
            return refuse(shown(line[i]) + " at column " + std::to_string(i + 1) + " is not a hex digit.");
    }
    if (line.size() < kShortestRecord)
        return refuse("the record is too short: " + std::to_string(line.size()) + " characters, at least " +
                      std::to_string(kShortestRecord) + " are needed.");

    const std::size_t count = pairAt(line, 1);
    const std::size_t expectedLength = kShortestRecord + 2 * count;
    if (line.size() != expectedLength)
        return refuse("the byte count " + hexByte(static_cast<Byte>(count)) + " needs " +
                      std::to_string(expectedLength) + " characters, the line has " +
                      std::to_string(line.size()) + ".");

    RecordParse parse;
    HexRecord& record = parse.record;
    unsigned sum = 0;
    for (std::size_t pos = 1; pos + 2 < line.size(); pos += 2)
        sum += pairAt(line, pos);
    const Byte expected = static_cast<Byte>(-sum);
    const Byte given = pairAt(line, line.size() - 2);
    if (given != expected)
        return refuse("checksum is " + hexByte(given) + ", expected " + hexByte(expected) +
                      ". The file is damaged: download it again.");

    record.address = static_cast<std::uint16_t>(pairAt(line, 3) << 8 | pairAt(line, 5));
    record.type = pairAt(line, 7);
    record.size = count;
    for (std::size_t i = 0; i < count; ++i)
        record.storage[i] = pairAt(line, kDataStart + 2 * i);
    parse.ok = true;
    return parse;
}

}  // namespace vantor::firmware
