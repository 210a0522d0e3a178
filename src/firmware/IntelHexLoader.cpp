#include "firmware/IntelHexLoader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "firmware/HexRecord.h"

namespace vantor::firmware {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

HexLoad refuse(std::size_t line, std::string reason) {
    return {std::nullopt, {line, std::move(reason)}, {}};
}

std::string hexWord(unsigned value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
    return text;
}

// Splits the text at LF; a CR before the LF belongs to the line ending.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    std::optional<std::string_view> next() {
        if (m_pos >= m_text.size())
            return std::nullopt;
        const std::size_t end = std::min(m_text.find('\n', m_pos), m_text.size());
        std::string_view line = m_text.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool isBlank(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// What one checked record does to the image; an error text when the record cannot be used.
std::string apply(const HexRecord& record, ImageBuffer& image, std::vector<bool>& covered, bool& ended) {
    switch (static_cast<RecordType>(record.type)) {
        case RecordType::Data: {
            const std::size_t end = record.address + record.size;
            if (end > ImageBuffer::kSize)
                return "data at " + hexWord(record.address) + " with " + std::to_string(record.size) +
                       " bytes runs past address FFFF.";
            std::copy(record.data().begin(), record.data().end(), image.bytes().begin() + record.address);
            std::fill(covered.begin() + record.address, covered.begin() + static_cast<std::ptrdiff_t>(end), true);
            return {};
        }
        case RecordType::EndOfFile:
            if (record.size != 0)
                return "the end record carries data.";
            ended = true;
            return {};
        case RecordType::ExtendedSegmentAddress:
        case RecordType::ExtendedLinearAddress: {
            if (record.size != 2)
                return "an extended address record holds 2 bytes, this one " + std::to_string(record.size) +
                       ".";
            const unsigned upper = static_cast<unsigned>(record.data()[0] << 8 | record.data()[1]);
            if (upper != 0)
                return "extended address " + hexWord(upper) + " lies beyond the scale's 64 KiB.";
            return {};
        }
        case RecordType::StartSegmentAddress:
        case RecordType::StartLinearAddress:
            return {};  // where a program starts means nothing to the scale's memory
    }
    char type[3];
    std::snprintf(type, sizeof type, "%02X", record.type);
    return std::string("record type ") + type + " is not an Intel HEX record type.";
}

}  // namespace

std::string HexError::message() const {
    if (line == 0)
        return reason;
    return "Line " + std::to_string(line) + ": " + reason;
}

HexLoad IntelHexLoader::load(std::string_view text) {
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());

    ImageBuffer image;
    std::vector<bool> covered(ImageBuffer::kSize, false);
    LineReader lines(text);
    std::size_t number = 0;
    std::size_t lastRecord = 0;
    bool ended = false;
    while (const auto line = lines.next()) {
        ++number;
        if (isBlank(*line))
            continue;
        lastRecord = number;
        const RecordParse parse = parseHexRecord(*line);
        if (!parse.ok)
            return refuse(number, parse.error);
        if (std::string error = apply(parse.record, image, covered, ended); !error.empty())
            return refuse(number, error);
        if (ended)
            break;  // what follows the end record is not part of the image
    }
    if (lastRecord == 0)
        return refuse(0, "The update file is empty: it holds no Intel HEX records.");
    if (!ended)
        return refuse(lastRecord, "the file ends here without an end record (:00000001FF).");
    return {std::move(image), {}, std::move(covered)};
}

HexLoad IntelHexLoader::loadFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return refuse(0, "The update file " + name + " is missing.");
    if (!std::filesystem::is_regular_file(path, error))
        return refuse(0, "The update file " + name + " is not a file.");
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return refuse(0, "The update file " + name + " cannot be read: " + error.message() + ".");
    if (size > kMaxFileSize)
        return refuse(0, "The update file " + name + " is " + std::to_string(size) +
                             " bytes long, far too large for a 64 KiB scale image.");

    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return refuse(0, "The update file " + name + " cannot be opened.");
    std::string text;
    text.reserve(static_cast<std::size_t>(size));
    // Read in chunks up to the bound: the file may have grown since its size was asked.
    char chunk[64 * 1024];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxFileSize)
            return refuse(0, "The update file " + name + " is far too large for a 64 KiB scale image.");
    }
    if (in.bad())
        return refuse(0, "The update file " + name + " cannot be read.");
    return load(text);
}

}  // namespace vantor::firmware
