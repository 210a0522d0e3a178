#pragma once

// The attempt loop of one download, as decisions over numbers: where each attempt starts, what a
// reply head means, the progress figures, and how an attempt ends. The shell does the I/O and asks
// the user; this class keeps the counts and says what comes next.

#include <cstdint>
#include <optional>
#include <string>

#include "core/online/DownloadRules.h"

namespace vantor::online {

struct DownloadProgress {
    std::int64_t received = 0;
    std::optional<std::int64_t> total;  // unknown for a reply without Content-Length
    double bytesPerSecond = 0;
    double secondsLeft = 0;
};

class DownloadSession {
public:
    // The elapsed time counts from one second before the first reply, so that the first rate is finite.
    static constexpr double kStartHeadStart = 1.0;

    enum class Ending {
        Completed,  // the whole file is on disk
        AskRetry,   // the transfer broke off: offer to resume
        NoLength,   // the body ended cleanly, but without a length it cannot be known whole: offer to resume
        Abandon,    // give up; the partial file must go
        EmptyFile,  // the reply ended with no bytes at all: tell the user, then give up
    };

    explicit DownloadSession(std::string url, std::optional<std::int64_t> sizeLimit = std::nullopt)
        : m_url(std::move(url)), m_sizeLimit(sizeLimit) {}

    // A transfer slower than this on average, once it has run kSlowGraceSeconds, is given up: a
    // trickle would otherwise hold the download for ever, each byte restarting the silence limit.
    // A slow but honest link (a modem gives 5,000 bytes a second) stays well above it.
    static constexpr double kSlowGraceSeconds = 60.0;
    static constexpr double kMinimumBytesPerSecond = 256.0;

    // An update file is wanted: a reply that is a web page is refused.
    void refuseWebPages() { m_refuseWebPages = true; }

    // Starts an attempt at `now` seconds: a resumed one backs off from what was received, or
    // starts again from byte 0 when the server gave no validator (ETag or Last-Modified) that
    // proves its file is still the one on disk. Returns the Range start.
    std::int64_t beginAttempt(double now = 0);
    bool resuming() const { return m_resuming; }
    // How many bytes on disk this attempt fetches again (the resume's back-off): the reply's first
    // bytes must equal them, or the server's file is no longer the one on disk.
    std::int64_t refetchedBytes() const { return m_refetched; }
    // The If-Range value of this attempt: only a resume that keeps bytes on disk sends one.
    std::optional<std::string> ifRange() const;

    // The reply's head, at `now` seconds of a monotonic clock. A Save fixes the total on a fresh
    // attempt; a Refuse ends the download as failed, a total beyond the size limit included; a
    // BrokenOff ends the attempt as a broken transfer (endAttempt offers the retry).
    ReplyDecision acceptHead(const ReplyHead& head, double now);
    // The user agreed to download the whole file again: the reply that could not be used is
    // dropped, and the next attempt is a fresh one from byte 0 into an emptied file.
    void restartFromZero();
    // The user declined to go on (a restart, a retry) or cancelled.
    void cancel() { m_cancelSearch = true; }
    // A message was shown and the download is given up (write error, no room, empty file).
    void fail() {
        m_failed = true;
        m_cancelSearch = true;
    }

    // Where the file is written from on this attempt, and the bytes the disk must still take.
    std::int64_t writeOffset() const { return m_received; }
    std::optional<std::int64_t> bytesStillNeeded() const;

    void addBytes(std::int64_t count, double now);
    // This attempt has run long enough to be judged and brought less than the minimum rate.
    bool tooSlow(double now) const;
    double attemptSeconds(double now) const { return now - m_attemptStart; }
    std::int64_t attemptBytes() const { return m_received - m_attemptFrom; }
    // More bytes arrived than the size limit allows (a reply without a length that does not end).
    bool overSizeLimit() const { return m_sizeLimit && m_received > *m_sizeLimit; }
    // The body ended normally: a chunked reply without Content-Length now knows its total. A body
    // with neither ends only where the connection does, and a reset cannot be told from that end:
    // it is never taken as whole, and a resume (whose reply states the length) finishes it.
    void bodyEnded();
    DownloadProgress progress() const { return m_progress; }

    // How the attempt ends. `fileExists`: the destination is on disk.
    Ending endAttempt(bool fileExists);
    // Retry chosen: the next attempt resumes.
    void retry() { m_resuming = true; }

    // True when everything announced arrived (also when a cancel came before any reply, which
    // CancelSearch then tells apart); False after any failure.
    bool succeeded() const { return !m_failed && m_received == m_total.value_or(0); }
    bool cancelSearch() const { return m_cancelSearch; }
    bool complete() const { return m_total && *m_total > 0 && m_received == *m_total; }
    std::int64_t received() const { return m_received; }
    std::optional<std::int64_t> total() const { return m_total; }

private:
    void startFresh(const ReplyHead& head, const ReplyDecision& decision, double now);
    void keepWhatIsOnDisk();

    std::string m_url;
    bool m_resuming = false;
    bool m_cancelSearch = false;
    bool m_failed = false;
    bool m_framed = false;
    bool m_endedUnframed = false;   // this attempt's body ended cleanly without saying its length
    bool m_refuseWebPages = false;  // the reply's own framing tells where its body ends
    std::int64_t m_received = 0;
    std::int64_t m_refetched = 0;
    std::optional<std::int64_t> m_total;
    std::optional<std::int64_t> m_sizeLimit;
    std::optional<std::string> m_validator;  // of the reply the bytes on disk came from
    std::optional<double> m_startTime;
    double m_attemptStart = 0;
    std::int64_t m_attemptFrom = 0;
    DownloadProgress m_progress;
};

}  // namespace vantor::online
