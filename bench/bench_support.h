#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

// What the benchmarks share: a meter for how long the GUI event loop stalls,
// a clock on the simulated bus that stamps every write and read, process CPU
// time, and the plain-line output the summary script reads.

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "sim_bus.h"

namespace bench {

// Sets up the headless platform unless the caller chose one; every
// benchmark's main calls it before it creates its BenchApplication.
void prepare_environment();

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
    QElapsedTimer clock;
    QList<Frame> stack;
    QList<Stretch> stretches;
};

// The event loop stays live: the caller's predicate is looked at every
// millisecond by a precise timer, so the benchmark itself adds no polling
// sleeps of the kind QTest::qWait makes (those would show as stalls).
bool run_until(const std::function<bool()> &done, int timeout_ms);
void run_for(int ms);

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
        qint64 end_ns = 0;    // when it ended, after start()
        long involuntary = 0; // times the thread was taken off a CPU it still wanted
        long faults = 0;      // page faults that needed I/O
        // Work the thread did is its own whatever else happened meanwhile.
        qint64 own_ns() const { return qMax(run_ns, wall_ns - qMax(wait_ns, shared_ns)); }
        QString describe() const;
    };

    Gap longest_gap() const { return longest; }
    Gap longest_own_stall() const { return longest_own; }
    // The gap in which the GUI thread itself ran longest: work that held the loop.
    Gap longest_busy() const { return busiest; }
    double longest_gap_ms() const { return longest.wall_ns / 1e6; }
    double longest_own_stall_ms() const { return longest_own.own_ns() / 1e6; }
    double longest_post_wait_ms() const { return longest_post_ns / 1e6; }
    // Time the GUI thread waited for a CPU between start() and stop().
    double cpu_wait_ms() const { return (sched_end.wait_ns - sched_start.wait_ns) / 1e6; }
    double witness_longest_gap_ms() const { return witness_longest_ns / 1e6; }
    int gaps_over(double ms) const;   // wall gaps
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
    long last_involuntary = 0;
    long last_faults = 0;
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

// One packet out and its answer in, stamped on the bus.
struct RoundTrip {
    double write_ms = 0;      // hid_write returned
    double read_ms = -1;      // the hid_read that took the answer returned (-1: none)
    QByteArray host;          // the packet written
    QByteArray reply;         // the packet read
    bool continues() const;   // the exchange goes on after this answer (a chunk or an acknowledgement)
};

// Stamps the writes, the reads that take a report, and the first open the
// window makes on the simulated bus. Reads that find nothing (the presence
// probe, misses) are not answers and are left out.
class BusClock : public SimBusObserver
{
public:
    BusClock();
    ~BusClock() override;
    void restart();

    void enter(SimBus &bus, Op op, SimDevice *device) override;
    void leave(SimBus &bus, Op op, SimDevice *device, const QByteArray &path) override;

    // Pairs the stamps with the device's journal (same order on both sides).
    QList<RoundTrip> round_trips(const SimDevice *device) const;
    double open_ms() const { return opened_ms; }   // -1 until a device is opened
    double now_ms() const;

private:
    QElapsedTimer clock;
    QList<double> writes;
    QList<double> reads;       // reads that took a report
    bool pending_before_read = false;
    double opened_ms = -1;
};

// Where the time of a run of round trips went.
struct TripStats {
    int round_trips = 0;
    double first_write_ms = 0;
    double last_read_ms = 0;
    double spacing_min_ms = 0;     // write to the read of its answer
    double spacing_mean_ms = 0;
    double spacing_max_ms = 0;
    double spacing_total_ms = 0;
    int in_exchange_gaps = 0;      // answer read to the next packet of the same exchange
    double in_exchange_mean_ms = 0;
    double in_exchange_max_ms = 0;
    double in_exchange_total_ms = 0;
    int between_gaps = 0;          // end of one exchange to the first packet of the next
    double between_min_ms = 0;
    double between_total_ms = 0;
};
TripStats trip_stats(const QList<RoundTrip> &trips);
void print_trip_stats(const QString &label, const TripStats &stats);

// User plus system CPU time of the whole process, in milliseconds.
double process_cpu_ms();

// Packets the host sent, from the device's wire log.
int host_packets(const SimDevice *device);

// The floor a run of round trips cannot beat: one 50 ms read spacing each.
constexpr double read_spacing_ms = 50.0;

// Output. Detail lines are free text; each figure that has a target gets one
// line "result: NAME = VALUE (target OP LIMIT) PASS|FAIL" that bench/run.sh
// collects. Returns whether the target was met.
bool result(const QString &name, double value, const QString &unit, const QString &op, double limit);
// A figure without a target, collected by the summary too: "figure: NAME = VALUE".
void figure(const QString &name, double value, const QString &unit);
void line(const QString &text);
QString ms(double value);

} // namespace bench

#endif // BENCH_SUPPORT_H
