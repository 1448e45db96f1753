#include "bench_support.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QMetaEnum>
#include <QEventLoop>
#include <QPointer>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

namespace {

const QEvent::Type probe_event = QEvent::Type(QEvent::User + 71);

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

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

// ------------------------------------------------------------------ BenchApplication

BenchApplication::BenchApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    clock.start();
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        const qint64 now = clock.nsecsElapsed();
        for (Frame &frame : stack)
            if (frame.first_wait_ns < 0)
                frame.first_wait_ns = now;
    });
    connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { last_awake_ns = clock.nsecsElapsed(); });
}

QString BenchApplication::describe(QObject *receiver, QEvent::Type type)
{
    QString what = QString::fromLatin1(receiver->metaObject()->className());
    if (!receiver->objectName().isEmpty())
        what += QStringLiteral(" \"%1\"").arg(receiver->objectName());
    if (auto *timer = qobject_cast<QTimer *>(receiver)) {
        what += QStringLiteral(" (%1 ms").arg(timer->interval());
        if (timer->parent())
            what += QStringLiteral(", of ") + QString::fromLatin1(timer->parent()->metaObject()->className());
        what += QLatin1Char(')');
    }
    const char *name = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    return what + QStringLiteral(": ") + (name ? QString::fromLatin1(name) : QString::number(type));
}

void BenchApplication::keep(const QString &what, qint64 from, qint64 to, const QList<Handling> &inside)
{
    if (to - from < threshold_ns)
        return;
    Stretch stretch;
    stretch.what = what;
    stretch.from_ns = from;
    stretch.to_ns = to;
    for (const Handling &h : inside)
        if (h.start_ns >= from && h.start_ns < to)
            stretch.inside << h;
    std::sort(stretch.inside.begin(), stretch.inside.end(),
              [](const Handling &a, const Handling &b) { return a.start_ns < b.start_ns; });
    stretches << stretch;
}

bool BenchApplication::notify(QObject *receiver, QEvent *event)
{
    if (!profiling || !receiver || QThread::currentThread() != thread())
        return QApplication::notify(receiver, event);

    // The handler may delete its receiver; then it is named by its class alone.
    const QPointer<QObject> alive(receiver);
    const char *class_name = receiver->metaObject()->className();
    const QEvent::Type type = event->type();
    Frame frame;
    frame.start_ns = clock.nsecsElapsed();
    stack.append(frame);
    const bool handled = QApplication::notify(receiver, event);
    if (stack.isEmpty())
        return handled;   // profile_stop() came from inside the handler
    const Frame done = stack.takeLast();
    const qint64 end = clock.nsecsElapsed();
    const qint64 total = end - done.start_ns;
    if (!stack.isEmpty())
        stack.last().child_ns += total;

    const bool waited = done.first_wait_ns >= 0;
    const bool parent_waits_meanwhile = stack.isEmpty() || stack.last().first_wait_ns >= 0;
    // Only what may matter is described: most events take microseconds.
    if (total >= threshold_ns / 4 || (waited && end - last_awake_ns >= threshold_ns)) {
        Handling h;
        h.what = alive ? describe(receiver, type) : QString::fromLatin1(class_name) + QStringLiteral(" (deleted)");
        h.start_ns = done.start_ns;
        h.total_ns = total;
        h.own_ns = total - done.child_ns;
        if (!waited) {
            // A parent that has not waited yet holds the loop with it and names it later.
            if (parent_waits_meanwhile)
                keep(h.what, done.start_ns, end, done.inside);
        } else {
            keep(h.what + QStringLiteral(", before its first wait"), done.start_ns, done.first_wait_ns, done.inside);
            keep(h.what + QStringLiteral(", after its last wait"), qMax(last_awake_ns, done.start_ns), end,
                 done.inside);
        }
        if (!stack.isEmpty()) {
            stack.last().inside << h;
            stack.last().inside += done.inside;
        }
    }
    return handled;
}

void BenchApplication::profile_start(double threshold_ms)
{
    threshold_ns = qint64(threshold_ms * 1e6);
    stretches.clear();
    profiling = true;
}

void BenchApplication::profile_stop()
{
    profiling = false;
    stack.clear();
}

void BenchApplication::print_profile(const QString &label, int count) const
{
    QList<Stretch> sorted = stretches;
    std::sort(sorted.begin(), sorted.end(),
              [](const Stretch &a, const Stretch &b) { return a.to_ns - a.from_ns > b.to_ns - b.from_ns; });
    line(QStringLiteral("%1: %2 stretches of %3 ms or more in which an event handler held the loop")
             .arg(label)
             .arg(stretches.size())
             .arg(threshold_ns / 1e6, 0, 'f', 1));
    for (const Stretch &s : sorted.mid(0, count)) {
        line(QStringLiteral("%1:   %2 for %3").arg(label, s.what, ms((s.to_ns - s.from_ns) / 1e6)));
        for (const Handling &h : s.inside)
            line(QStringLiteral("%1:       inside: %2, %3 (own %4)")
                     .arg(label, h.what, ms(h.total_ns / 1e6), ms(h.own_ns / 1e6)));
    }
}

// ------------------------------------------------------------------ waiting

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

// ------------------------------------------------------------------ StallMeter

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
    if (std::sscanf(text, "%lld %lld", &run, &wait) == 2) {
        sample.run_ns = run;
        sample.wait_ns = wait;
    }
    return sample;
}

QString StallMeter::Gap::describe() const
{
    // The witness is compared with the long gaps only, when the meter stops.
    const QString witness = wall_ns > 5000000
        ? QStringLiteral(", a witness thread late %1").arg(ms(shared_ns / 1e6))
        : QString();
    return QStringLiteral("%1 (GUI thread ran %2, waited for a CPU %3%4, preempted %5x, %6 I/O page faults, at %7 s)")
        .arg(ms(wall_ns / 1e6), ms(run_ns / 1e6), ms(wait_ns / 1e6), witness)
        .arg(involuntary)
        .arg(faults)
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
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    last_involuntary = usage.ru_nivcsw;
    last_faults = usage.ru_majflt;
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
        for (const auto &witness : witnesses) {
            qint64 late = 0;
            for (const auto &w : witness->gaps) {
                const qint64 overlap = qMin(g.end_ns, w.second) - qMax(from, w.first);
                if (overlap > 0)
                    late += overlap;
            }
            g.shared_ns = qMax(g.shared_ns, qMin(late, g.wall_ns));
        }
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
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    g.involuntary = usage.ru_nivcsw - last_involuntary;
    g.faults = usage.ru_majflt - last_faults;
    last_involuntary = usage.ru_nivcsw;
    last_faults = usage.ru_majflt;
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
                        "wait %5; gaps over 5 ms: %6, over 10 ms: %7; GUI thread waited %8 for a CPU in all; "
                        "witness threads' longest 1 ms sleep %9")
             .arg(label, meter.longest_gap().describe())
             .arg(meter.longest_own_stall_ms(), 0, 'f', 2)
             .arg(ms(meter.longest_busy().run_ns / 1e6), ms(meter.longest_post_wait_ms()))
             .arg(meter.gaps_over(5))
             .arg(meter.gaps_over(10))
             .arg(ms(meter.cpu_wait_ms()), ms(meter.witness_longest_gap_ms())));
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

// ------------------------------------------------------------------ BusClock

bool RoundTrip::continues() const
{
    // A reply chunk (0xDC) wants the host's acknowledgement; an acknowledgement
    // (0xDD) of a host chunk wants the next chunk or the end packet.
    if (reply.isEmpty())
        return false;
    const auto code = static_cast<unsigned char>(reply.at(0));
    return code == 0xDC || code == 0xDD;
}

BusClock::BusClock()
{
    clock.start();
    SimBus::instance().set_observer(this);
}

BusClock::~BusClock()
{
    SimBus::instance().set_observer(nullptr);
}

void BusClock::restart()
{
    clock.restart();
    writes.clear();
    reads.clear();
    opened_ms = -1;
}

double BusClock::now_ms() const
{
    return clock.nsecsElapsed() / 1e6;
}

void BusClock::enter(SimBus &, Op op, SimDevice *device)
{
    if (op == Op::Read)
        pending_before_read = device && device->has_pending_report();
}

void BusClock::leave(SimBus &, Op op, SimDevice *, const QByteArray &path)
{
    switch (op) {
    case Op::Write:
        writes << now_ms();
        break;
    case Op::Read:
        if (pending_before_read)
            reads << now_ms();
        break;
    case Op::Open:
        if (!path.isEmpty() && opened_ms < 0)
            opened_ms = now_ms();
        break;
    default:
        break;
    }
}

QList<RoundTrip> BusClock::round_trips(const SimDevice *device) const
{
    // The journal lists packets in the order they crossed the bus, the clock
    // stamps the same calls in the same order: the k-th host packet is the
    // k-th write, the k-th device packet the k-th read that took a report.
    QList<RoundTrip> trips;
    int w = 0;
    int r = 0;
    for (const SimEvent &event : device->journal()) {
        if (event.kind == SimEvent::HostPacket && w < writes.size()) {
            RoundTrip trip;
            trip.write_ms = writes.at(w++);
            trip.host = event.bytes;
            trips << trip;
        } else if (event.kind == SimEvent::DevicePacket && r < reads.size()) {
            const double at = reads.at(r++);
            if (!trips.isEmpty() && trips.last().read_ms < 0) {
                trips.last().read_ms = at;
                trips.last().reply = event.bytes;
            }
        }
    }
    return trips;
}

TripStats trip_stats(const QList<RoundTrip> &trips)
{
    TripStats s;
    s.round_trips = trips.size();
    if (trips.isEmpty())
        return s;
    s.first_write_ms = trips.first().write_ms;
    s.spacing_min_ms = 1e300;
    s.between_min_ms = 1e300;
    int answered = 0;
    for (int i = 0; i < trips.size(); ++i) {
        const RoundTrip &t = trips.at(i);
        if (t.read_ms < 0)
            continue;
        ++answered;
        s.last_read_ms = t.read_ms;
        const double spacing = t.read_ms - t.write_ms;
        s.spacing_min_ms = qMin(s.spacing_min_ms, spacing);
        s.spacing_max_ms = qMax(s.spacing_max_ms, spacing);
        s.spacing_total_ms += spacing;
        if (i + 1 >= trips.size())
            continue;
        const double gap = trips.at(i + 1).write_ms - t.read_ms;
        if (t.continues()) {
            ++s.in_exchange_gaps;
            s.in_exchange_total_ms += gap;
            s.in_exchange_max_ms = qMax(s.in_exchange_max_ms, gap);
        } else {
            ++s.between_gaps;
            s.between_total_ms += gap;
            s.between_min_ms = qMin(s.between_min_ms, gap);
        }
    }
    if (answered > 0)
        s.spacing_mean_ms = s.spacing_total_ms / answered;
    else
        s.spacing_min_ms = 0;
    if (s.in_exchange_gaps > 0)
        s.in_exchange_mean_ms = s.in_exchange_total_ms / s.in_exchange_gaps;
    if (s.between_gaps == 0)
        s.between_min_ms = 0;
    return s;
}

void print_trip_stats(const QString &label, const TripStats &s)
{
    line(QStringLiteral("%1: %2 round trips, first write at %3, last answer read at %4")
             .arg(label)
             .arg(s.round_trips)
             .arg(ms(s.first_write_ms), ms(s.last_read_ms)));
    line(QStringLiteral("%1: write -> read of its answer: min %2, mean %3, max %4, sum %5")
             .arg(label, ms(s.spacing_min_ms), ms(s.spacing_mean_ms), ms(s.spacing_max_ms),
                  ms(s.spacing_total_ms)));
    if (s.in_exchange_gaps > 0)
        line(QStringLiteral("%1: answer read -> next packet of the same exchange: %2 gaps, mean %3, max %4, sum %5")
                 .arg(label)
                 .arg(s.in_exchange_gaps)
                 .arg(ms(s.in_exchange_mean_ms), ms(s.in_exchange_max_ms), ms(s.in_exchange_total_ms)));
    if (s.between_gaps > 0)
        line(QStringLiteral("%1: end of an exchange -> first packet of the next: %2 gaps, min %3, sum %4")
                 .arg(label)
                 .arg(s.between_gaps)
                 .arg(ms(s.between_min_ms), ms(s.between_total_ms)));
}

// ------------------------------------------------------------------ the rest

double process_cpu_ms()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return timeval_ms(usage.ru_utime) + timeval_ms(usage.ru_stime);
}

int host_packets(const SimDevice *device)
{
    int count = 0;
    for (const WirePacket &packet : device->wire())
        if (packet.direction == WirePacket::HostToDevice)
            ++count;
    return count;
}

bool result(const QString &name, double value, const QString &unit, const QString &op, double limit)
{
    const bool met = op == QLatin1String("<") ? value < limit : value <= limit;
    const QString u = unit.isEmpty() ? QString() : QStringLiteral(" ") + unit;
    line(QStringLiteral("result: %1 = %2%3 (target %4 %5%3) %6")
             .arg(name)
             .arg(value, 0, 'f', 3)
             .arg(u, op)
             .arg(limit, 0, 'g', 6)
             .arg(met ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    return met;
}

void figure(const QString &name, double value, const QString &unit)
{
    line(QStringLiteral("figure: %1 = %2%3")
             .arg(name)
             .arg(value, 0, 'f', 3)
             .arg(unit.isEmpty() ? QString() : QStringLiteral(" ") + unit));
}

void line(const QString &text)
{
    out() << text << '\n';
    out().flush();
}

QString ms(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" ms");
}

} // namespace bench
