#include "core/firmware/IntelHexLoader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "core/firmware/HexRecord.h"

namespace vantor::firmware {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

HexLoad refuse(std::size_t line, std::string reason) {
    return {std::nullopt, {line, std::move(reason)}, {}, {}, {}};
}

std::string hexWord(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits the text into lines. A line ends at LF, CR LF, a lone CR (old Macintosh tools) or CR CR
// LF (a CR LF file passed once more through a text-mode copy); blanks and tabs at the end of a
// line are dropped, as editors leave them.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    std::optional<std::string_view> next() {
        if (m_pos >= m_text.size())
            return std::nullopt;
        const std::size_t end = std::min(m_text.find_first_of("\r\n", m_pos), m_text.size());
        std::string_view line = m_text.substr(m_pos, end - m_pos);
        m_pos = end;
        while (m_pos < m_text.size() && m_text[m_pos] == '\r')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '\n')
            ++m_pos;
        while (!line.empty() && isBlank(line.back()))
            line.remove_suffix(1);
        return line;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool isBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), isBlank);
}

// Lays the records over the image in file order. An extended address record (segment: its value
// times 16; linear: its value times 65,536) moves the data records after it; the image takes them
// as long as they stay inside the scale's 64 KiB.
class ImageWriter {
public:
    explicit ImageWriter(ImageBuffer& image) : m_image(image), m_covered(ImageBuffer::kSize, false) {}

    bool ended() const { return m_ended; }
    // The first address where the last data record changed a byte an earlier record wrote.
    std::optional<std::uint32_t> conflict() const { return m_conflict; }
    // Which addresses a data record wrote.
    std::vector<bool> takeCovered() { return std::move(m_covered); }

    // An error text when the record cannot be used.
    std::string apply(const HexRecord& record) {
        switch (static_cast<RecordType>(record.type)) {
            case RecordType::Data:
                return store(record);
            case RecordType::EndOfFile:
                if (record.size != 0)
                    return "the end record carries data.";
                m_ended = true;
                return {};
            case RecordType::ExtendedSegmentAddress:
                return setBase(record, kSegmentShift);
            case RecordType::ExtendedLinearAddress:
                return setBase(record, kLinearShift);
            case RecordType::StartSegmentAddress:
            case RecordType::StartLinearAddress:
                return {};  // where a program starts means nothing to the scale's memory
        }
        char type[3];
        std::snprintf(type, sizeof type, "%02X", record.type);
        return std::string("record type ") + type + " is not an Intel HEX record type.";
    }

private:
    static constexpr unsigned kSegmentShift = 4;
    static constexpr unsigned kLinearShift = 16;

    std::string setBase(const HexRecord& record, unsigned shift) {
        if (record.size != 2)
            return "an extended address record holds 2 bytes, this one " + std::to_string(record.size) + ".";
        m_extended = static_cast<std::uint32_t>(record.data()[0] << 8 | record.data()[1]);
        m_base = static_cast<std::uint64_t>(m_extended) << shift;
        return {};
    }

    std::string store(const HexRecord& record) {
        const std::uint64_t start = m_base + record.address;
        if (start + record.size > ImageBuffer::kSize) {
            std::string text = "data at " + hexWord(static_cast<std::uint32_t>(start)) + " with " +
                               std::to_string(record.size) + " bytes runs past address FFFF";
            if (m_base != 0)
                text +=
                    " (extended address " + hexWord(m_extended) + ", offset " + hexWord(record.address) + ")";
            return text + ".";
        }
        m_conflict.reset();
        for (std::size_t i = 0; i < record.size && !m_conflict; ++i)
            if (m_covered[start + i] && m_image.bytes()[start + i] != record.data()[i])
                m_conflict = static_cast<std::uint32_t>(start + i);
        std::copy(record.data().begin(), record.data().end(),
                  m_image.bytes().begin() + static_cast<std::ptrdiff_t>(start));
        std::fill(m_covered.begin() + static_cast<std::ptrdiff_t>(start),
                  m_covered.begin() + static_cast<std::ptrdiff_t>(start + record.size), true);
        return {};
    }

    ImageBuffer& m_image;
    std::vector<bool> m_covered;
    std::uint64_t m_base = 0;
    std::uint32_t m_extended = 0;
    bool m_ended = false;
    std::optional<std::uint32_t> m_conflict;
};

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
    LineReader lines(text);
    std::size_t number = 0;
    std::size_t lastRecord = 0;
    ImageWriter writer(image);
    HexError conflict;
    while (const auto line = lines.next()) {
        ++number;
        if (isBlankLine(*line))
            continue;
        lastRecord = number;
        const RecordParse parse = parseHexRecord(*line);
        if (!parse.ok)
            return refuse(number, parse.error);
        if (std::string error = writer.apply(parse.record); !error.empty())
            return refuse(number, error);
        if (writer.conflict() && conflict.line == 0)
            conflict = {number, "data at " + hexWord(*writer.conflict()) +
                                    " differs from what an earlier record put there."};
        if (writer.ended())
            break;  // what follows the end record is not part of the image
    }
    HexError afterEnd;
    const std::size_t endLine = number;
    while (const auto line = lines.next()) {
        ++number;
        if (!isBlankLine(*line)) {
            afterEnd = {number,
                        "the file goes on after its end record on line " + std::to_string(endLine) + "."};
            break;
        }
    }
    if (lastRecord == 0)
        return refuse(0, "The update file is empty: it holds no Intel HEX records.");
    if (!writer.ended())
        return refuse(lastRecord, "the file ends here without an end record (:00000001FF).");
    return {std::move(image), {}, writer.takeCovered(), std::move(conflict), std::move(afterEnd)};
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
