#pragma once

#include "CharacterRecord.h"
#include "Cp932.h"

#include <QElapsedTimer>
#include <QString>

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

// Widget benchmarks draw offscreen unless the caller chose a platform.
inline void useOffscreenUnlessChosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The heavy part of the heavy sheet: a 64 KB inventory, 500 flags (every third checked) and a
// route of 10,000 paragraphs.
inline void fillHeavySheet(CharacterRecord &data)
{
    const QString line = QStringLiteral("剣と盾を持った勇者が洞窟に入る。Lantern x3\r\n");
    QString inventory;
    while (Cp932::byteLength(inventory) < 64 * 1024)
        inventory += line;
    data.setInventory(Cp932::cutToBytes(inventory, 64 * 1024));
    data.setFlagCount(500);
    for (int i = 0; i < 500; i += 3)
        data.setFlag(i, true);
    data.setRouteCount(10000);
    for (int i = 1; i <= 10000; ++i)
        data.setRouteAt(i, std::uint16_t((i * 37) % 400 + 1));
}
