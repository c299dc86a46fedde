#pragma once

// The range and the ticks of a value axis labelled with whole numbers: round steps of at least
// one, so that no two labels read the same, and a range that holds the values given. Worked out
// in double, so that values near the ends of int neither wrap nor leave the plot.
struct AxisScale
{
    double low = 0;
    double high = 1;
    int tickCount = 2; // the ticks at low and high included, a step apart

    double step() const { return (high - low) / (tickCount - 1); }

    // A scale over lowest..highest with at most maxTicks ticks (at least three); a single value
    // stands in the middle of a range one step either side of it.
    static AxisScale wholeNumbers(double lowest, double highest, int maxTicks);
};
