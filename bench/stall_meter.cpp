#include "stall_meter.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include "bench_support.h"

namespace bench {

namespace {

const QEvent::Type probe_event = QEvent::Type(QEvent::User + 71);

} // namespace

SchedSample thread_sched()
{
    // Kept open: a 1 ms meter reads it a thousand times a second. The file is
    // the opening thread's, and only the GUI thread asks.
    static const int fd = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    SchedSample sample;
    if (fd < 0)
        return sample;
    char text[128];
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return sample;
    text[n] = '\0';
    long long run = 0;
    long long wait = 0;
    if (std::sscanf(text, "%lld %lld", &run, &wait) == 2)
        sample.wait_ns = wait;
    // The file's run time leaves out what the running thread has run since the
    // scheduler last charged it, and charges that to a later gap; the thread's
    // CPU clock is exact.
    timespec cpu{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu) == 0)
        sample.run_ns = cpu.tv_sec * 1000000000LL + cpu.tv_nsec;
    return sample;
}

QString StallMeter::Gap::describe() const
{
    // The witness is compared with the long gaps only, when the meter stops.
    const QString witness = wall_ns > 5000000
        ? QStringLiteral(", a witness thread late %1").arg(ms(shared_ns / 1e6))
        : QString();
    return QStringLiteral("%1 (GUI thread ran %2, waited for a CPU %3%4, at %5 s)")
        .arg(ms(wall_ns / 1e6), ms(run_ns / 1e6), ms(wait_ns / 1e6), witness)
        .arg(end_ns / 1e9, 0, 'f', 2);
}

StallMeter::StallMeter()
{
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, [this] { tick(); });
}

StallMeter::~StallMeter()
{
    join_witnesses();
}

void StallMeter::start()
{
    join_witnesses();
    witnesses.clear();
    last_tick_ns = 0;
    longest = Gap();
    longest_own = Gap();
    busiest = Gap();
    longest_post_ns = 0;
    posted_at_ns = -1;
    long_gaps.clear();
    witness_longest_ns = 0;
    clock.start();
    last_sched = sched_start = sched_end = thread_sched();
    witness_stop = false;
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    sched_getaffinity(0, sizeof allowed, &allowed);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed))
            continue;
        auto witness = std::make_unique<Witness>();
        witness->cpu = cpu;
        Witness *w = witness.get();
        witness->thread = std::thread([this, w] { witness_run(w); });
        witnesses.push_back(std::move(witness));
    }
    timer.start(1);
}

void StallMeter::witness_run(Witness *witness)
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(witness->cpu, &one);
    pthread_setaffinity_np(pthread_self(), sizeof one, &one);
    qint64 last = clock.nsecsElapsed();
    while (!witness_stop) {
        const timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
        const qint64 now = clock.nsecsElapsed();
        // A 1 ms sleep that took much longer: nothing in here kept the thread busy.
        if (now - last > 3000000)
            witness->gaps << qMakePair(last, now);
        witness->longest_ns = qMax(witness->longest_ns, now - last);
        last = now;
    }
}

void StallMeter::join_witnesses()
{
    witness_stop = true;
    for (const auto &witness : witnesses) {
        if (witness->thread.joinable())
            witness->thread.join();
        witness_longest_ns = qMax(witness_longest_ns, witness->longest_ns);
    }
}

void StallMeter::stop()
{
    timer.stop();
    sched_end = thread_sched();
    join_witnesses();
    for (Gap &g : long_gaps) {
        const qint64 from = g.end_ns - g.wall_ns;
        // Time in the gap when every witness was late at once: each one's late
        // stretches cut down to the stretches all of the others were late too.
        QList<QPair<qint64, qint64>> all_late;
        if (!witnesses.empty())
            all_late << qMakePair(from, g.end_ns);
        for (const auto &witness : witnesses) {
            qint64 late = 0;
            QList<QPair<qint64, qint64>> common;
            for (const auto &w : witness->gaps) {
                const qint64 overlap = qMin(g.end_ns, w.second) - qMax(from, w.first);
                if (overlap > 0)
                    late += overlap;
                for (const auto &a : all_late)
                    if (qMin(a.second, w.second) > qMax(a.first, w.first))
                        common << qMakePair(qMax(a.first, w.first), qMin(a.second, w.second));
            }
            all_late = common;
            g.shared_ns = qMax(g.shared_ns, qMin(late, g.wall_ns));
        }
        for (const auto &a : all_late)
            g.halted_ns += a.second - a.first;
        if (g.own_ns() > longest_own.own_ns())
            longest_own = g;
        if (g.wall_ns == longest.wall_ns && g.end_ns == longest.end_ns)
            longest = g;
    }
}

void StallMeter::tick()
{
    const qint64 now = clock.nsecsElapsed();
    const SchedSample sched = thread_sched();
    Gap g;
    g.wall_ns = now - last_tick_ns;
    g.run_ns = sched.run_ns - last_sched.run_ns;
    g.wait_ns = qMin(g.wall_ns, sched.wait_ns - last_sched.wait_ns);
    g.end_ns = now;
    last_tick_ns = now;
    last_sched = sched;
    if (g.wall_ns > longest.wall_ns)
        longest = g;
    if (g.run_ns > busiest.run_ns)
        busiest = g;
    // Only the unusual gaps are kept, and charged with the witness's at stop():
    // a long run has ~1000 ticks a second.
    if (g.wall_ns > 5000000)
        long_gaps << g;
    else if (g.own_ns() > longest_own.own_ns())
        longest_own = g;
    if (posted_at_ns < 0) {
        posted_at_ns = now;
        QCoreApplication::postEvent(this, new QEvent(probe_event));
    }
}

bool StallMeter::event(QEvent *event)
{
    if (event->type() != probe_event)
        return QObject::event(event);
    if (posted_at_ns >= 0) {
        longest_post_ns = qMax(longest_post_ns, clock.nsecsElapsed() - posted_at_ns);
        posted_at_ns = -1;
    }
    return true;
}

int StallMeter::gaps_over(double ms) const
{
    const qint64 limit = qint64(ms * 1e6);
    return int(std::count_if(long_gaps.begin(), long_gaps.end(), [limit](const Gap &g) { return g.wall_ns > limit; }));
}

int StallMeter::own_gaps_over(double ms) const
{
    const qint64 limit = qint64(ms * 1e6);
    return int(std::count_if(long_gaps.begin(), long_gaps.end(), [limit](const Gap &g) { return g.own_ns() > limit; }));
}

QList<StallMeter::Gap> StallMeter::worst_gaps(int count) const
{
    QList<Gap> sorted = long_gaps;
    std::sort(sorted.begin(), sorted.end(), [](const Gap &a, const Gap &b) { return a.wall_ns > b.wall_ns; });
    return sorted.mid(0, count);
}

void print_stalls(const QString &label, const StallMeter &meter, int worst)
{
    line(QStringLiteral("%1: longest tick gap %2; longest own stall %3 ms (a gap less the GUI thread's wait "
                        "for a CPU or a witness thread's lateness); most work in one gap %4; longest posted-event "
                        "wait %5; gaps over 5 ms: %6, over 10 ms: %7 (of which the window's own doing: %10); GUI thread "
                        "waited %8 for a CPU in all; witness threads' longest 1 ms sleep %9")
             .arg(label, meter.longest_gap().describe())
             .arg(meter.longest_own_stall_ms(), 0, 'f', 2)
             .arg(ms(meter.longest_busy().run_ns / 1e6), ms(meter.longest_post_wait_ms()))
             .arg(meter.gaps_over(5))
             .arg(meter.gaps_over(10))
             .arg(ms(meter.cpu_wait_ms()), ms(meter.witness_longest_gap_ms()))
             .arg(meter.own_gaps_over(10)));
    for (const StallMeter::Gap &gap : meter.worst_gaps(worst))
        line(QStringLiteral("%1:   gap %2").arg(label, gap.describe()));
}

void print_idle_baseline(int duration_ms)
{
    StallMeter meter;
    meter.start();
    run_for(duration_ms);
    meter.stop();
    print_stalls(QStringLiteral("idle baseline (%1 s, nothing running)").arg(duration_ms / 1000.0), meter);
}

} // namespace bench
