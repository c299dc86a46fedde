#include "AxisScale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

AxisScale AxisScale::wholeNumbers(double lowest, double highest, int maxTicks)
{
    if (!std::isfinite(lowest) || !std::isfinite(highest))
        lowest = highest = 0;
    if (lowest > highest)
        std::swap(lowest, highest);
    if (lowest == highest) {
        lowest -= 1;
        highest += 1;
    }
    maxTicks = std::max(maxTicks, 3);
    // Steps of 1, 2 and 5 times a power of ten, from the largest power that cannot be too wide.
    double power = 1;
    while (power * 10 * (maxTicks - 1) < highest - lowest)
        power *= 10;
    constexpr std::array<double, 3> Multiples{1, 2, 5};
    for (;; power *= 10) {
        for (const double multiple : Multiples) {
            const double step = multiple * power;
            const double low = std::floor(lowest / step) * step;
            const double high = std::ceil(highest / step) * step;
            const double ticks = std::round((high - low) / step) + 1;
            if (ticks <= maxTicks)
                return {low + 0.0, high + 0.0, int(ticks)}; // + 0.0: no label reads "-0"
        }
    }
}
