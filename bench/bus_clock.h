#ifndef BENCH_BUS_CLOCK_H
#define BENCH_BUS_CLOCK_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include "sim_bus.h"

namespace bench {

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

// Durations of one kind: how many, the least, the most and the sum.
struct Spread {
    int count = 0;
    double min_ms = 0;
    double max_ms = 0;
    double total_ms = 0;
    void add(double ms);
    double mean_ms() const { return count > 0 ? total_ms / count : 0; }
};

// Where the time of a run of round trips went.
struct TripStats {
    int round_trips = 0;
    double first_write_ms = 0;
    double last_read_ms = 0;
    Spread spacing;       // write to the read of its answer
    Spread in_exchange;   // answer read to the next packet of the same exchange
    Spread between;       // end of one exchange to the first packet of the next
};
TripStats trip_stats(const QList<RoundTrip> &trips);
void print_trip_stats(const QString &label, const TripStats &stats);

// Packets the host sent, from the device's wire log.
int host_packets(const SimDevice *device);

// The floor a run of round trips cannot beat: one 50 ms read spacing each.
constexpr double read_spacing_ms = 50.0;

} // namespace bench

#endif // BENCH_BUS_CLOCK_H
