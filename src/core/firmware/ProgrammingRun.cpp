#include "core/firmware/ProgrammingRun.h"

#include <algorithm>
#include <utility>

#include "core/scale/ScaleProtocol.h"
#include "core/scale/SerialNumber.h"

namespace vantor::firmware {

using scale::kPageSize;

namespace {

using scale::Outcome;
using scale::Phase;
using scale::Stage;

// One run, with the counters the retry rules need.
class ProgrammingRun {
public:
    ProgrammingRun(scale::ScaleTransport& transport, const ImageBuffer& image,
                   const scale::ProgressSink& progress, const std::atomic<bool>& cancel,
                   scale::PauseGate* pause)
        : m_transport(transport), m_image(image), m_progress(progress), m_cancel(cancel), m_pause(pause) {
        m_result.pagesTotal = scale::kPageCount;
    }

    scale::OperationResult execute() {
        Step step = Step::StartAgain;
        while (step == Step::StartAgain) {
            m_written = 0;
            showProgress(Phase::Write, 0);
            step = unlock();
            if (step == Step::Proceed)
                step = writeAllPages();
        }
        if (step == Step::Proceed)
            step = verifyAllPages();
        if (step == Step::Stop)
            return ended();
        finish();
        m_result.outcome = Outcome::Success;
        return m_result;
    }

private:
    enum class Step { Proceed, StartAgain, Stop };

    Step unlock() {
        const Outcome outcome =
            scale::acknowledgement(ask(scale::unlockCommand(m_image.serialBytes()), scale::kAckReplySize));
        if (outcome == Outcome::Success) {
            m_failures = 0;
            return Step::Proceed;
        }
        if (mayRetry())
            return Step::StartAgain;
        return fail(Stage::Unlock, outcome, std::nullopt);
    }

    Step writeAllPages() {
        for (std::uint32_t address = 0; address < ImageBuffer::kSize; address += kPageSize) {
            showProgress(Phase::Write, address / kPageSize);
            const Outcome outcome = scale::acknowledgement(
                ask(scale::writePageCommand(static_cast<std::uint16_t>(address), m_image.page(address)),
                    scale::kAckReplySize));
            if (outcome == Outcome::Success) {
                // A restart writes from page 0 again, over what the attempts before it wrote: the
                // scale holds as many pages of the new software as the furthest attempt reached.
                m_result.pagesDone = std::max(m_result.pagesDone, ++m_written);
                continue;
            }
            if (!mayRetry() || m_result.restarts == kMaxRestarts)
                return fail(Stage::Write, outcome, address);
            ++m_result.restarts;
            return Step::StartAgain;  // from the unlock and from address 0
        }
        return Step::Proceed;
    }

    // The failure count is not cleared between pages: the phase tolerates three failed reads in all.
    Step verifyAllPages() {
        m_failures = 0;
        for (std::uint32_t address = 0; address < ImageBuffer::kSize; address += kPageSize) {
            showProgress(Phase::Verify, address / kPageSize);
            while (true) {
                const Outcome outcome = compare(
                    ask(scale::readPageCommand(static_cast<std::uint16_t>(address)), scale::kReadReplySize),
                    address);
                if (outcome == Outcome::Success)
                    break;
                if (!mayRetry())
                    return fail(Stage::ReadBack, outcome, address);
            }
        }
        return Step::Proceed;
    }

    // The scale's answer to Finish is not awaited; a port that fails here changes nothing verified.
    void finish() {
        if (m_pause)
            m_pause->waitWhilePaused();
        scale::sendFinish(m_transport);
    }

    Outcome compare(const scale::Reply& reply, std::uint32_t address) const {
        std::span<const Byte> stored;
        const Outcome outcome = scale::pageOf(reply, address, stored);
        if (outcome != Outcome::Success)
            return outcome;
        const auto page = m_image.page(address);
        return std::equal(page.begin(), page.end(), stored.begin()) ? Outcome::Success : Outcome::Mismatch;
    }

    scale::Reply ask(const Bytes& command, std::size_t minimum) {
        // Held here, between exchanges, no reply is awaited and no time limit runs.
        if (m_pause)
            m_pause->waitWhilePaused();
        if (m_cancel.load())
            return {Outcome::NoReply, {}};
        return scale::exchange(m_transport, command, minimum, kRunExchangeLimit);
    }

    bool mayRetry() { return ++m_failures <= kToleratedFailures && !m_cancel.load(); }

    Step fail(Stage stage, Outcome outcome, std::optional<std::uint32_t> page) {
        m_result.outcome = outcome;
        m_result.stage = stage;
        m_result.page = page;
        return Step::Stop;
    }

    // No failure is reported for a run the program stopped itself.
    scale::OperationResult ended() {
        if (m_cancel.load()) {
            m_result.outcome = Outcome::Cancelled;
            // Stopped while the run read its pages back: no page was being written.
            if (m_result.stage == Stage::ReadBack)
                m_result.page.reset();
        }
        return m_result;
    }

    void showProgress(Phase phase, std::size_t done) {
        const scale::Progress now{phase, done, scale::kPageCount};
        if (now == m_shownProgress)
            return;
        m_shownProgress = now;
        if (m_progress)
            m_progress(now);
    }

    scale::ScaleTransport& m_transport;
    const ImageBuffer& m_image;
    const scale::ProgressSink& m_progress;
    const std::atomic<bool>& m_cancel;
    scale::PauseGate* m_pause;
    unsigned m_failures = 0;
    std::size_t m_written = 0;  // pages written by the current attempt
    std::optional<scale::Progress> m_shownProgress;
    scale::OperationResult m_result;
};

}  // namespace

scale::OperationResult ProgramAllPages(scale::ScaleTransport& transport, const ImageBuffer& image,
                                       const scale::ProgressSink& progress, const std::atomic<bool>& cancel,
                                       scale::PauseGate* pause) {
    return ProgrammingRun(transport, image, progress, cancel, pause).execute();
}

ScaleProgramming programWithCheckedSerial(scale::ScaleTransport& transport, ImageBuffer image,
                                          const scale::ProgressSink& progress,
                                          const std::atomic<bool>& cancel, scale::PauseGate* pause) {
    ScaleProgramming programming;
    const scale::SerialRead serial = scale::RdSN(transport);
    if (!scale::CheckSerial(serial.serial)) {
        programming.result =
            scale::failedAt(Stage::SerialRead, cancel.load() ? Outcome::Cancelled : Outcome::NoReply);
        programming.result.serial = serial.serial;
        return programming;
    }
    return programWithSerial(transport, std::move(image), serial.serial, progress, cancel, pause);
}

ScaleProgramming programWithSerial(scale::ScaleTransport& transport, ImageBuffer image,
                                   const std::string& serial, const scale::ProgressSink& progress,
                                   const std::atomic<bool>& cancel, scale::PauseGate* pause) {
    image.UpdateSN(serial);
    ScaleProgramming programming;
    programming.result = ProgramAllPages(transport, image, progress, cancel, pause);
    programming.result.serial = serial;
    return programming;
}

}  // namespace vantor::firmware
