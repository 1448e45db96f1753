#ifndef BENCH_PROFILER_H
#define BENCH_PROFILER_H

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QString>

namespace bench {

// The application object of a benchmark. It can time the handling of every
// event the GUI thread delivers, to find what holds the loop when a stall
// shows. A handler blocks the window for as long as it runs without the loop
// going to sleep inside it: the whole handler when it never waits, else the
// stretch before its first nested wait and the one after its last.
class BenchApplication : public QApplication
{
public:
    BenchApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    struct Handling {
        QString what;        // receiver and event
        qint64 start_ns = 0;
        qint64 total_ns = 0;
        qint64 own_ns = 0;   // less the events handled inside it
    };

    // Starts recording stretches of at least `threshold_ms` without a wait.
    void profile_start(double threshold_ms = 3);
    void profile_stop();
    // The longest stretches, each with the handlings inside it, for people.
    void print_profile(const QString &label, int count = 3) const;

private:
    struct Frame {
        qint64 start_ns = 0;
        qint64 child_ns = 0;
        qint64 first_wait_ns = -1;   // the loop first went to sleep inside it
        QList<Handling> inside;      // finished handlings inside it worth naming
    };
    struct Stretch {
        QString what;
        qint64 from_ns = 0;
        qint64 to_ns = 0;
        QList<Handling> inside;
    };
    static QString describe(QObject *receiver, QEvent::Type type);
    void keep(const QString &what, qint64 from, qint64 to, const QList<Handling> &inside);

    bool profiling = false;
    qint64 threshold_ns = 0;
    qint64 last_awake_ns = 0;
    qint64 profile_start_ns = 0;
    QElapsedTimer clock;
    QList<Frame> stack;
    QList<Stretch> stretches;
};

} // namespace bench

#endif // BENCH_PROFILER_H
