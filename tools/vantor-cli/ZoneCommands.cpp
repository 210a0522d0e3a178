#include "ZoneCommands.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "PageCounter.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "Terminal.h"
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
        text.replace(at, kNoBreakSpace.size(), 1, ' ');
    return text;
}

scale::OperationResult writeTable(scale::SerialTransport& transport, const ZoneTablePages& pages) {
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);
    PageCounter counter("Pages written", PageCounter::Lines::Every);
    return ProgramData(transport, pages, std::ref(counter), stop);
}

}  // namespace

int zonesCommand(const ParsedCommand& command) {
    const std::string& path = command.arguments.at(0);
    const std::optional<std::string> pasted = readChartFile(path);
    if (!pasted)
        return kBadInput;
    // A refusal names the chart's file; the question names its origin and destinations.
    const ZoneWrite write = askToWriteZones(*pasted, terminalPrompts(command.has("yes"), path + ": "));
    if (write.stop == ZoneWrite::Stop::Refused)
        return kBadInput;
    if (write.stop == ZoneWrite::Stop::Declined) {
        std::cerr << "Not confirmed: nothing was written.\n";
        return kScaleFailed;
    }
    std::cerr << "Zone chart for origin " << write.chart.OriginZip << ": " << write.chart.ZipCount
              << " destinations.\n";

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
