#pragma once

// An in-process scale for fast unit tests of the protocol rules. Time is a manual clock: a wait
// that would time out returns at once with the clock moved past the deadline, so a 10-second
// time-out costs nothing and its length can be checked.

#include <chrono>
#include <deque>
#include <vector>

#include "core/scale/ScaleTransport.h"
#include "simulation/ScaleModel.h"

namespace vantor::scale {

class FakeScaleTransport : public ScaleTransport {
public:
    using Clock = std::chrono::milliseconds;  // time since the transport was made

    explicit FakeScaleTransport(ScaleModel model = ScaleModel("12345678"));

    bool discardInput() override;
    // Moves the clock on to the end of the quiet time, or to the limit when bytes keep arriving.
    std::optional<std::size_t> waitForQuiet(std::chrono::milliseconds quiet,
                                            std::chrono::milliseconds limit) override;
    bool send(std::span<const Byte> bytes) override;
    bool waitForBytes(std::size_t count, std::chrono::seconds limit) override;
    Bytes readAvailable() override;

    // Bytes that arrive from the scale without a command, as line noise or a late reply would.
    void inject(Bytes bytes, std::chrono::milliseconds after = {});
    // The next `sends` calls of send() fail as on an unplugged port.
    void failNextSends(unsigned sends) { m_failingSends = sends; }

    ScaleModel& model() { return m_model; }
    const std::vector<Bytes>& sent() const { return m_sent; }
    Clock now() const { return m_now; }

private:
    struct InFlight {
        Clock arrival;
        Bytes bytes;
    };
    void deliverArrived();
    void injectReply(const ScaleReply& reply);

    ScaleModel m_model;
    std::deque<InFlight> m_inFlight;  // ordered by arrival
    Bytes m_waiting;                  // arrived, not yet read
    std::vector<Bytes> m_sent;
    unsigned m_failingSends = 0;
    Clock m_now{0};
};

}  // namespace vantor::scale
