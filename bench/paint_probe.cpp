// Loaded with LD_PRELOAD into a program by bench_startup. Once the program's
// first paint is over it writes the monotonic clock (8 bytes, nanoseconds) to
// the file descriptor named by ORV_BENCH_PAINT_FD: start-up is then timed from
// outside, the same way for every program, with nothing added to the programs.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <ctime>
#include <unistd.h>

namespace {

class FirstPaint : public QObject
{
public:
    explicit FirstPaint(int fd) : fd(fd) {}

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
        if (::write(fd, &ns, sizeof ns) != sizeof ns)
            qWarning("paint probe: cannot report");
        ::close(fd);
        QCoreApplication::instance()->removeEventFilter(this);
    }

    int fd;
    bool seen = false;
};

void install()
{
    bool ok = false;
    const int fd = qEnvironmentVariableIntValue("ORV_BENCH_PAINT_FD", &ok);
    if (ok)
        QCoreApplication::instance()->installEventFilter(new FirstPaint(fd));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
