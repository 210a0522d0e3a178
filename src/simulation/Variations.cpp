#include "simulation/Variations.h"

#include "core/scale/ScaleProtocol.h"

namespace vantor::scale {

namespace {

constexpr unsigned kMixedTailEvery = 32;
constexpr unsigned kMixedFinishEvery = 2;
constexpr unsigned kMixedPiecesEvery = 32;

}  // namespace

VariationSettings VariationSettings::mixed(std::uint32_t seed) {
    VariationSettings settings;
    settings.tailEvery = kMixedTailEvery;
    settings.finishEvery = kMixedFinishEvery;
    settings.piecesEvery = kMixedPiecesEvery;
    settings.seed = seed;
    return settings;
}

Variations::Variations(VariationSettings settings) : m_settings(settings), m_random(settings.seed) {}

bool Variations::oneIn(unsigned every) {
    if (every == 0)
        return false;
    return std::uniform_int_distribution<unsigned>(1, every)(m_random) == 1;
}

Byte Variations::byteZero() {
    if (m_settings.byteZero)
        return *m_settings.byteZero;
    return static_cast<Byte>(std::uniform_int_distribution<unsigned>(0, 0xFF)(m_random));
}

Bytes Variations::tail() {
    if (!oneIn(m_settings.tailEvery))
        return {};
    Bytes bytes(std::uniform_int_distribution<std::size_t>(1, kLongestTail)(m_random));
    for (Byte& b : bytes)
        b = static_cast<Byte>(std::uniform_int_distribution<unsigned>(0, 0xFF)(m_random));
    return bytes;
}

std::optional<Byte> Variations::finishAnswer() {
    // The acknowledgement is the answer most easily taken for the next command's.
    if (!oneIn(m_settings.finishEvery))
        return std::nullopt;
    return kAck;
}

std::vector<ReplyCut> Variations::cuts(std::size_t size) {
    std::vector<ReplyCut> cuts;
    if (size < 2 || !oneIn(m_settings.piecesEvery))
        return cuts;
    std::uniform_int_distribution<std::size_t> piece(1, kLargestPiece);
    std::uniform_int_distribution<long long> pause(0, kLongestPause.count());
    for (std::size_t at = piece(m_random); at < size; at += piece(m_random))
        cuts.push_back({at, std::chrono::milliseconds(pause(m_random))});
    return cuts;
}

}  // namespace vantor::scale
