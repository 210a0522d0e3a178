#include "core/zones/ZoneChart.h"

#include <algorithm>

#include "core/app/AsciiLower.h"

namespace vantor::zones {

namespace {

// The line of the page that names the origin: "3-digit ZIP Code prefix is 123", in any letter case.
constexpr std::string_view kOriginMarker = "3-digit ZIP Code prefix is ";
// The chart's first destination prefix; the page's text before it holds no entries.
constexpr std::string_view kChartStart = "005";
constexpr std::size_t kPrefixDigits = 3;
// From a zone back to the first digit of its prefix: the prefix, then one space.
constexpr std::size_t kPrefixOffset = kPrefixDigits + 1;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isDigit);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// One line of the page with its surrounding blanks removed and every run of blanks inside it read
// as one space (a chart copied from a browser's table separates its cells with tabs), read as if
// one space followed it, so that an entry at the very end of a line ends like any other.
class ChartLine {
public:
    explicit ChartLine(std::string_view line) {
        for (const char c : line) {
            if (!isBlank(c))
                m_text += c;
            else if (!m_text.empty() && m_text.back() != ' ')
                m_text += ' ';
        }
        if (!m_text.empty() && m_text.back() == ' ')
            m_text.pop_back();
    }

    std::size_t size() const { return m_text.size() + 1; }
    char at(std::size_t i) const { return i < m_text.size() ? m_text[i] : ' '; }
    bool startsWith(std::string_view start) const { return m_text.starts_with(start); }

    // Where the marker starts, ignoring letter case; npos when the line does not hold it. The
    // appended space counts, so a line that ends with the marker holds it.
    std::size_t findMarker(std::string_view marker) const {
        for (std::size_t start = 0; start + marker.size() <= size(); ++start) {
            std::size_t matched = 0;
            while (matched < marker.size() && asciiLower(at(start + matched)) == asciiLower(marker[matched]))
                ++matched;
            if (matched == marker.size())
                return start;
        }
        return std::string_view::npos;
    }

private:
    std::string m_text;
};

// The three characters after the marker, as the chart writes them. A line that ends early gives
// fewer, and the appended space counts as one of them, which makes the prefix invalid.
std::string originAfter(const ChartLine& line, std::size_t marker) {
    std::string origin;
    const std::size_t start = marker + kOriginMarker.size();
    for (std::size_t i = start; i < start + kOriginDigits && i < line.size(); ++i)
        origin += line.at(i);
    return origin;
}

void addEntry(ZoneChart& chart, std::int32_t prefix, std::int16_t zone) {
    if (chart.entriesFound < kZoneEntries) {
        const auto slot = static_cast<std::size_t>(chart.ZipCount);
        chart.ZipPrefixes[slot] = prefix;
        chart.Zones[slot] = zone;
        ++chart.ZipCount;
    }
    ++chart.entriesFound;
}

// The chart's legend marks some zones with "*" and some with "+"; the mark is dropped.
bool endsZone(char c) {
    return c == ' ' || c == '*' || c == '+';
}

// Every zone on the line: a digit with a space before it and a space or a mark after it, whose
// prefix (the three characters before that space) is a number. Anything else that looks like the
// pattern (a letter between spaces, a prefix cut off by the start of the line) is not an entry.
void scanEntries(const ChartLine& line, ZoneChart& chart) {
    for (std::size_t z = kPrefixOffset; z + 1 < line.size(); ++z) {
        const char zone = line.at(z);
        const char after = line.at(z + 1);
        if (!isDigit(zone) || line.at(z - 1) != ' ' || !endsZone(after))
            continue;
        const std::size_t prefixStart = z - kPrefixOffset;
        char prefix[kPrefixDigits];
        for (std::size_t k = 0; k < kPrefixDigits; ++k)
            prefix[k] = line.at(prefixStart + k);
        if (!allDigits(std::string_view(prefix, kPrefixDigits)))
            continue;
        addEntry(chart, (prefix[0] - '0') * 100 + (prefix[1] - '0') * 10 + (prefix[2] - '0'),
                 static_cast<std::int16_t>(zone - '0'));
    }
}

// Calls `examine` with each line after the first. Lines end at LF; a CR before it belongs to the
// line ending, since text pasted on Windows ends lines with CR LF and elsewhere with LF alone.
template <class Examine>
void forEachLineAfterTheFirst(std::string_view text, Examine examine) {
    std::size_t start = text.find('\n');
    while (start != std::string_view::npos) {
        ++start;
        const std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        examine(line);
        start = end;
    }
}

}  // namespace

ZoneChart ParseString(std::string_view text) {
    ZoneChart chart;
    bool found = false;
    forEachLineAfterTheFirst(text, [&](std::string_view pasted) {
        const ChartLine line(pasted);
        if (const std::size_t marker = line.findMarker(kOriginMarker); marker != std::string_view::npos)
            chart.OriginZip = originAfter(line, marker);
        if (!found && line.startsWith(kChartStart))
            found = true;
        if (found)
            scanEntries(line, chart);
    });
    return chart;
}

}  // namespace vantor::zones
