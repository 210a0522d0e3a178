#include "core/firmware/UpdateJournal.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "core/firmware/Sha256.h"
#include "core/firmware/UserTables.h"
#include "core/scale/SerialNumber.h"

namespace vantor::firmware {

namespace {

bool isSha256(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f');
           });
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return std::iscntrl(static_cast<unsigned char>(c)); });
}

// The lines after the first as key=value pairs; false for a line that is none, a key twice, or a
// control character left in a line (this program never writes one, and a stray carriage return
// would not survive the journal's next write).
bool readFields(std::string_view text, std::map<std::string, std::string>& fields) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0 || hasControlCharacter(line))
            return false;
        if (!fields.emplace(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))).second)
            return false;
    }
    return true;
}

}  // namespace

std::string formatJournal(const UpdateJournal& journal) {
    return std::string(kJournalFormat) + "\n" + "serial=" + journal.serial + "\n" +
           "image-sha256=" + journal.imageSha256 + "\n" + "image-file=" + journal.imageFile + "\n" +
           "backup-file=" + journal.backupFile + "\n" + "tables-sha256=" + journal.tablesSha256 + "\n" +
           "started=" + journal.started + "\n" + "phase=" + journal.phase + "\n" +
           "pages=" + std::to_string(journal.pages) + "\n";
}

std::optional<UpdateJournal> parseJournal(std::string_view text, std::string& error) {
    const std::size_t firstEnd = text.find('\n');
    std::string_view first = text.substr(0, firstEnd);
    if (!first.empty() && first.back() == '\r')
        first.remove_suffix(1);
    if (first != kJournalFormat) {
        error = "not an update journal of this program";
        return std::nullopt;
    }
    std::map<std::string, std::string> fields;
    if (firstEnd == std::string_view::npos || !readFields(text.substr(firstEnd + 1), fields)) {
        error = "a damaged line";
        return std::nullopt;
    }
    UpdateJournal journal;
    journal.serial = fields["serial"];
    journal.imageSha256 = fields["image-sha256"];
    journal.imageFile = fields["image-file"];
    journal.backupFile = fields["backup-file"];
    journal.tablesSha256 = fields["tables-sha256"];
    journal.started = fields["started"];
    journal.phase = fields["phase"];
    const std::string& pages = fields["pages"];
    const auto [end, failure] = std::from_chars(pages.data(), pages.data() + pages.size(), journal.pages);
    if (!scale::CheckSerial(journal.serial) || !isSha256(journal.imageSha256) || journal.imageFile.empty() ||
        (!journal.tablesSha256.empty() && !isSha256(journal.tablesSha256)) || failure != std::errc() ||
        end != pages.data() + pages.size() || journal.phase.empty()) {
        error = "a field missing or wrong";
        return std::nullopt;
    }
    return journal;
}

std::string journalPhase(UpdateStep step, const scale::Progress& progress) {
    switch (step) {
        case UpdateStep::SavingTables:
            return "saving-tables";
        case UpdateStep::WritingTablesBack:
            return "writing-tables-back";
        case UpdateStep::Updating:
            break;
    }
    return progress.phase == scale::Phase::Verify ? "verifying" : "writing";
}

RegionVerdict judgeRegion(std::span<const Byte> region, const std::optional<Bytes>& saved,
                          const std::string& savedSha256, const ImageBuffer& image) {
    const bool asSaved = saved ? std::equal(region.begin(), region.end(), saved->begin(), saved->end())
                               : !savedSha256.empty() && sha256Hex(region) == savedSha256;
    if (asSaved)
        return RegionVerdict::Intact;
    for (std::size_t offset = 0; offset + scale::kPageSize <= region.size(); offset += scale::kPageSize) {
        const auto page = region.subspan(offset, scale::kPageSize);
        const auto written = image.page(static_cast<std::uint32_t>(kTablesStart + offset));
        const bool erased = std::all_of(page.begin(), page.end(), [](Byte b) { return b == 0xFF; });
        const bool fromImage = std::equal(page.begin(), page.end(), written.begin(), written.end());
        const bool fromSaved = saved && std::equal(page.begin(), page.end(),
                                                   saved->begin() + static_cast<std::ptrdiff_t>(offset));
        if (!erased && !fromImage && !fromSaved)
            return RegionVerdict::Other;
    }
    return RegionVerdict::Updated;
}

bool JournalPace::due(const std::string& phase, std::size_t pages) {
    // A restarted run reports fewer pages than before: that is news too.
    if (phase == m_phase && pages >= m_written && pages < m_written + kJournalPages)
        return false;
    m_phase = phase;
    m_written = pages;
    return true;
}

}  // namespace vantor::firmware
