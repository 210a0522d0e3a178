#include "SimulatorProcess.h"

#include <filesystem>

#ifndef VANTOR_SCALE_SIM_PATH
#error "VANTOR_SCALE_SIM_PATH must name the vantor-scale-sim executable"
#endif

namespace vantor::test {

std::string SimulatorProcess::executable() {
    return VANTOR_SCALE_SIM_PATH;
}

// Its stderr stays the test's stderr: the simulator's complaints show up beside the failure.
SimulatorProcess::SimulatorProcess(const std::vector<std::string>& arguments) {
    m_child.start(executable(), arguments, -1);
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
