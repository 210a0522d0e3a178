#include "core/firmware/ScaleVerify.h"

#include <algorithm>
#include <cstdio>

#include "core/firmware/UserTables.h"
#include "core/scale/PageWrite.h"
#include "core/scale/ScaleLink.h"

namespace vantor::firmware {

using scale::kPageSize;

namespace {

bool pageDiffers(std::span<const Byte> expected, std::span<const Byte> scale, std::uint32_t page) {
    return !std::equal(expected.begin() + page, expected.begin() + page + kPageSize, scale.begin() + page);
}

// Nothing on the line guards a reply against a changed byte: a page that differs is read again,
// until two reads agree, before the difference is reported. The agreed bytes replace the first read.
scale::OperationResult confirmDifferences(scale::ScaleTransport& transport, std::span<const Byte> expected,
                                          Bytes& scale, bool withTables, const std::atomic<bool>& cancel) {
    for (std::uint32_t page = 0; page + kPageSize <= scale.size(); page += kPageSize) {
        if ((!withTables && inTablesRegion(page)) || !pageDiffers(expected, scale, page))
            continue;
        Bytes again;
        const auto outcome = cancel.load()
                                 ? scale::Outcome::Cancelled
                                 : scale::ReadAgreedPage(transport, static_cast<std::uint16_t>(page), again);
        if (outcome != scale::Outcome::Success) {
            scale::OperationResult failed = scale::failedAt(scale::Stage::Read, outcome);
            failed.page = page;
            return failed;
        }
        std::copy(again.begin(), again.end(), scale.begin() + page);
    }
    return {};
}

}  // namespace

ImageDifference compareImage(std::span<const Byte> expected, std::span<const Byte> scale, bool withTables) {
    ImageDifference difference;
    for (std::uint32_t page = 0; page + kPageSize <= expected.size() && page + kPageSize <= scale.size();
         page += kPageSize) {
        if (!withTables && inTablesRegion(page))
            continue;
        for (std::uint32_t at = page; at < page + kPageSize; ++at) {
            if (expected[at] == scale[at])
                continue;
            if (difference.pages == 0) {
                difference.firstAddress = at;
                difference.scaleByte = scale[at];
                difference.fileByte = expected[at];
            }
            ++difference.pages;
            break;
        }
    }
    return difference;
}

ScaleCheck verifyScale(scale::ScaleTransport& transport, const ImageBuffer& image,
                       const scale::ProgressSink& progress, const std::atomic<bool>& cancel) {
    ScaleCheck check;
    const std::optional<std::string> serial = scale::ReadCheckedSerial(transport);
    if (!serial) {
        check.read = scale::failedAt(scale::Stage::SerialRead,
                                     cancel.load() ? scale::Outcome::Cancelled : scale::Outcome::NoReply);
        check.read.pagesTotal = scale::kPageCount;
        return check;
    }
    scale::PagesRead read = scale::ReadPages(transport, 0, scale::kPageCount, progress, cancel);
    check.read = read.result;
    check.read.serial = *serial;
    if (!read.result.succeeded())
        return check;

    ImageBuffer expected = image;
    expected.UpdateSN(*serial);
    check.tablesCompared = !leavesTablesBlank(image);
    const scale::OperationResult confirmed =
        confirmDifferences(transport, expected.bytes(), read.bytes, check.tablesCompared, cancel);
    if (!confirmed.succeeded()) {
        check.read.outcome = confirmed.outcome;
        check.read.stage = confirmed.stage;
        check.read.page = confirmed.page;
        return check;
    }
    check.difference = compareImage(expected.bytes(), read.bytes, check.tablesCompared);
    check.tables = tablesState(std::span(read.bytes).subspan(kTablesStart, kTablesSize));
    return check;
}

std::string verifyText(const ScaleCheck& check) {
    if (!check.read.succeeded())
        return scale::describe(check.read);
    std::string text;
    const ImageDifference& d = check.difference;
    if (d.pages == 0) {
        text = "matches";
    } else {
        char first[64];
        std::snprintf(first, sizeof first, "; first at 0x%04X: scale %02X, update file %02X",
                      static_cast<unsigned>(d.firstAddress), static_cast<unsigned>(d.scaleByte),
                      static_cast<unsigned>(d.fileByte));
        text = std::to_string(d.pages) + (d.pages == 1 ? " page differs" : " pages differ") + first;
    }
    if (!check.tablesCompared)
        text += std::string("; zone table and keys: ") + programmedWord(check.tables.any());
    return text;
}

}  // namespace vantor::firmware
