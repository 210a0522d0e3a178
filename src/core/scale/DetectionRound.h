#pragma once

// The rules of one scale detection over several ports probed at the same time: each port is sent
// the serial-number read, and the first port whose answer passes CheckSerial wins. When answers
// arrive together the lowest port in detection order wins. The shell feeds in what each port does.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/scale/Bytes.h"

namespace vantor::scale {

enum class PortProblem { NotFound, PermissionDenied, Busy, Other };

// What a port held by another program says, in place of the system's words for its lock.
inline constexpr const char* kPortBusy = "The port is busy: another program is using it.";

struct RefusedPort {
    std::string port;
    PortProblem problem = PortProblem::Other;
    std::string detail;  // the system's own words
};

struct FoundScale {
    std::string port;
    std::string serial;
};

// What a detection waits for: the first scale (the program's one scale), or an answer or the time
// limit from every port (every scale on the computer).
enum class DetectionGoal { FirstScale, EveryScale };

struct DetectionResult {
    std::optional<std::string> port;   // the port the scale answered on
    std::string serial;                // its serial number
    std::vector<FoundScale> scales;    // every port whose answer passed CheckSerial, in port order
    std::vector<RefusedPort> refused;  // ports that could not be opened
    bool found() const { return port.has_value(); }
};

class DetectionRound {
public:
    explicit DetectionRound(std::vector<std::string> ports, DetectionGoal goal = DetectionGoal::FirstScale);

    const std::vector<std::string>& ports() const { return m_ports; }

    // The port could not be opened or written to; it is left out.
    void portRefused(std::size_t index, PortProblem problem, std::string detail);
    // The port failed after it was opened (unplugged): it gives no answer.
    void portLost(std::size_t index);
    // Bytes read from the port; its answer is complete once a whole page reply has arrived.
    void bytesArrived(std::size_t index, std::span<const Byte> bytes);

    bool waitingFor(std::size_t index) const { return m_states[index].phase == Phase::Waiting; }
    // The first scale in port order is known (when only the first is wanted), or no port can still
    // answer.
    bool finished() const;
    // A port's answer passed the serial-number check; an earlier port may still be awaited.
    bool aScaleHasAnswered() const { return winner().has_value(); }
    DetectionResult result() const;

private:
    enum class Phase { Waiting, Answered, Silent };
    struct PortState {
        Phase phase = Phase::Waiting;
        Bytes received;
        std::string serial;
    };

    std::optional<std::size_t> winner() const;
    bool firstInOrderIsKnown() const;

    std::vector<std::string> m_ports;
    DetectionGoal m_goal;
    std::vector<PortState> m_states;
    std::vector<RefusedPort> m_refused;
};

// One line telling how to get access to a refused port: close the program that holds it, or, when
// the system denied it, what `deniedRemedy` (the system's own words, a sentence) says; "" when no
// port was refused for either reason.
std::string accessHint(const DetectionResult& result, const std::string& deniedRemedy);

}  // namespace vantor::scale
