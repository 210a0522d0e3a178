#include "SimulatorProcess.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>

#ifndef VANTOR_SCALE_SIM_PATH
#error "VANTOR_SCALE_SIM_PATH must name the vantor-scale-sim executable"
#endif

namespace vantor::test {

std::string SimulatorProcess::executable() {
    return VANTOR_SCALE_SIM_PATH;
}

std::uint32_t SimulatorProcess::seed() {
    static const std::uint32_t chosen = [] {
        std::uint32_t seed = std::random_device{}();
        if (const char* given = std::getenv("VANTOR_SIM_SEED"))
            seed = static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10));
        std::cerr << "[simulated scales vary their answers with --seed " << seed
                  << "; VANTOR_SIM_SEED=" << seed << " repeats them]\n";
        return seed;
    }();
    return chosen;
}

std::vector<std::string> SimulatorProcess::plainAnswers(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(),
                     {"--byte-zero", "echo", "--tails", "0", "--answer-finish", "0", "--pieces", "0"});
    return arguments;
}

std::vector<std::string> SimulatorProcess::defaultAnswers(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--tails", "0", "--answer-finish", "0", "--pieces", "0"});
    return arguments;
}

// Its stderr stays the test's stderr: the simulator's complaints show up beside the failure.
// Every simulator varies what the protocol leaves open, so that no test passes only because the
// scale answers the way the program expects; a test's own options come after and win.
SimulatorProcess::SimulatorProcess(const std::vector<std::string>& arguments) {
    std::vector<std::string> varied{"--vary", "--seed", std::to_string(seed())};
    varied.insert(varied.end(), arguments.begin(), arguments.end());
    m_child.start(executable(), varied, -1);
    m_devicePath = m_child.firstLine(kStartLimit, "device path");
}

SimulatorProcess::~SimulatorProcess() {
    stop();
}

void SimulatorProcess::plugInAt(const std::string& link) const {
    std::filesystem::remove(link);
    std::filesystem::create_symlink(m_devicePath, link);
}

int SimulatorProcess::stop() {
    return m_child.stop();
}

SimulatorProcess::Outcome SimulatorProcess::run(const std::vector<std::string>& arguments) {
    return ChildProcess::run(executable(), arguments, kStopLimit);
}

}  // namespace vantor::test
