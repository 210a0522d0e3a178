#include "FirmwareCommands.h"

#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "DownloadCommands.h"
#include "FleetFlash.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "TablesCommands.h"
#include "Terminal.h"
#include "app/SerialNumberSetting.h"
#include "app/WholeFile.h"
#include "firmware/IntelHexLoader.h"
#include "firmware/ProgrammingRun.h"
#include "firmware/TimeLeft.h"
#include "scale/DetectionRound.h"
#include "scale/DeviceLock.h"
#include "scale/ScaleLink.h"
#include "scale/SerialNumber.h"
#include "scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::firmware;
using namespace vantor::scale;

namespace {

constexpr std::size_t kProgressLineEvery = 64;  // pages between progress lines when stderr is no terminal
constexpr std::size_t kBytesPerLine = 16;

// `shownName`: how the refusal names the file (the URL for a downloaded one).
std::optional<ImageBuffer> loadUpdateFile(const std::string& path, const std::string& shownName = {}) {
    HexLoad load = IntelHexLoader::loadFile(path);
    if (!load.image) {
        std::cerr << (shownName.empty() ? path : shownName) << ": " << load.error.message() << "\n";
        return std::nullopt;
    }
    return std::move(*load.image);
}

// Opens the port for the scale link; the reason and, where it helps, how to get access on failure.
// Pages written, then pages verified: rewritten in place on a terminal, a line now and then otherwise.
class ProgressReport {
public:
    ProgressReport() : m_terminal(stderrIsTerminal()) {}
    ~ProgressReport() {
        if (m_open)
            std::cerr << "\n";
    }

    void show(const Progress& progress) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        if (auto left = m_timeLeft.update(runUnitsDone(progress), kRunUnits, elapsed))
            m_left = std::move(*left);
        line(progress.phase == Phase::Verify ? "verified" : "written", progress.done);
    }
    void done() { line("verified", kPageCount); }

private:
    void line(const char* what, std::size_t pages) {
        if (m_terminal) {
            std::cerr << "\rPages " << what << ": " << pages << "/" << kPageCount;
            if (!m_left.empty())
                std::cerr << ", " << m_left << " left";
            std::cerr << "        " << std::flush;
            m_open = true;
        } else if (pages % kProgressLineEvery == 0) {
            std::cerr << "Pages " << what << ": " << pages << "/" << kPageCount << "\n";
        }
    }

    bool m_terminal;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    TimeLeft m_timeLeft;
    std::string m_left;
};

std::optional<std::uint32_t> addressArgument(const std::string& text, std::uint32_t limit, const char* what) {
    const auto value = parseCliNumber(text);
    if (!value || *value > limit) {
        std::cerr << what << " must be a number from 0 to " << limit << " (decimal or 0x hexadecimal), not '"
                  << text << "'.\n";
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
}

void printDump(std::uint32_t address, const Bytes& bytes) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerLine) {
        char label[16];
        std::snprintf(label, sizeof label, "%04X:", static_cast<unsigned>(address + offset));
        const std::size_t count = std::min(kBytesPerLine, bytes.size() - offset);
        std::cout << label << " " << toHex(std::span(bytes).subspan(offset, count), true) << "\n";
    }
}

}  // namespace

int imageCommand(const ParsedCommand& command) {
    const std::string serial =
        command.value("serial").value_or(app::SerialNumberSetting::read().toStdString());
    if (command.value("serial") && !CheckSerial(serial)) {
        std::cerr << "--serial must be exactly 8 digits, not '" << serial << "'.\n";
        return kBadInput;
    }
    const auto output = command.value("output");
    if (!output) {
        std::cerr << "image needs --output OUT: the file to write the 65,536-byte image to.\n";
        return kBadInput;
    }
    std::optional<ImageBuffer> image = loadUpdateFile(command.arguments.at(0));
    if (!image)
        return kBadInput;
    image->UpdateSN(serial);

    const auto bytes = image->bytes();
    if (const auto failure = app::saveWhole(QString::fromStdString(*output),
                                            {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) {
        std::cerr << "Cannot write " << *output << ": " << *failure << "\n";
        return kBadInput;
    }
    return kSuccess;
}

int flashCommand(const ParsedCommand& command) {
    const std::string& source = command.arguments.at(0);
    // A URL is downloaded into a folder of its own, removed again when the command ends.
    QTemporaryDir downloads;
    std::string file = source;
    if (isDownloadUrl(source)) {
        if (!downloads.isValid()) {
            std::cerr << "Cannot create a temporary folder for the download: "
                      << downloads.errorString().toStdString() << "\n";
            return kScaleFailed;
        }
        file = downloads.filePath(QStringLiteral("VantorUSA_APROM.hex")).toStdString();
        if (const int status = downloadFile(source, QString::fromStdString(file), kDefaultRetries);
            status != kSuccess)
            return status;
    }
    // The whole file is checked before the scale is even looked for.
    const std::optional<ImageBuffer> image = loadUpdateFile(file, source);
    if (!image)
        return kBadInput;
    if (const std::vector<std::string> ports = command.allValues("port");
        command.has("all") || ports.size() > 1) {
        if (command.has("all") && !ports.empty()) {
            std::cerr << "flash takes --all or --port, not both.\n";
            return kBadInput;
        }
        // Two names of one scale would be two runs writing it at once.
        if (const auto repeated = repeatedDevice(ports)) {
            std::cerr << "--port " << repeated->second << " is the same device as --port " << repeated->first
                      << "; give each scale once.\n";
            return kBadInput;
        }
        const std::vector<std::string> fleet = command.has("all") ? detectEveryScale() : ports;
        if (fleet.empty())
            return kScaleFailed;
        return flashFleet(*image, fleet, command.has("keep-tables"));
    }

    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);

    // With the tables kept, the number read for their backup serves the run too; without it, or
    // when the scale gave none, the run asks for it itself.
    std::optional<std::string> serial;
    std::optional<TablesBackup> backup;
    if (command.has("keep-tables")) {
        serial = ReadScaleSerial(transport);
        if (serial)
            backup = backupBeforeUpdate(transport, *serial, std::cerr);
        else
            std::cerr << "The scale did not give its serial number; the update goes on without a backup.\n";
    }

    ScaleProgramming programming;
    {
        ProgressReport report;
        const ProgressSink progress = [&](const Progress& p) { report.show(p); };
        programming = serial ? programWithSerial(transport, *image, *serial, progress, stop)
                             : programWithScaleSerial(transport, *image, progress, stop);
        if (programming.result.succeeded())
            report.done();
    }

    const OperationResult& result = programming.result;
    if (result.cancelled()) {
        std::cerr << "Stopped: the scale on " << *port << " was not completely updated.\n";
        if (backup)
            std::cerr << "The tables backup is " << backup->path << "\n";
        return kScaleFailed;
    }
    if (!result.succeeded()) {
        std::cerr << describe(result) << " The scale on " << *port << " was not updated.\n";
        if (backup)
            std::cerr << "The tables backup is " << backup->path << "\n";
        return kScaleFailed;
    }
    std::cout << "Scale " << result.serial << " on " << *port << " updated: " << describe(result) << "\n";
    if (backup)
        restoreAfterUpdate(transport, *image, *backup, result.serial, std::cerr);
    transport.close();
    return kSuccess;
}

int readCommand(const ParsedCommand& command) {
    const auto address = addressArgument(command.arguments.at(0), 0xFFFF, "ADDRESS");
    if (!address)
        return kBadInput;
    const std::uint32_t room = static_cast<std::uint32_t>(kMemorySize) - *address;
    std::uint32_t length = static_cast<std::uint32_t>(kPageSize);
    if (command.arguments.size() > 1) {
        const auto given = addressArgument(command.arguments[1], room, "LENGTH");
        if (!given)
            return kBadInput;
        length = *given;
    }
    if (length == 0)
        return kSuccess;

    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;

    Bytes memory;
    for (std::uint32_t at = *address; at < *address + length; at += static_cast<std::uint32_t>(kPageSize)) {
        const Bytes command = readPageCommand(static_cast<std::uint16_t>(at));
        const Reply reply = exchange(transport, command, kReadReplySize, kSerialReadLimit);
        std::span<const Byte> page;
        if (const Outcome outcome = pageOf(reply, at, page); outcome != Outcome::Success) {
            OperationResult failed = failedAt(Stage::Read, outcome);
            failed.page = at;
            std::cerr << "The scale on " << *port << ": " << describe(failed) << "\n";
            return kScaleFailed;
        }
        const std::size_t take = std::min<std::size_t>(kPageSize, *address + length - at);
        memory.insert(memory.end(), page.begin(), page.begin() + static_cast<std::ptrdiff_t>(take));
    }
    printDump(*address, memory);
    return kSuccess;
}

}  // namespace vantor::cli
