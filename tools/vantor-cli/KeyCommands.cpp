#include "KeyCommands.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>

#include "PageCounter.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "Terminal.h"
#include "core/keys/KeyFlow.h"
#include "core/keys/KeyProgramming.h"
#include "core/keys/KeyTableCsv.h"
#include "core/scale/DetectionRound.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::keys;
using namespace vantor::scale;

namespace {

// A table file larger than this is no key table (128 short lines and comments).
constexpr std::streamsize kMaxTableFile = 1 << 20;

std::optional<std::int16_t> unitOption(const std::string& unit) {
    if (unit == "oz")
        return kOunces;
    if (unit == "lb")
        return kPounds;
    if (unit == "g")
        return kGrams;
    return std::nullopt;
}

std::optional<std::string> readFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot read the table " + path + ".";
        return std::nullopt;
    }
    std::string content(static_cast<std::size_t>(kMaxTableFile) + 1, '\0');
    in.read(content.data(), kMaxTableFile + 1);
    if (in.gcount() > kMaxTableFile) {
        error = "The table " + path + " is too large to be a key table.";
        return std::nullopt;
    }
    content.resize(static_cast<std::size_t>(in.gcount()));
    return content;
}

OperationResult writeKey(SerialTransport& transport, int keyNumber, const Bytes& block,
                         std::atomic<bool>& stop) {
    PageCounter counter("Pages written", PageCounter::Lines::Every);
    return ProgramData(transport, keyNumber, block, std::ref(counter), stop);
}

}  // namespace

int keyCommand(const ParsedCommand& command) {
    const auto key = parseCliNumber(command.arguments.at(0));
    if (!key || *key < 1 || *key > static_cast<unsigned long>(kKeyCount)) {
        std::cerr << "KEY must be a blank key number from 1 to 6, not '" << command.arguments.at(0) << "'.\n";
        return kBadInput;
    }
    const auto unit = unitOption(command.value("unit").value_or(""));
    if (!unit) {
        std::cerr << "key needs --unit oz, lb or g.\n";
        return kBadInput;
    }
    const auto tablePath = command.value("table");
    if (!tablePath) {
        std::cerr << "key needs --table CSV: lines \"max weight,rate\".\n";
        return kBadInput;
    }
    std::string error;
    const auto csv = readFile(*tablePath, error);
    if (!csv) {
        std::cerr << error << "\n";
        return kBadInput;
    }
    const bool yes = command.has("yes");
    const int keyNumber = static_cast<int>(*key);
    const Prompts prompts = terminalPrompts(yes);
    const TableRead read = readKeyTable(*csv, keyNumber, *unit, prompts.confirm);
    if (!read.table) {
        std::cerr << *tablePath << ": " << read.error << "\n";
        return read.declined ? kScaleFailed : kBadInput;
    }
    const Bytes block = keyBlock(weightsInGrams(read.table->MaxWts, *unit), ratesInCents(read.table->Rates));

    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;

    const KeyCheck check = checkKey(transport, keyNumber);
    switch (afterKeyCheck(check, keyNumber, prompts)) {
        case AfterCheck::Write:
            break;
        case AfterCheck::ScaleSilent:
            std::cerr << "The scale on " << *port << ": " << describe(check.check.exchange)
                      << " Nothing was written.\n";
            return kScaleFailed;
        case AfterCheck::Stop:
        case AfterCheck::KeyKept:
            return kScaleFailed;
    }

    // Ctrl+C ends the write at its next exchange, as every other command does, so the scale is
    // told where it stood instead of the program dying mid-page.
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);
    const auto started = std::chrono::steady_clock::now();
    const OperationResult result = writeKey(transport, keyNumber, block, stop);
    transport.close();
    firmware::recordOperation(firmware::history_operation::kKey, result, "key " + std::to_string(keyNumber),
                              started);
    if (!result.succeeded()) {
        std::cerr << "The scale on " << *port << ": " << describe(result) << "\n";
        return kScaleFailed;
    }
    std::cout << "Key " << keyNumber << " of scale " << result.serial << " on " << *port
              << " programmed: " << read.table->rowCount() << " ranges, " << kKeyPages
              << " pages written and verified.\n";
    return kSuccess;
}

}  // namespace vantor::cli
