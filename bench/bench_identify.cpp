// From plugging a configured OR+ device to the filled window, against the
// floor of one 50 ms read spacing per round trip; the window's liveness
// meanwhile; and what the window costs in CPU while it waits for a device and
// while a connected device sits idle.

#include <QStringList>
#include <algorithm>
#include <numeric>

#include "app/mainwindow.h"
#include "bench_support.h"
#include "device/device_state.h"
#include "device/usb_state.h"
#include "support/rig.h"

using namespace bench;

namespace {

bool filled()
{
    return device_open && !widgets_cleared;
}

// The window's presence timer: the one direct child timer with its interval.
QTimer *presence_timer(MainWindow &window)
{
    for (QTimer *timer : window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly))
        if (timer->interval() == 500 && timer->isActive())
            return timer;
    return nullptr;
}

// CPU the whole process spends over `seconds` of an idle window, in percent of
// one core, and the GUI thread's share of it.
double idle_cpu_percent(const QString &label, int seconds)
{
    const double cpu_before = process_cpu_ms();
    const SchedSample gui_before = thread_sched();
    QElapsedTimer wall;
    wall.start();
    run_for(seconds * 1000);
    const double elapsed = wall.nsecsElapsed() / 1e6;
    const double cpu = process_cpu_ms() - cpu_before;
    const double gui = (thread_sched().run_ns - gui_before.run_ns) / 1e6;
    line(QStringLiteral("%1: %2 of CPU in %3 s of wall time (GUI thread %4)")
             .arg(label, ms(cpu))
             .arg(elapsed / 1000, 0, 'f', 1)
             .arg(ms(gui)));
    return 100.0 * cpu / elapsed;
}

double mean(const QList<double> &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

double worst(const QList<double> &values)
{
    return *std::max_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char **argv)
{
    prepare_environment();
    BenchApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int repeats = option(args, QStringLiteral("--repeats"), 3);
    const int idle_seconds = option(args, QStringLiteral("--idle-seconds"), 30);
    bool all_met = true;
    double connected_idle = 0;

    line(QStringLiteral("bench_identify: %1 plugs just before and %1 just after a presence tick; "
                        "idle CPU over %2 s")
             .arg(repeats)
             .arg(idle_seconds));
    {
        Rig rig;
        rig.start_server();
        const SimDeviceState state = configured_device("1100000102");
        rig.register_device(state, 3);
        MainWindow &window = rig.open_window();
        window.show();
        run_for(700);
        QTimer *presence = presence_timer(window);
        if (!presence || !widgets_cleared)
            fail(QStringLiteral("no running presence timer, or the window is not in its empty state"));
        bool ticked = false;
        // Connected after the window's own slot: runs once its tick is over.
        QObject::connect(presence, &QTimer::timeout, [&ticked] { ticked = true; });
        print_idle_baseline(10000);

        BusClock bus;
        StallMeter meter;
        double longest_own = 0;
        double longest_post = 0;
        int round_trips = 0;
        QList<double> plugged_ratios;   // plugged -> filled, against the floor
        QList<double> opened_ratios;    // opened -> filled, against the floor
        for (int run = 1; run <= 2 * repeats; ++run) {
            const bool after_tick = run % 2 == 0;
            if (after_tick) {
                ticked = false;
                run_until([&ticked] { return ticked; }, 2000);
            } else {
                run_until([presence] { return presence->remainingTime() <= 1; }, 2000);
            }
            bus.restart();
            SimDevice *device = rig.plug(state);
            meter.start();
            app.profile_start();
            const bool done = run_until(filled, 15000);
            const double filled_ms = bus.now_ms();
            // The filled window is painted after the tick that filled it.
            run_for(300);
            app.profile_stop();
            meter.stop();
            if (!done || rig.boxes.count() > 0
                || rig.probe().text("label_serial_number") != QString::fromLatin1(state.serial))
                fail(QStringLiteral("identification did not end in the filled window (boxes: %1)")
                         .arg(rig.boxes.texts().join(", ")));

            const TripStats stats = trip_stats(bus.round_trips(device));
            round_trips = host_packets(device);
            const double floor = round_trips * read_spacing_ms;
            const double opened_ms = bus.open_ms();
            const double from_open = filled_ms - opened_ms;
            plugged_ratios << filled_ms / floor;
            opened_ratios << from_open / floor;
            // The 5 ms between two messages is a floor of its own that the
            // one above leaves out.
            const double floor_with_pauses = floor + (round_trips - 1) * USB_pause;
            line(QStringLiteral("run %1 (plugged just %2 a presence tick): plugged -> filled %3; %4 round trips, "
                                "floor %5, ratio %6")
                     .arg(run)
                     .arg(after_tick ? QStringLiteral("after") : QStringLiteral("before"))
                     .arg(ms(filled_ms))
                     .arg(round_trips)
                     .arg(ms(floor))
                     .arg(filled_ms / floor, 0, 'f', 3));
            line(QStringLiteral("  run %1: plugged -> opened %2 (waiting for the presence tick); opened -> filled %3, "
                                "ratio %4 (%5 against the floor with the 5 ms between messages, %6)")
                     .arg(run)
                     .arg(ms(opened_ms), ms(from_open))
                     .arg(from_open / floor, 0, 'f', 3)
                     .arg(from_open / floor_with_pauses, 0, 'f', 3)
                     .arg(ms(floor_with_pauses)));
            line(QStringLiteral("  run %1: opened -> first write %2; device exchanges (first write -> last answer) %3; "
                                "last answer -> filled %4 (limit and brand requests, then the device state)")
                     .arg(run)
                     .arg(ms(stats.first_write_ms - opened_ms), ms(stats.last_read_ms - stats.first_write_ms),
                          ms(filled_ms - stats.last_read_ms)));
            print_trip_stats(QStringLiteral("  run %1").arg(run), stats);
            print_stalls(QStringLiteral("  run %1").arg(run), meter);
            app.print_profile(QStringLiteral("  run %1").arg(run));
            longest_own = qMax(longest_own, meter.longest_own_stall_ms());
            longest_post = qMax(longest_post, meter.longest_post_wait_ms());

            rig.unplug(device);
            if (!run_until([] { return !device_open && widgets_cleared; }, 3000))
                fail(QStringLiteral("the window did not notice the unplugged device"));
        }

        // A connected device left alone: only the presence probe runs. The
        // in-process server's threads are not the window's, so it stops first.
        rig.plug(state);
        if (!run_until(filled, 15000))
            fail(QStringLiteral("the device plugged for the idle measurement was not identified"));
        run_for(1000);
        rig.server()->stop();
        run_for(500);
        connected_idle = idle_cpu_percent(QStringLiteral("idle window, connected device"), idle_seconds);

        figure(QStringLiteral("identify.round_trips"), round_trips, QString());
        figure(QStringLiteral("identify.ratio_plugged_to_filled_mean"), mean(plugged_ratios), QString());
        figure(QStringLiteral("identify.ratio_plugged_to_filled_worst"), worst(plugged_ratios), QString());
        figure(QStringLiteral("identify.ratio_opened_to_filled_mean"), mean(opened_ratios), QString());
        figure(QStringLiteral("identify.ratio_opened_to_filled_worst"), worst(opened_ratios), QString());
        // One frame at 120 Hz: what the window may hold the loop for.
        all_met &= result(QStringLiteral("identify.stall.own"), longest_own, QStringLiteral("ms"),
                          QStringLiteral("<"), 8);
        all_met &= result(QStringLiteral("identify.stall.posted_event_wait"), longest_post, QStringLiteral("ms"),
                          QStringLiteral("<"), 10);
    }

    {
        // A window that has never seen a device, no server, nothing plugged:
        // only the presence tick runs.
        Rig rig;
        rig.open_window().show();
        run_for(1000);
        const double no_device = idle_cpu_percent(QStringLiteral("idle window, no device"), idle_seconds);
        all_met &= result(QStringLiteral("idle.cpu_no_device"), no_device, QStringLiteral("% of a core"),
                          QStringLiteral("<"), 0.3);
        all_met &= result(QStringLiteral("idle.cpu_connected_device"), connected_idle, QStringLiteral("% of a core"),
                          QStringLiteral("<"), 0.5);
    }
    return all_met ? 0 : 1;
}
