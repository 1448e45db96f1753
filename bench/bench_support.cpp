#include "bench_support.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <sys/resource.h>

namespace bench {

namespace {

double timeval_ms(const timeval &tv)
{
    return double(tv.tv_sec) * 1000.0 + double(tv.tv_usec) / 1000.0;
}

} // namespace

void prepare_environment()
{
    // The benchmarks need no screen; a caller that wants to watch picks xcb itself.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool run_until(const std::function<bool()> &done, int timeout_ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    bool met = false;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) {
            met = true;
            loop.quit();
        } else if (clock.elapsed() >= timeout_ms) {
            loop.quit();
        }
    });
    check.start(1);
    loop.exec();
    return met;
}

void run_for(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double process_cpu_ms()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return timeval_ms(usage.ru_utime) + timeval_ms(usage.ru_stime);
}

} // namespace bench
