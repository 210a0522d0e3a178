#pragma once

// The time a run has left, from the pace measured so far, in the program's own time format
// ("1 min 5 sec"). Knows no clock: the caller passes the time since the run started.

#include <cstddef>
#include <optional>
#include <string>

#include "core/scale/Progress.h"

namespace vantor::firmware {

class TimeLeft {
public:
    // No estimate before this much of the work is done: the first pages include the unlock and
    // say little about the pace.
    static constexpr std::size_t kMinimumDone = 8;
    // The text changes at most this often.
    static constexpr double kRefreshSeconds = 1.0;

    // `done` of `total` units after `elapsedSeconds`. The new text when it is due, nullopt when
    // the shown one stays. Work that goes back (a run that starts again) measures the pace anew.
    std::optional<std::string> update(std::size_t done, std::size_t total, double elapsedSeconds);
    // The run stood still for `seconds` (waiting for the user's answer): the pace leaves them out.
    void leaveOut(double seconds) { m_waitedSeconds += seconds; }

private:
    double m_waitedSeconds = 0;
    std::size_t m_startDone = 0;
    double m_startSeconds = 0;
    std::size_t m_lastDone = 0;
    std::optional<double> m_shownAt;
};

// The whole-image run's progress as work units of the run: each of the 512 page writes and 512
// page reads is one unit.
std::size_t runUnitsDone(const scale::Progress& progress);
inline constexpr std::size_t kRunUnits = 1024;

}  // namespace vantor::firmware
