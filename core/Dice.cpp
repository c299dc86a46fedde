#include "Dice.h"

#include <algorithm>
#include <chrono>

namespace Dice {

namespace {

std::mt19937 seededEngine(std::uint64_t seed)
{
    // The seed sequence spreads all 64 bits of the seed over the engine's state, so that
    // clock readings a few ticks apart still start far apart.
    std::seed_seq sequence{static_cast<std::uint32_t>(seed),
                           static_cast<std::uint32_t>(seed >> 32)};
    return std::mt19937(sequence);
}

} // namespace

FaceSource::FaceSource()
    : FaceSource(
          static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()))
{}

FaceSource::FaceSource(std::uint64_t seed) : m_engine(seededEngine(seed)) {}

int FaceSource::draw(int pipMax, bool zeroAllowed)
{
    pipMax = std::clamp(pipMax, 1, MaxPipMax);
    // The standard distribution rejects the engine's excess values instead of folding them.
    std::uniform_int_distribution<int> faces(zeroAllowed ? 0 : 1, pipMax);
    return faces(m_engine);
}

bool isPercentile(int diceCount, int pipMax, bool zeroDiceEnable, bool percentileDiceEnable)
{
    return diceCount == 2 && pipMax == 9 && zeroDiceEnable && percentileDiceEnable;
}

int total(std::span<const int> values, int diceCount, bool percentileMode)
{
    const auto count = static_cast<std::size_t>(std::clamp(diceCount, 0, MaxDiceCount));
    if (percentileMode && values.size() >= 2) {
        const int reading = 10 * values[0] + values[1];
        return reading == 0 ? 100 : reading;
    }
    int sum = 0;
    for (std::size_t i = 0; i < std::min(count, values.size()); ++i)
        sum += values[i];
    return sum;
}

int pictureIndex(int value, bool digits)
{
    const int face = std::clamp(value, 0, MaxPipMax);
    return digits ? face + DigitPictures : face;
}

} // namespace Dice
