#pragma once

// A scale link that counts every byte sent and read on the way through, so that a benchmark can
// set its wall time against the wire time of exactly the bytes it exchanged.

#include "core/scale/ScaleTransport.h"

namespace vantor::test {

class CountingTransport : public scale::ScaleTransport {
public:
    explicit CountingTransport(scale::ScaleTransport& inner) : m_inner(inner) {}
    bool discardInput() override { return m_inner.discardInput(); }
    std::optional<std::size_t> waitForQuiet(std::chrono::milliseconds quiet,
                                            std::chrono::milliseconds limit) override {
        return m_inner.waitForQuiet(quiet, limit);
    }
    bool send(std::span<const Byte> bytes) override {
        m_bytes += bytes.size();
        return m_inner.send(bytes);
    }
    bool waitForBytes(std::size_t count, std::chrono::seconds limit) override {
        return m_inner.waitForBytes(count, limit);
    }
    Bytes readAvailable() override {
        Bytes bytes = m_inner.readAvailable();
        m_bytes += bytes.size();
        return bytes;
    }
    std::size_t bytes() const { return m_bytes; }

private:
    scale::ScaleTransport& m_inner;
    std::size_t m_bytes = 0;
};

}  // namespace vantor::test
