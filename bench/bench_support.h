#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

// What the benchmarks share: the application that finds what holds the event
// loop (profiler.h), a meter for how long the loop stalls (stall_meter.h), a
// clock on the simulated bus that stamps every write and read (bus_clock.h),
// the command line and the plain-line output the summary script reads
// (figures.h), and here waiting with the loop live and process CPU time.

#include <functional>

#include "bus_clock.h"
#include "figures.h"
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

// User plus system CPU time of the whole process, in milliseconds.
double process_cpu_ms();

} // namespace bench

#endif // BENCH_SUPPORT_H
