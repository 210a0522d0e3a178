#include "ZoneCommands.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "ScaleCommands.h"
#include "StopSignals.h"
#include "Terminal.h"
#include "core/app/OneLine.h"
#include "core/scale/DetectionRound.h"
#include "core/zones/ZoneFlow.h"
#include "core/zones/ZoneMessages.h"
#include "core/zones/ZoneProgramming.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::zones;

namespace {

// A zone-chart page is a few hundred kilobytes at most; anything far larger is not one.
constexpr std::uintmax_t kMaxChartBytes = 16 * 1024 * 1024;
constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

std::optional<std::string> readChartFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "Cannot read the zone chart " << path << ".\n";
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uintmax_t>(in.tellg());
    if (size > kMaxChartBytes) {
        std::cerr << path << " is " << size << " bytes: too large for a zone-chart page.\n";
        return std::nullopt;
    }
    in.seekg(0);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A page saved from a browser may write its blanks as UTF-8 non-breaking spaces; the zone
    // form's text box reads them as plain spaces, and so does this command.
    for (std::size_t at = text.find(kNoBreakSpace); at != std::string::npos;
         at = text.find(kNoBreakSpace, at))
        text.replace(at, kNoBreakSpace.size(), " ");
    return text;
}

// The form's confirmation, asked on the terminal. Without a terminal nobody can answer: No.
bool confirmed(const ParsedCommand& command, const Message& question, const ZoneChart& table) {
    std::cerr << "Zone chart for origin " << table.OriginZip << ": " << table.ZipCount << " destinations.\n";
    if (command.has("yes"))
        return true;
    if (!stdinIsTerminal()) {
        std::cerr << "Not confirmed (no terminal to ask; give --yes): nothing was written.\n";
        return false;
    }
    std::cerr << app::oneLine(question.text) << " [y/N] " << std::flush;
    const bool yes = readYes();
    if (!yes)
        std::cerr << "Nothing was written.\n";
    return yes;
}

// The form's messages on the terminal: a refusal on one line after the chart's file name, the
// question asked there.
Prompts terminalPrompts(const ParsedCommand& command, const std::string& path) {
    return {[&path](const Message& refusal) {
                std::cerr << path << ": " << refusal.title << ": " << app::oneLine(refusal.text) << "\n";
            },
            [&command](const Message& question, const ZoneChart& table) {
                return confirmed(command, question, table);
            }};
}

scale::OperationResult writeTable(scale::SerialTransport& transport, const ZoneTablePages& pages) {
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);
    return ProgramData(
        transport, pages,
        [](const scale::Progress& progress) {
            std::cerr << "Pages written: " << progress.done << "/" << progress.total << "\n";
        },
        stop);
}

}  // namespace

int zonesCommand(const ParsedCommand& command) {
    const std::string& path = command.arguments.at(0);
    const std::optional<std::string> pasted = readChartFile(path);
    if (!pasted)
        return kBadInput;
    const ZoneWrite write = askToWriteZones(*pasted, terminalPrompts(command, path));
    if (write.stop == ZoneWrite::Stop::Refused)
        return kBadInput;
    if (write.stop == ZoneWrite::Stop::Declined)
        return kScaleFailed;

    scale::SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;
    const auto started = std::chrono::steady_clock::now();
    const scale::OperationResult result = writeTable(transport, write.pages);
    transport.close();
    firmware::recordOperation(firmware::history_operation::kZones, result, "origin " + write.chart.OriginZip,
                              started);

    if (!result.succeeded()) {
        std::cerr << scale::describe(result) << " The zone table on " << *port << " is incomplete.\n";
        return kScaleFailed;
    }
    const ZoneChart& table = write.chart;
    std::cout << successMessage().text << " Origin " << table.OriginZip << ", " << table.ZipCount
              << " destinations, scale " << result.serial << " on " << *port << ".\n";
    return kSuccess;
}

}  // namespace vantor::cli
