#pragma once

#include <cstdint>
#include <random>
#include <span>

// The arithmetic of the dice strip: drawing faces, the hundred-sided reading of two ten-sided
// dice, totals and which picture shows a face. Nothing here draws.
namespace Dice {

inline constexpr int MaxDiceCount = 10;
inline constexpr int MaxPipMax = 9;
// Pictures 0..9 show pips, 10..19 the digits 0..9.
inline constexpr int PictureCount = 20;
inline constexpr int DigitPictures = 10;

// A uniform source of faces. Seeded once; the default seed comes from the clock so that every
// run rolls differently, while tests pass a fixed seed to make a run repeatable.
class FaceSource
{
public:
    FaceSource();
    explicit FaceSource(std::uint64_t seed);

    // A face from 1..pipMax, or from 0..pipMax when zero is allowed. pipMax is taken within
    // 1..MaxPipMax. Every outcome is equally likely (no modulo bias).
    int draw(int pipMax, bool zeroAllowed);

private:
    std::mt19937 m_engine;
};

// Two dice of maximum 9 that may show 0, with the percentile switch on, read as one
// hundred-sided die.
bool isPercentile(int diceCount, int pipMax, bool zeroDiceEnable, bool percentileDiceEnable);

// The total of the first diceCount values: their sum, or in percentile mode ten times the first
// plus the second, where 0 and 0 read as 100.
int total(std::span<const int> values, int diceCount, bool percentileMode);

// The picture that shows value: its digit in number style, its pips otherwise.
int pictureIndex(int value, bool digits);

} // namespace Dice
