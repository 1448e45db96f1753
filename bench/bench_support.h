#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

// What the benchmarks share: the application that finds what holds the event
// loop (profiler.h), a meter for how long the loop stalls (stall_meter.h), a
// clock on the simulated bus that stamps every write and read (bus_clock.h),
// and here waiting with the loop live, the command line, process CPU time and
// the plain-line output the summary script reads.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "bus_clock.h"
#include "profiler.h"
#include "stall_meter.h"

namespace bench {

// Sets up the headless platform unless the caller chose one; every
// benchmark's main calls it before it creates its BenchApplication.
void prepare_environment();

// The event loop stays live: the caller's predicate is looked at every
// millisecond by a precise timer, so the benchmark itself adds no polling
// sleeps of the kind QTest::qWait makes (those would show as stalls).
bool run_until(const std::function<bool()> &done, int timeout_ms);
void run_for(int ms);

// The whole number after `name` on the command line ("--repeats 5"), at least
// 1; `fallback` when it is not there.
int option(const QStringList &args, const QString &name, int fallback);
// The runs of each measurement asked for with --repeats.
int repeats_from(const QStringList &args, int fallback);

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double median(QList<double> values);

// User plus system CPU time of the whole process, in milliseconds.
double process_cpu_ms();

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
