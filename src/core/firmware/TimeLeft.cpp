#include "core/firmware/TimeLeft.h"

#include "core/online/modGlobals.h"

namespace vantor::firmware {

std::optional<std::string> TimeLeft::update(std::size_t done, std::size_t total, double elapsedSeconds) {
    elapsedSeconds -= m_waitedSeconds;
    if (done < m_lastDone) {
        m_startDone = done;
        m_startSeconds = elapsedSeconds;
    }
    m_lastDone = done;
    if (m_shownAt && elapsedSeconds - *m_shownAt < kRefreshSeconds)
        return std::nullopt;
    const std::size_t measured = done - m_startDone;
    const double spent = elapsedSeconds - m_startSeconds;
    if (measured < kMinimumDone || spent <= 0 || done > total)
        return std::nullopt;
    m_shownAt = elapsedSeconds;
    const double secondsLeft = static_cast<double>(total - done) * spent / static_cast<double>(measured);
    return online::FormatSeconds(secondsLeft);
}

std::size_t runUnitsDone(const scale::Progress& progress) {
    return progress.phase == scale::Phase::Verify ? progress.total + progress.done : progress.done;
}

}  // namespace vantor::firmware
