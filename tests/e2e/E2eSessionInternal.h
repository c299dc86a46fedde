#pragma once

// Shared by the two halves of E2eSession: the session's own files and processes
// (E2eSession.cpp) and the windows it drives through the X tools (E2eSessionWindows.cpp).

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <chrono>

namespace E2eSessionInternal {

inline constexpr int PollMilliseconds = 50;

// Calls condition every 50 ms until it holds or the time is up; true when it held.
template <typename Condition> bool pollUntil(std::chrono::milliseconds timeout, Condition condition)
{
    QDeadlineTimer deadline(timeout);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(PollMilliseconds);
    }
}

inline void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace E2eSessionInternal
