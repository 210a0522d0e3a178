#include "core/firmware/UserTables.h"

#include <algorithm>
#include <cstdio>

#include "core/firmware/HexRecord.h"
#include "core/scale/SerialNumber.h"

namespace vantor::firmware {

using scale::kPageSize;
using scale::kSerialDigits;

namespace {

std::string hexRecordLine(std::uint16_t address, Byte type, std::span<const Byte> data) {
    Bytes record{static_cast<Byte>(data.size()), scale::addressHigh(address), scale::addressLow(address),
                 type};
    record.insert(record.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (Byte b : record)
        sum += b;
    record.push_back(static_cast<Byte>((0x100 - (sum & 0xFF)) & 0xFF));
    return ":" + toHex(record) + "\r\n";
}

bool coversAny(const std::vector<bool>& covered, std::uint32_t from, std::uint32_t to) {
    return std::any_of(covered.begin() + from, covered.begin() + to, [](bool c) { return c; });
}

std::string outsideRegionError(const std::vector<bool>& covered) {
    const auto inside = [](std::size_t a) { return a >= kTablesStart && a < kTablesEnd; };
    for (std::size_t address = 0; address < covered.size(); ++address) {
        if (covered[address] && !inside(address)) {
            char text[128];
            std::snprintf(
                text, sizeof text,
                "The file holds data at %04X, outside the tables region %04X..%04X: it is no tables backup.",
                static_cast<unsigned>(address), static_cast<unsigned>(kTablesStart),
                static_cast<unsigned>(kTablesEnd - 1));
            return text;
        }
    }
    return {};
}

}  // namespace

bool inTablesRegion(std::uint32_t address) {
    return address >= kTablesStart && address < kTablesEnd;
}

TablesRead readTables(scale::ScaleTransport& transport, const scale::ProgressSink& progress,
                      const std::atomic<bool>& cancel) {
    scale::PagesRead read =
        scale::ReadPages(transport, kTablesStart, kTablesPages, progress, cancel, inTablesRegion);
    TablesRead tables{std::nullopt, read.result};
    if (read.result.succeeded())
        tables.tables = std::move(read.bytes);
    return tables;
}

bool holdsTables(std::span<const Byte> tables) {
    return std::any_of(tables.begin(), tables.end(), [](Byte b) { return b != ImageBuffer::kErased; });
}

bool leavesTablesBlank(const ImageBuffer& image) {
    return !holdsTables(image.bytes().subspan(kTablesStart, kTablesSize));
}

std::string tablesHex(std::span<const Byte> tables) {
    std::string text;
    for (std::size_t offset = 0; offset + kBackupRecordSize <= tables.size(); offset += kBackupRecordSize) {
        const auto address = static_cast<std::uint16_t>(kTablesStart + offset);
        text += hexRecordLine(address, static_cast<Byte>(RecordType::Data),
                              tables.subspan(offset, kBackupRecordSize));
    }
    return text + hexRecordLine(0, static_cast<Byte>(RecordType::EndOfFile), {});
}

std::vector<scale::PageToWrite> tablePages(std::span<const Byte> tables) {
    std::vector<scale::PageToWrite> pages;
    for (std::size_t offset = 0; offset + kPageSize <= tables.size(); offset += kPageSize) {
        const auto page = tables.subspan(offset, kPageSize);
        pages.push_back({static_cast<std::uint16_t>(kTablesStart + offset), Bytes(page.begin(), page.end())});
    }
    return pages;
}

std::string tablesFileError(const HexLoad& load) {
    if (!load.image) {
        // The loader speaks of an update file; this one is a tables file.
        static constexpr std::string_view kUpdateFile = "The update file";
        std::string message = load.error.message();
        if (message.starts_with(kUpdateFile))
            message.replace(0, kUpdateFile.size(), "The file");
        return message;
    }
    // The loader lets a later record win and ignores what follows the end; in a backup either
    // means two backups mixed or a damaged file, and restoring it would write the wrong tables.
    if (load.conflict.line != 0)
        return load.conflict.message();
    if (load.afterEnd.line != 0)
        return load.afterEnd.message();
    if (std::string error = outsideRegionError(load.covered); !error.empty())
        return error;
    if (!coversAny(load.covered, kTablesStart, kTablesEnd))
        return "The file holds no data for the tables region.";
    return {};
}

TablesFile tablesFromHex(const HexLoad& load,
                         const std::function<std::optional<Bytes>(std::uint16_t)>& currentPage) {
    TablesFile file;
    if (file.error = tablesFileError(load); !file.error.empty())
        return file;
    for (std::uint32_t address = kTablesStart; address < kTablesEnd; address += kPageSize) {
        if (!coversAny(load.covered, address, address + kPageSize))
            continue;
        scale::PageToWrite page{static_cast<std::uint16_t>(address), {}};
        const auto fromFile = load.image->page(address);
        page.bytes.assign(fromFile.begin(), fromFile.end());
        if (!std::all_of(load.covered.begin() + address, load.covered.begin() + address + kPageSize,
                         [](bool c) { return c; })) {
            // Bytes the file leaves out keep what the scale holds now.
            const std::optional<Bytes> current = currentPage(page.address);
            if (!current) {
                file.pages.clear();
                file.error = "The scale's bytes of a page the file covers only in part could not be read.";
                return file;
            }
            for (std::size_t i = 0; i < kPageSize; ++i)
                if (!load.covered[address + i])
                    page.bytes[i] = (*current)[i];
        }
        file.pages.push_back(std::move(page));
    }
    return file;
}

scale::OperationResult writeTables(scale::ScaleTransport& transport,
                                   const std::vector<scale::PageToWrite>& pages,
                                   const scale::SerialBytes& serial, const scale::ProgressSink& progress,
                                   const std::atomic<bool>& cancel) {
    return scale::WritePages(transport, pages, serial, progress, cancel);
}

std::string backupFileName(const std::string& serial, const std::tm& when, unsigned n) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &when);
    const std::string number = n > 1 ? "-" + std::to_string(n) : std::string();
    return "Tables-" + serial + "-" + stamp + number + ".hex";
}

std::optional<std::string> backupNameSerial(const std::filesystem::path& file) {
    static constexpr std::string_view kPrefix = "Tables-";
    const std::string name = file.filename().string();
    if (!name.starts_with(kPrefix) || name.size() < kPrefix.size() + kSerialDigits + 1 ||
        name[kPrefix.size() + kSerialDigits] != '-')
        return std::nullopt;
    const std::string serial = name.substr(kPrefix.size(), kSerialDigits);
    if (!std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return serial;
}

std::optional<std::string> backupSerial(const std::filesystem::path& file, const std::string& recorded) {
    if (scale::CheckSerial(recorded))
        return recorded;
    return backupNameSerial(file);
}

std::string otherScaleRefusal(const std::string& file, const std::optional<std::string>& saved,
                              const std::string& serial) {
    if (!saved || *saved == serial)
        return {};
    return file + " was saved from the scale " + *saved + ", not from this one (" + serial +
           "). Nothing was written; to write another scale's zone table and keys into it, add --other-scale.";
}

std::string restoreQuestion(std::size_t pages, const std::string& file, const std::string& serial,
                            const std::string& port, const std::optional<std::string>& saved) {
    std::string question;
    if (saved && *saved != serial)
        question = file + " was saved from the scale " + *saved + ", not from this one. ";
    return question + "Write " + std::to_string(pages) + " pages of saved tables from " + file +
           " into the scale " + serial + " on " + port + "?";
}

}  // namespace vantor::firmware
