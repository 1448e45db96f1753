// How close one exchange comes to the time the device link cannot beat (one
// 50 ms read spacing per round trip), and whether the window stays live
// meanwhile: a one-packet query and a 4 KiB message in 257 round trips.

#include <algorithm>

#include "app/mainwindow.h"
#include "bench_support.h"
#include "device/device_state.h"
#include "support/rig.h"

using namespace bench;

int main(int argc, char **argv)
{
    prepare_environment();
    BenchApplication app(argc, argv);
    const int repeats = repeats_from(app.arguments(), 3);

    line(QStringLiteral("bench_transport: %1 runs per message").arg(repeats));
    Rig rig;
    rig.start_server();
    const SimDeviceState state = configured_device("1100000101");
    rig.register_device(state, 3);
    SimDevice *device = rig.plug(state);
    rig.open_window().show();
    if (!run_until([] { return device_open && !widgets_cleared; }, 10000))
        fail(QStringLiteral("the device was not identified"));
    rig.boxes.clear();
    print_idle_baseline(10000);

    BusClock bus;
    StallMeter meter;

    bool all_met = true;
    double longest_gap = 0;
    double longest_own = 0;
    double longest_post = 0;
    double most_work = 0;
    for (const ExchangeCase &c : exchange_cases(QStringLiteral("transport"))) {
        QList<double> ratios;
        for (int run = 1; run <= repeats; ++run) {
            // Well clear of the previous exchange and of the 5 ms between messages.
            run_for(30);
            device->clear_log();
            bus.restart();
            meter.start();
            QElapsedTimer clock;
            clock.start();
            const bool ok = rig.exchange(c.message);
            const double elapsed = clock.nsecsElapsed() / 1e6;
            meter.stop();

            if (!ok || rig.boxes.count() > 0 || device->messages().value(0) != c.message)
                fail(QStringLiteral("%1 failed (boxes: %2)").arg(c.label, rig.boxes.texts().join(", ")));
            const int trips = host_packets(device);
            const double floor = trips * read_spacing_ms;
            const double ratio = elapsed / floor;
            ratios << ratio;
            longest_gap = qMax(longest_gap, meter.longest_gap_ms());
            longest_own = qMax(longest_own, meter.longest_own_stall_ms());
            longest_post = qMax(longest_post, meter.longest_post_wait_ms());
            most_work = qMax(most_work, meter.longest_busy().run_ns / 1e6);
            line(QStringLiteral("%1, run %2: %3 for %4 round trips, floor %5, ratio %6")
                     .arg(c.label)
                     .arg(run)
                     .arg(ms(elapsed))
                     .arg(trips)
                     .arg(ms(floor))
                     .arg(ratio, 0, 'f', 4));
            print_stalls(QStringLiteral("  run %1").arg(run), meter);
            print_trip_stats(QStringLiteral("  run %1").arg(run), trip_stats(bus.round_trips(device)));
        }
        const double worst = *std::max_element(ratios.begin(), ratios.end());
        line(QStringLiteral("%1: ratio median %2, best %3, worst %4")
                 .arg(c.label)
                 .arg(median(ratios), 0, 'f', 4)
                 .arg(*std::min_element(ratios.begin(), ratios.end()), 0, 'f', 4)
                 .arg(worst, 0, 'f', 4));
        figure(c.name + QStringLiteral(".ratio_median"), median(ratios), QString());
        all_met &= result(c.name + QStringLiteral(".ratio_worst"), worst, QString(), QStringLiteral("<="), 1.05);
    }
    figure(QStringLiteral("transport.stall.tick_gap"), longest_gap, QStringLiteral("ms"));
    figure(QStringLiteral("transport.stall.most_work_in_a_gap"), most_work, QStringLiteral("ms"));
    all_met &= result(QStringLiteral("transport.stall.own"), longest_own, QStringLiteral("ms"),
                      QStringLiteral("<"), 10);
    all_met &= result(QStringLiteral("transport.stall.posted_event_wait"), longest_post, QStringLiteral("ms"),
                      QStringLiteral("<"), 10);
    return all_met ? 0 : 1;
}
