#include "firmware/ProgrammingRun.h"

#include <algorithm>

#include "scale/ScaleProtocol.h"
#include "scale/SerialNumber.h"

namespace vantor::firmware {

using scale::kPageSize;

namespace {

struct Reply {
    FailureCause cause = FailureCause::None;  // PortFailed or NoReply when nothing usable came
    Bytes bytes;
};

// One run, with the counters the retry rules need.
class ProgrammingRun {
public:
    ProgrammingRun(scale::ScaleTransport& transport, const ImageBuffer& image,
                   const ProgressCallback& progress, const std::atomic<bool>& cancel, scale::PauseGate* pause)
        : m_transport(transport), m_image(image), m_progress(progress), m_cancel(cancel), m_pause(pause) {}

    ProgramResult execute() {
        Step step = Step::StartAgain;
        while (step == Step::StartAgain) {
            showProgress(0);
            step = unlock();
            if (step == Step::Proceed)
                step = writeAllPages();
        }
        if (step == Step::Proceed)
            step = verifyAllPages();
        if (step == Step::Stop)
            return ended();
        finish();
        m_result.outcome = ProgramOutcome::Success;
        return m_result;
    }

private:
    enum class Step { Proceed, StartAgain, Stop };

    Step unlock() {
        const Reply reply = ask(scale::unlockCommand(m_image.serialBytes()), 1);
        if (acknowledged(reply)) {
            m_failures = 0;
            return Step::Proceed;
        }
        const FailureCause cause = reply.cause == FailureCause::None ? FailureCause::Refused : reply.cause;
        if (mayRetry())
            return Step::StartAgain;
        const auto outcome = cause == FailureCause::Refused ? ProgramOutcome::SerialNumberWrong
                                                            : ProgramOutcome::CommunicationFailure;
        return fail(outcome, ProgramStage::Unlock, cause, std::nullopt);
    }

    Step writeAllPages() {
        for (std::uint32_t address = 0; address < ImageBuffer::kSize; address += kPageSize) {
            showProgress(static_cast<int>(address >> 8));
            const Reply reply =
                ask(scale::writePageCommand(static_cast<std::uint16_t>(address), m_image.page(address)), 1);
            if (acknowledged(reply))
                continue;
            const FailureCause cause =
                reply.cause == FailureCause::None ? FailureCause::Refused : reply.cause;
            if (!mayRetry() || m_result.restarts == kMaxRestarts)
                return fail(ProgramOutcome::CommunicationFailure, ProgramStage::Write, cause, address);
            ++m_result.restarts;
            return Step::StartAgain;  // from the unlock and from address 0
        }
        return Step::Proceed;
    }

    // The failure count is not cleared between pages: the phase tolerates three failed reads in all.
    Step verifyAllPages() {
        m_failures = 0;
        for (std::uint32_t address = 0; address < ImageBuffer::kSize; address += kPageSize) {
            showProgress(kVerifyProgressBase + static_cast<int>(address >> 8));
            while (true) {
                const Reply reply =
                    ask(scale::readPageCommand(static_cast<std::uint16_t>(address)), scale::kReadReplySize);
                const FailureCause cause =
                    reply.cause != FailureCause::None ? reply.cause : compare(reply.bytes, address);
                if (cause == FailureCause::None)
                    break;
                if (!mayRetry())
                    return fail(ProgramOutcome::CommunicationFailure, ProgramStage::Verify, cause, address);
            }
        }
        return Step::Proceed;
    }

    // The scale's answer to Finish is not awaited; a port that fails here changes nothing verified.
    void finish() {
        if (m_pause)
            m_pause->waitWhilePaused();
        m_transport.send(scale::finishCommand());
    }

    // Status byte, address echo, then the page. Bytes past the page are not looked at.
    FailureCause compare(const Bytes& reply, std::uint32_t address) const {
        const auto page = m_image.page(address);
        const bool equal = reply[1] == scale::addressHigh(address) &&
                           reply[2] == scale::addressLow(address) &&
                           std::equal(page.begin(), page.end(), reply.begin() + 3);
        return equal ? FailureCause::None : FailureCause::Difference;
    }

    Reply ask(const Bytes& command, std::size_t minimum) {
        // Held here, between exchanges, no reply is awaited and no time limit runs.
        if (m_pause)
            m_pause->waitWhilePaused();
        if (m_cancel.load())
            return {FailureCause::NoReply, {}};
        m_transport.discardInput();
        if (!m_transport.send(command))
            return {FailureCause::PortFailed, {}};
        if (!m_transport.waitForBytes(minimum, kRunExchangeLimit))
            return {FailureCause::NoReply, {}};
        Reply reply{FailureCause::None, m_transport.readAvailable()};
        if (reply.bytes.size() < minimum)
            reply.cause = FailureCause::NoReply;
        return reply;
    }

    static bool acknowledged(const Reply& reply) {
        return reply.cause == FailureCause::None && reply.bytes.front() == scale::kAck;
    }

    bool mayRetry() { return ++m_failures <= kToleratedFailures && !m_cancel.load(); }

    Step fail(ProgramOutcome outcome, ProgramStage stage, FailureCause cause,
              std::optional<std::uint32_t> page) {
        m_result.outcome = outcome;
        m_result.stage = stage;
        m_result.cause = cause;
        m_result.page = page;
        return Step::Stop;
    }

    // No failure is reported for a run the program stopped itself.
    ProgramResult ended() {
        if (m_cancel.load())
            m_result.outcome = ProgramOutcome::Cancelled;
        return m_result;
    }

    void showProgress(int value) {
        if (value == m_shownProgress)
            return;
        m_shownProgress = value;
        if (m_progress)
            m_progress(value);
    }

    scale::ScaleTransport& m_transport;
    const ImageBuffer& m_image;
    const ProgressCallback& m_progress;
    const std::atomic<bool>& m_cancel;
    scale::PauseGate* m_pause;
    unsigned m_failures = 0;
    int m_shownProgress = -1;
    ProgramResult m_result;
};

}  // namespace

ProgramResult ProgramAllPages(scale::ScaleTransport& transport, const ImageBuffer& image,
                              const ProgressCallback& progress, const std::atomic<bool>& cancel,
                              scale::PauseGate* pause) {
    return ProgrammingRun(transport, image, progress, cancel, pause).execute();
}

ScaleProgramming programWithScaleSerial(scale::ScaleTransport& transport, ImageBuffer image,
                                        const ProgressCallback& progress, const std::atomic<bool>& cancel,
                                        scale::PauseGate* pause) {
    ScaleProgramming programming;
    programming.serial = scale::RdSN(transport);
    if (!scale::CheckSerial(programming.serial.serial)) {
        programming.serial.scaleCom = false;
        programming.result.outcome =
            cancel.load() ? ProgramOutcome::Cancelled : ProgramOutcome::CommunicationFailure;
        programming.result.stage = ProgramStage::SerialRead;
        programming.result.cause = FailureCause::NoReply;
        return programming;
    }
    image.UpdateSN(programming.serial.serial);
    programming.result = ProgramAllPages(transport, image, progress, cancel, pause);
    return programming;
}

}  // namespace vantor::firmware
