#include "core/online/DownloadSession.h"

namespace vantor::online {

std::int64_t DownloadSession::beginAttempt(double now) {
    const std::int64_t onDisk = m_received;
    // Without a validator the server cannot be asked for "the rest of this same file": its file
    // may have been replaced, and equal bytes where the two attempts meet prove nothing.
    if (m_resuming)
        m_received = m_validator ? ResumeOffset(m_received) : 0;
    m_refetched = onDisk - m_received;
    m_progress.received = m_received;
    m_attemptStart = now;
    m_attemptFrom = m_received;
    return m_received;
}

bool DownloadSession::tooSlow(double now) const {
    const double seconds = attemptSeconds(now);
    return seconds >= kSlowGraceSeconds &&
           static_cast<double>(attemptBytes()) < kMinimumBytesPerSecond * seconds;
}

std::optional<std::string> DownloadSession::ifRange() const {
    if (!m_resuming || m_received == 0)
        return std::nullopt;
    return m_validator;
}

ReplyDecision DownloadSession::acceptHead(const ReplyHead& head, double now) {
    ReplyDecision decision = DecideReply(head, m_resuming, m_received, m_total, m_url);
    if (decision.verdict == ReplyVerdict::Save && m_refuseWebPages && IsWebPage(head))
        decision = {ReplyVerdict::Refuse, WebPageMessage(m_url), std::nullopt};
    m_framed = head.contentLength.has_value() || head.chunked;
    m_endedUnframed = false;
    // A resume that backed off to byte 0 keeps nothing of the earlier reply: it is a fresh start,
    // with this reply's length.
    if (decision.verdict == ReplyVerdict::Save && (!m_resuming || m_received == 0))
        startFresh(head, decision, now);
    else if (decision.verdict == ReplyVerdict::Save && !m_total)
        m_total = decision.total;  // a resumed reply of unknown length may tell it now
    else if (decision.verdict == ReplyVerdict::Refuse)
        fail();
    else if (decision.verdict == ReplyVerdict::BrokenOff)
        keepWhatIsOnDisk();
    if (decision.verdict == ReplyVerdict::Save && m_sizeLimit && m_total && *m_total > *m_sizeLimit) {
        fail();
        return {ReplyVerdict::Refuse, FileTooLargeMessage(*m_sizeLimit), std::nullopt};
    }
    return decision;
}

void DownloadSession::keepWhatIsOnDisk() {
    // Nothing was truncated yet: the next resume backs off from the end of the file, not from
    // this attempt's start, so that retries never eat into what arrived.
    m_received += m_refetched;
    m_refetched = 0;
    m_progress.received = m_received;
}

void DownloadSession::restartFromZero() {
    m_resuming = false;
    m_received = 0;
    m_refetched = 0;
    m_total.reset();
    m_validator.reset();
    m_progress = {};
}

void DownloadSession::startFresh(const ReplyHead& head, const ReplyDecision& decision, double now) {
    // The clock is not reset by a resume: the rate covers the whole download.
    if (!m_startTime)
        m_startTime = now - kStartHeadStart;
    m_total = decision.total;
    m_validator = ResumeValidator(head);
    m_received = 0;
    m_progress = {0, m_total, 0, 0};
}

std::optional<std::int64_t> DownloadSession::bytesStillNeeded() const {
    if (!m_total)
        return std::nullopt;
    return *m_total - m_received;
}

void DownloadSession::addBytes(std::int64_t count, double now) {
    m_received += count;
    const double elapsed = m_startTime ? now - *m_startTime : kStartHeadStart;
    m_progress.received = m_received;
    m_progress.total = m_total;
    m_progress.bytesPerSecond = elapsed > 0 ? static_cast<double>(m_received) / elapsed : 0;
    m_progress.secondsLeft = (m_total && m_progress.bytesPerSecond > 0)
                                 ? static_cast<double>(*m_total - m_received) / m_progress.bytesPerSecond
                                 : 0;
}

void DownloadSession::bodyEnded() {
    if (!m_total && m_framed)
        m_total = m_received;
    m_endedUnframed = !m_framed && !m_total;
    m_progress.total = m_total;
}

DownloadSession::Ending DownloadSession::endAttempt(bool fileExists) {
    if (!m_failed && !m_cancelSearch && m_total && *m_total == 0) {
        // An empty body is no update file: "completing" it would leave nothing to load.
        fail();
        return Ending::EmptyFile;
    }
    if (!m_failed && !m_cancelSearch && complete())
        return Ending::Completed;
    if (m_failed || m_cancelSearch || !fileExists) {
        m_cancelSearch = true;
        return Ending::Abandon;
    }
    return m_endedUnframed ? Ending::NoLength : Ending::AskRetry;
}

}  // namespace vantor::online
