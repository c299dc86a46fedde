#include "BenchHook.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class FirstExposeWatch : public QObject
{
public:
    explicit FirstExposeWatch(QWidget *window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Expose && watched == m_window->windowHandle() &&
            m_window->windowHandle()->isExposed()) {
            m_seen = true;
            // The window draws itself while the expose event is handled, after this filter.
            QMetaObject::invokeMethod(this, &FirstExposeWatch::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report()
    {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::printf("PELKO_BENCH_SHOWN_NS=%lld\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    QWidget *m_window;
    bool m_seen = false;
};

} // namespace

namespace BenchHook {

void exitOnFirstShowIfAsked(QWidget *window)
{
    if (qEnvironmentVariable("PELKO_BENCH_EXIT_ON_SHOW") != u"1"_s)
        return;
    QCoreApplication::instance()->installEventFilter(new FirstExposeWatch(window));
}

} // namespace BenchHook
