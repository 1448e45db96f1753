// Loaded with LD_PRELOAD into a program by bench_startup. Once the program's
// first paint is over it writes the monotonic clock (8 bytes, nanoseconds) to
// the file descriptor named by ORV_BENCH_PAINT_FD: start-up is then timed from
// outside, the same way for every program, with nothing added to the programs.
//
// For profiling start-up and idle memory (callgrind, heaptrack, perf), with
// ORV_BENCH_EXIT_AFTER_MS=N the program ends N ms after its first paint with
// _exit(0): no destructor runs, so a memory profiler sees everything that was
// live at that moment as not freed.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <ctime>
#include <unistd.h>

namespace {

class FirstPaint : public QObject
{
public:
    FirstPaint(int fd, int exit_after_ms) : fd(fd), exit_after_ms(exit_after_ms) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (!seen && event->type() == QEvent::Paint) {
            seen = true;
            // The paint events of one update come one after the other and the
            // frame then goes to the display; the time is taken after all that.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

private:
    void report()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 ns = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
        if (fd >= 0) {
            if (::write(fd, &ns, sizeof ns) != sizeof ns)
                qWarning("paint probe: cannot report");
            ::close(fd);
        }
        QCoreApplication::instance()->removeEventFilter(this);
        if (exit_after_ms >= 0)
            QTimer::singleShot(exit_after_ms, [] { _exit(0); });
    }

    int fd;
    int exit_after_ms;
    bool seen = false;
};

void install()
{
    bool ok = false;
    int fd = qEnvironmentVariableIntValue("ORV_BENCH_PAINT_FD", &ok);
    if (!ok)
        fd = -1;
    bool exits = false;
    const int exit_after_ms = qEnvironmentVariableIntValue("ORV_BENCH_EXIT_AFTER_MS", &exits);
    if (fd >= 0 || exits)
        QCoreApplication::instance()->installEventFilter(new FirstPaint(fd, exits ? exit_after_ms : -1));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
