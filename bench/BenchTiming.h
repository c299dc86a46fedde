#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

// The median time of runs calls of work, in microseconds.
inline double medianMicroseconds(int runs, const std::function<void()> &work)
{
    std::vector<qint64> times;
    times.reserve(runs);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return double(times[runs / 2]) / 1000.0;
}
