#include "core/scale/DetectionRound.h"

#include <algorithm>

#include "core/scale/ScaleProtocol.h"
#include "core/scale/SerialNumber.h"

namespace vantor::scale {

DetectionRound::DetectionRound(std::vector<std::string> ports, DetectionGoal goal)
    : m_ports(std::move(ports)), m_goal(goal), m_states(m_ports.size()) {}

void DetectionRound::portRefused(std::size_t index, PortProblem problem, std::string detail) {
    m_states[index].phase = Phase::Silent;
    m_refused.push_back({m_ports[index], problem, std::move(detail)});
}

void DetectionRound::portLost(std::size_t index) {
    if (m_states[index].phase == Phase::Waiting)
        m_states[index].phase = Phase::Silent;
}

void DetectionRound::bytesArrived(std::size_t index, std::span<const Byte> bytes) {
    PortState& state = m_states[index];
    if (state.phase != Phase::Waiting)
        return;
    state.received.insert(state.received.end(), bytes.begin(), bytes.end());
    if (state.received.size() < kReadReplySize)
        return;
    // As in a single read of the port: the answer is what one read takes, at most 256 bytes.
    const std::size_t taken = std::min(state.received.size(), kMaxReadSize);
    state.serial = serialFromReply(std::span(state.received).first(taken));
    state.phase = Phase::Answered;
}

std::optional<std::size_t> DetectionRound::winner() const {
    for (std::size_t i = 0; i < m_states.size(); ++i)
        if (m_states[i].phase == Phase::Answered && CheckSerial(m_states[i].serial))
            return i;
    return std::nullopt;
}

bool DetectionRound::finished() const {
    return (m_goal == DetectionGoal::FirstScale && firstInOrderIsKnown()) ||
           std::none_of(m_states.begin(), m_states.end(),
                        [](const PortState& s) { return s.phase == Phase::Waiting; });
}

// The scale chosen is the first in port order, not the first to answer: a later port's answer
// decides only once every port before it has answered or fallen silent.
bool DetectionRound::firstInOrderIsKnown() const {
    for (const PortState& state : m_states) {
        if (state.phase == Phase::Waiting)
            return false;
        if (state.phase == Phase::Answered && CheckSerial(state.serial))
            return true;
    }
    return false;
}

DetectionResult DetectionRound::result() const {
    DetectionResult result;
    result.refused = m_refused;
    if (const auto w = winner()) {
        result.port = m_ports[*w];
        result.serial = m_states[*w].serial;
    }
    for (std::size_t i = 0; i < m_states.size(); ++i)
        if (m_states[i].phase == Phase::Answered && CheckSerial(m_states[i].serial))
            result.scales.push_back({m_ports[i], m_states[i].serial});
    return result;
}

std::string accessHint(const DetectionResult& result, const std::string& deniedRemedy) {
    for (const RefusedPort& refused : result.refused) {
        // A port held by another program is no question of the cable or the scale's power.
        if (refused.problem == PortProblem::Busy)
            return refused.port + " is in use by another program: close that program, then try again.";
        if (refused.problem != PortProblem::PermissionDenied)
            continue;
        return "Access to " + refused.port + " was denied: " + deniedRemedy;
    }
    return {};
}

}  // namespace vantor::scale
