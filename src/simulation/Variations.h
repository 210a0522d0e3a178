#pragma once

// What a scale's answers leave open, and how a simulated scale fills it. A real scale may fill any
// of it any way it likes, so the simulator varies it rather than answer the way the program
// expects:
//   - byte 0 of a page-read reply (the program must look only at bytes 1 and 2 and the page);
//   - bytes after a reply (a tail the program must not take into the next exchange);
//   - an answer to Finish, which nobody awaits;
//   - how a reply is cut on its way (a USB adapter passes bytes on in packets of up to 62 bytes,
//     up to 16 ms apart).
// The choices are random, from a seed, so that a run can be repeated.

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "core/scale/Bytes.h"

namespace vantor::scale {

struct VariationSettings {
    // Byte 0 of a page-read reply: nullopt for a random byte per reply, else this byte.
    std::optional<Byte> byteZero;
    // One reply in `tailEvery` is followed by a tail of 1 to 4 random bytes (0: none, 1: every one).
    unsigned tailEvery = 0;
    // One Finish in `finishEvery` is answered with an acknowledgement (0: none, 1: every one).
    unsigned finishEvery = 0;
    // One reply in `piecesEvery` is cut into pieces of 1 to 62 bytes with pauses of up to 16 ms
    // between them (0: every reply goes out whole, 1: every one is cut).
    unsigned piecesEvery = 0;
    std::uint32_t seed = 1;

    // Tails, answers to Finish and pieces now and then: a mix that every exchange of a longer run
    // meets, while a run stays about as fast as against a plain scale.
    static VariationSettings mixed(std::uint32_t seed);
};

// Where a reply is cut, and the pause before the piece that starts there.
struct ReplyCut {
    std::size_t at = 0;
    std::chrono::milliseconds pause{0};
};

class Variations {
public:
    static constexpr std::size_t kLongestTail = 4;
    static constexpr std::size_t kLargestPiece = 62;
    static constexpr std::chrono::milliseconds kLongestPause{16};

    explicit Variations(VariationSettings settings = {});

    const VariationSettings& settings() const { return m_settings; }

    // Byte 0 for the next page-read reply.
    Byte byteZero();
    // The tail to send after the next reply; empty for none.
    Bytes tail();
    // The answer to the next Finish, if it gets one.
    std::optional<Byte> finishAnswer();
    // Where to cut the next reply of `size` bytes; empty when it goes out whole.
    std::vector<ReplyCut> cuts(std::size_t size);

private:
    bool oneIn(unsigned every);

    VariationSettings m_settings;
    std::mt19937 m_random;
};

}  // namespace vantor::scale
