// Round trips of the system's hidapi through the hidraw bed (orv-simbed) against the floor the
// device link sets: one 50 ms read spacing per round trip. Runs under the bed, as the program
// does; each exchange goes the way the configurator's transport goes: the output report of
// a packet, the 50 ms pause, a read (a read that finds nothing costs one more 5 ms tick and
// pause), and for a long message the chunks the device acknowledges one by one.
//
//   orv-simbed --device STATE -- bench_bed [--repeats N]
//
// Not linked to the benchmark support library: that one brings the in-process stand-in for
// hidapi, and this benchmark must run on the real one.

#include <hidapi.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>
#include <algorithm>

#include "device/framing.h"
#include "figures.h"

namespace {

constexpr double read_spacing_ms = 50;
constexpr int read_tick_ms = 5;
constexpr int miss_limit = 20;

// Where the time of the round trips above the floor went, in nanoseconds.
struct Spent {
    qint64 write_ns = 0;     // inside hid_write (the bed takes the report)
    qint64 oversleep_ns = 0; // the 50 ms pause took longer
    qint64 read_ns = 0;      // inside hid_read
};

// One packet out, one report back; nothing on time-out or failure.
QByteArray round_trip(hid_device *device, const QByteArray &packet, int *misses, Spent *spent)
{
    const QByteArray report = framing::output_report(packet);
    QElapsedTimer clock;
    clock.start();
    if (hid_write(device, reinterpret_cast<const unsigned char *>(report.constData()), size_t(report.size())) < 0)
        return {};
    spent->write_ns += clock.nsecsElapsed();
    unsigned char in[framing::input_report_size];
    for (int miss = 0; miss < miss_limit; ++miss) {
        clock.restart();
        QThread::msleep(ulong(read_spacing_ms));
        spent->oversleep_ns += clock.nsecsElapsed() - qint64(read_spacing_ms * 1e6);
        clock.restart();
        const int n = hid_read(device, in, sizeof in);
        spent->read_ns += clock.nsecsElapsed();
        if (n < 0)
            return {};
        if (n > 0 && in[0] != 0)
            return framing::decode_text(QByteArray(reinterpret_cast<const char *>(in), n));
        ++*misses;
        QThread::msleep(read_tick_ms);
    }
    return {};
}

// A whole message; counts the round trips. False when the device did not take it.
bool exchange(hid_device *device, const QByteArray &message, int *trips, int *misses, Spent *spent)
{
    if (message.size() <= framing::chunk_size) {
        ++*trips;
        return !round_trip(device, message, misses, spent).isEmpty();
    }
    int sent = 0;
    QByteArray packet = framing::chunk_packet(message, sent);
    for (;;) {
        ++*trips;
        const QByteArray answer = round_trip(device, packet, misses, spent);
        if (answer.isEmpty())
            return false;
        if (quint8(packet[0]) == framing::end_code)
            return quint8(answer[0]) == framing::command_ok;
        const framing::SendStep step = framing::next_send_step(message, answer, sent);
        if (step.error)
            return false;
        sent = step.offset;
        packet = step.packet;
    }
}

}  // namespace

int main(int argc, char **argv)
{
    using bench::fail;
    using bench::line;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const int repeats = bench::repeats_from(args, 3);

    line(QStringLiteral("bench_bed: %1 runs per message, system hidapi %2 through the hidraw bed")
             .arg(repeats)
             .arg(QString::fromLatin1(hid_version_str())));
    if (hid_init() != 0)
        fail(QStringLiteral("hid_init failed"));
    hid_device_info *list = hid_enumerate(0x1FC9, 0x0087);
    hid_device *device = list ? hid_open_path(list->path) : nullptr;
    hid_free_enumeration(list);
    if (!device)
        fail(QStringLiteral("no device to open (run under orv-simbed with a plugged device)"));
    hid_set_nonblocking(device, 1);

    const QList<bench::ExchangeCase> cases = bench::exchange_cases(QStringLiteral("bed"));
    // The first exchange after opening pays once for what is not ready yet (code
    // paged in and symbols bound, in this program's hidapi, in umockdev and in the
    // bed): it is shown, not counted; the floor is about every exchange after it.
    {
        int trips = 0, misses = 0;
        Spent spent;
        QElapsedTimer clock;
        clock.start();
        const bool ok = exchange(device, cases.first().message, &trips, &misses, &spent);
        line(QStringLiteral("first exchange (not counted): %1 ms, in hid_write %2 ms, in hid_read %3 ms%4")
                 .arg(clock.nsecsElapsed() / 1e6, 0, 'f', 2)
                 .arg(spent.write_ns / 1e6, 0, 'f', 3)
                 .arg(spent.read_ns / 1e6, 0, 'f', 3)
                 .arg(ok ? QString() : QStringLiteral(" (failed)")));
        QThread::msleep(30);
    }
    bool all_met = true;
    for (const bench::ExchangeCase &c : cases) {
        QList<double> ratios;
        for (int run = 1; run <= repeats; ++run) {
            int trips = 0, misses = 0;
            Spent spent;
            QElapsedTimer clock;
            clock.start();
            const bool ok = exchange(device, c.message, &trips, &misses, &spent);
            const double elapsed = clock.nsecsElapsed() / 1e6;
            if (!ok)
                fail(QStringLiteral("%1 failed").arg(c.label));
            const double floor = trips * read_spacing_ms;
            ratios << elapsed / floor;
            line(QStringLiteral("%1, run %2: %3 ms for %4 round trips (%5 reads found nothing), floor %6 ms, ratio %7")
                     .arg(c.label)
                     .arg(run)
                     .arg(elapsed, 0, 'f', 2)
                     .arg(trips)
                     .arg(misses)
                     .arg(floor, 0, 'f', 0)
                     .arg(elapsed / floor, 0, 'f', 4));
            line(QStringLiteral("  per round trip: in hid_write %1 ms, the 50 ms pause overslept %2 ms, in hid_read %3 ms")
                     .arg(spent.write_ns / 1e6 / trips, 0, 'f', 3)
                     .arg(spent.oversleep_ns / 1e6 / trips, 0, 'f', 3)
                     .arg(spent.read_ns / 1e6 / trips, 0, 'f', 3));
            QThread::msleep(30);
        }
        const double worst = *std::max_element(ratios.begin(), ratios.end());
        bench::figure(c.name + QStringLiteral(".ratio_median"), bench::median(ratios), QString());
        all_met &= bench::result(c.name + QStringLiteral(".ratio_worst"), worst, QString(), QStringLiteral("<="), 1.03);
    }
    hid_close(device);
    hid_exit();
    return all_met ? 0 : 1;
}
