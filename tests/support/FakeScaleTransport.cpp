#include "support/FakeScaleTransport.h"

#include <algorithm>

namespace vantor::scale {

namespace {
// A time-out is noticed at the first poll after the deadline.
constexpr std::chrono::milliseconds kPollStep{1};
}  // namespace

// A line made with the transport carries nothing yet; a test of a port just opened unsettles it.
FakeScaleTransport::FakeScaleTransport(ScaleModel model) : m_model(std::move(model)) {
    setSettled(true);
}

void FakeScaleTransport::deliverArrived() {
    while (!m_inFlight.empty() && m_inFlight.front().arrival <= m_now) {
        const Bytes& bytes = m_inFlight.front().bytes;
        m_waiting.insert(m_waiting.end(), bytes.begin(), bytes.end());
        m_inFlight.pop_front();
    }
}

bool FakeScaleTransport::discardInput() {
    const bool dropped = !m_waiting.empty() || (!m_inFlight.empty() && m_inFlight.front().arrival < m_now);
    m_waiting.clear();
    // A reply still on its way (it arrives at or after this moment) is not yet in the buffer.
    std::erase_if(m_inFlight, [this](const InFlight& f) { return f.arrival < m_now; });
    return dropped;
}

std::optional<std::size_t> FakeScaleTransport::waitForQuiet(std::chrono::milliseconds quiet,
                                                            std::chrono::milliseconds limit) {
    const Clock giveUp = m_now + limit;
    std::size_t dropped = m_waiting.size();
    m_waiting.clear();
    Clock quietSince = m_now;
    while (!m_inFlight.empty() && m_inFlight.front().arrival < quietSince + quiet) {
        quietSince = std::max(quietSince, m_inFlight.front().arrival);
        dropped += m_inFlight.front().bytes.size();
        m_inFlight.pop_front();
        if (quietSince >= giveUp) {
            m_now = giveUp;
            return std::nullopt;
        }
    }
    m_now = quietSince + quiet;
    return dropped;
}

bool FakeScaleTransport::send(std::span<const Byte> bytes) {
    if (m_failingSends > 0) {
        --m_failingSends;
        return false;
    }
    if (m_model.hungUp())
        return false;
    m_sent.emplace_back(bytes.begin(), bytes.end());
    for (ScaleReply& reply : m_model.receive(bytes))
        injectReply(reply);
    return true;
}

// A reply cut on its way arrives piece by piece, each after its pause.
void FakeScaleTransport::injectReply(const ScaleReply& reply) {
    std::chrono::milliseconds after = reply.delay;
    std::size_t from = 0;
    for (const ReplyCut& cut : reply.cuts) {
        inject(Bytes(reply.bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     reply.bytes.begin() + static_cast<std::ptrdiff_t>(cut.at)),
               after);
        after += cut.pause;
        from = cut.at;
    }
    inject(Bytes(reply.bytes.begin() + static_cast<std::ptrdiff_t>(from), reply.bytes.end()), after);
}

void FakeScaleTransport::inject(Bytes bytes, std::chrono::milliseconds after) {
    InFlight flight{m_now + after, std::move(bytes)};
    const auto at = std::upper_bound(m_inFlight.begin(), m_inFlight.end(), flight.arrival,
                                     [](Clock t, const InFlight& f) { return t < f.arrival; });
    m_inFlight.insert(at, std::move(flight));
}

bool FakeScaleTransport::waitForBytes(std::size_t count, std::chrono::seconds limit) {
    if (m_model.hungUp())
        return false;
    const Clock deadline = m_now + limit;
    deliverArrived();
    while (m_waiting.size() < count) {
        if (m_inFlight.empty() || m_inFlight.front().arrival > deadline) {
            m_now = deadline + kPollStep;
            return false;
        }
        m_now = std::max(m_now, m_inFlight.front().arrival);
        deliverArrived();
    }
    return true;
}

Bytes FakeScaleTransport::readAvailable() {
    deliverArrived();
    const std::size_t n = std::min(m_waiting.size(), kMaxReadSize);
    Bytes taken(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(n));
    m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(n));
    return taken;
}

}  // namespace vantor::scale
