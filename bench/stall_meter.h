#ifndef BENCH_STALL_METER_H
#define BENCH_STALL_METER_H

#include <QElapsedTimer>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace bench {

// The calling thread's scheduler account (/proc/thread-self/schedstat): time
// it ran, and time it was ready to run but waited for a CPU. On a shared
// machine the second one tells the machine's load apart from the program's own
// stalls. Both are 0 where the kernel does not keep them.
struct SchedSample {
    qint64 run_ns = 0;
    qint64 wait_ns = 0;
};
SchedSample thread_sched();

// Watches the GUI event loop: a 1 ms precise timer records the largest gap
// between its ticks, and every tick posts an event whose time in the queue is
// recorded too. Either one grows when something blocks the loop.
//
// On a shared virtual machine a gap also has causes outside the program, so
// each one is charged with what can be told apart: the time the GUI thread
// waited for a CPU (the machine's load), and the time a witness thread that
// only sleeps 1 ms at a time was kept from waking as well (the virtual CPU
// itself was held up; there is one witness pinned to each CPU, as a held-up
// virtual CPU delays only the threads that sleep on it). What is left is the
// own stall, the window's doing; the time the GUI thread ran inside a gap is
// pure work, its own in any case.
class StallMeter : public QObject
{
public:
    StallMeter();
    ~StallMeter() override;
    void start();
    void stop();

    struct Gap {
        qint64 wall_ns = 0;   // between two ticks
        qint64 run_ns = 0;    // the GUI thread ran
        qint64 wait_ns = 0;   // the GUI thread waited for a CPU
        qint64 shared_ns = 0; // a witness thread was late too (the most late one)
        qint64 halted_ns = 0; // every witness thread was late: nothing ran (the host held the machine)
        qint64 end_ns = 0;    // when it ended, after start()
        // Work the thread did is its own whatever else happened meanwhile; but a
        // host that stops the whole machine leaves that time on the clock of the
        // thread it stopped, so run time while every witness waited is not work.
        qint64 own_ns() const { return qMax(run_ns - halted_ns, wall_ns - qMax(wait_ns, shared_ns)); }
        QString describe() const;
    };

    Gap longest_gap() const { return longest; }
    // The gap in which the GUI thread itself ran longest: work that held the loop.
    Gap longest_busy() const { return busiest; }
    double longest_gap_ms() const { return longest.wall_ns / 1e6; }
    double longest_own_stall_ms() const { return longest_own.own_ns() / 1e6; }
    double longest_post_wait_ms() const { return longest_post_ns / 1e6; }
    // Time the GUI thread waited for a CPU between start() and stop().
    double cpu_wait_ms() const { return (sched_end.wait_ns - sched_start.wait_ns) / 1e6; }
    double witness_longest_gap_ms() const { return witness_longest_ns / 1e6; }
    int gaps_over(double ms) const;   // wall gaps
    int own_gaps_over(double ms) const;   // gaps whose own stall is longer (after stop())
    // The longest gaps, longest first (those over 5 ms are kept).
    QList<Gap> worst_gaps(int count) const;

protected:
    bool event(QEvent *event) override;

private:
    void tick();
    struct Witness {
        int cpu = -1;
        std::thread thread;
        QList<QPair<qint64, qint64>> gaps;   // from, to (clock of `clock`), over 3 ms
        qint64 longest_ns = 0;
    };
    void witness_run(Witness *witness);
    void join_witnesses();

    QTimer timer;
    QElapsedTimer clock;
    qint64 last_tick_ns = 0;
    SchedSample last_sched;
    SchedSample sched_start;
    SchedSample sched_end;
    Gap longest;
    Gap longest_own;        // among the short gaps until stop(), then among all
    Gap busiest;
    qint64 longest_post_ns = 0;
    qint64 posted_at_ns = -1;
    QList<Gap> long_gaps;

    std::vector<std::unique_ptr<Witness>> witnesses;
    std::atomic<bool> witness_stop{false};
    qint64 witness_longest_ns = 0;
};

// The longest gap, the longest own stall and the posted-event wait of a meter,
// then its worst gaps one a line.
void print_stalls(const QString &label, const StallMeter &meter, int worst = 3);

// The same meter over `ms` of an idle window: what this machine's load alone
// does to the event loop, for comparison.
void print_idle_baseline(int ms);

} // namespace bench

#endif // BENCH_STALL_METER_H
