// vantor-scale-sim: a simulated scale on a pseudo-terminal, for anyone without a scale.

#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <random>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "MemoryFile.h"
#include "PseudoTerminal.h"
#include "SimulatorLoop.h"
#include "SimulatorOptions.h"
#include "core/scale/SerialNumber.h"

namespace {

using namespace vantor;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The signal handler's way to the loop; set before the handlers are installed.
sim::SimulatorLoop* g_loop = nullptr;

void stopOnSignal(int) {
    g_loop->requestStop();
}

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = stopOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int refuse(const std::string& message, int status) {
    std::cerr << "vantor-scale-sim: " << message << '\n';
    return status;
}

// The memory file, when it exists, is the scale: its serial number wins over --serial.
std::optional<scale::ScaleModel> makeModel(const sim::SimulatorOptions& options, std::string& error) {
    const std::string serial(options.serial.value_or(std::string(sim::kDefaultSerial)));
    if (!options.memoryFile)
        return scale::ScaleModel(serial);
    error = sim::checkMemoryFileWritable(*options.memoryFile);
    if (!error.empty())
        return std::nullopt;
    sim::MemoryLoad loaded = sim::loadMemoryFile(*options.memoryFile);
    error = loaded.error;
    if (!error.empty())
        return std::nullopt;
    if (!loaded.memory)
        return scale::ScaleModel(serial);
    scale::ScaleModel model(std::move(*loaded.memory));
    const std::string stored = toHex(std::span(model.memory()).subspan(scale::kSerialAddress, 4));
    if (options.serial && *options.serial != stored)
        std::cerr << "vantor-scale-sim: --serial ignored: " << *options.memoryFile << " holds serial number "
                  << stored << '\n';
    return model;
}

int serve(const sim::SimulatorOptions& options) {
    std::string error;
    std::optional<scale::ScaleModel> model = makeModel(options, error);
    if (!model)
        return refuse(error, kExitUsage);
    for (const scale::Fault& fault : options.faults)
        model->addFault(fault);
    scale::VariationSettings variations = options.variations;
    if (!options.seedGiven)
        variations.seed = std::random_device{}();
    model->setVariations(variations);
    if (options.verbose)
        std::cerr << "vantor-scale-sim: --seed " << variations.seed << '\n';

    try {
        sim::PseudoTerminal line;
        sim::SimulatorLoopOptions loopOptions;
        loopOptions.wireTiming = options.wireTiming;
        if (options.verbose)
            loopOptions.log = [](const std::string& text) { std::cerr << text << std::endl; };
        sim::SimulatorLoop loop(line, *model, loopOptions);
        g_loop = &loop;
        installStopHandlers();

        std::cout << line.devicePath() << std::endl;
        loop.run();
        if (model->poweredOff())
            std::cerr << "vantor-scale-sim: the power was cut by a fault; the memory is saved as it stood\n";
        else if (model->hungUp())
            std::cerr << "vantor-scale-sim: the line was hung up by a fault\n";
    } catch (const std::system_error& failure) {
        error = failure.what();
    }
    if (options.memoryFile) {
        const std::string saveError = sim::saveMemoryFile(*options.memoryFile, model->memory());
        if (!saveError.empty())
            return refuse(saveError, kExitFailure);
    }
    if (!error.empty())
        return refuse(error, kExitFailure);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const sim::SimulatorArguments parsed = sim::parseSimulatorArguments(arguments);
    switch (parsed.action) {
        case sim::SimulatorArguments::Action::Help:
            std::cout << sim::simulatorHelp();
            return 0;
        case sim::SimulatorArguments::Action::Version:
            std::cout << "vantor-scale-sim " VANTOR_VERSION "\n";
            return 0;
        case sim::SimulatorArguments::Action::Refuse:
            return refuse(parsed.error, kExitUsage);
        case sim::SimulatorArguments::Action::Serve:
            break;
    }
    return serve(parsed.options);
}
