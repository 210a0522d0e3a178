#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "core/scale/DetectionRound.h"
#include "core/scale/ScaleLink.h"

namespace vantor::scale {

// Asks every port for the serial number at the same time, so that silent ports do not add their
// time-outs one after the other. Runs a local event loop on the calling thread until a scale has
// answered, every port is done, or the time limit of the serial-number read has passed. Every
// port is closed again when it returns.
class PortDetector {
public:
    explicit PortDetector(std::chrono::milliseconds limit = kSerialReadLimit) : m_limit(limit) {}

    DetectionResult detect(const std::vector<std::string>& ports, const std::atomic<bool>* cancel = nullptr,
                           DetectionGoal goal = DetectionGoal::FirstScale);

private:
    std::chrono::milliseconds m_limit;
};

}  // namespace vantor::scale
