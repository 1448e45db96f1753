#include "bus_clock.h"

#include "bench_support.h"
#include "sim_device.h"

namespace bench {

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

void Spread::add(double ms)
{
    min_ms = count == 0 ? ms : qMin(min_ms, ms);
    max_ms = count == 0 ? ms : qMax(max_ms, ms);
    total_ms += ms;
    ++count;
}

TripStats trip_stats(const QList<RoundTrip> &trips)
{
    TripStats s;
    s.round_trips = trips.size();
    if (!trips.isEmpty())
        s.first_write_ms = trips.first().write_ms;
    for (int i = 0; i < trips.size(); ++i) {
        const RoundTrip &t = trips.at(i);
        if (t.read_ms < 0)
            continue;
        s.last_read_ms = t.read_ms;
        s.spacing.add(t.read_ms - t.write_ms);
        if (i + 1 < trips.size())
            (t.continues() ? s.in_exchange : s.between).add(trips.at(i + 1).write_ms - t.read_ms);
    }
    return s;
}

void print_trip_stats(const QString &label, const TripStats &s)
{
    line(QStringLiteral("%1: %2 round trips, first write at %3, last answer read at %4")
             .arg(label)
             .arg(s.round_trips)
             .arg(ms(s.first_write_ms), ms(s.last_read_ms)));
    line(QStringLiteral("%1: write -> read of its answer: min %2, mean %3, max %4, sum %5")
             .arg(label, ms(s.spacing.min_ms), ms(s.spacing.mean_ms()), ms(s.spacing.max_ms),
                  ms(s.spacing.total_ms)));
    if (s.in_exchange.count > 0)
        line(QStringLiteral("%1: answer read -> next packet of the same exchange: %2 gaps, mean %3, max %4, sum %5")
                 .arg(label)
                 .arg(s.in_exchange.count)
                 .arg(ms(s.in_exchange.mean_ms()), ms(s.in_exchange.max_ms), ms(s.in_exchange.total_ms)));
    if (s.between.count > 0)
        line(QStringLiteral("%1: end of an exchange -> first packet of the next: %2 gaps, min %3, sum %4")
                 .arg(label)
                 .arg(s.between.count)
                 .arg(ms(s.between.min_ms), ms(s.between.total_ms)));
}

int host_packets(const SimDevice *device)
{
    int count = 0;
    for (const WirePacket &packet : device->wire())
        if (packet.direction == WirePacket::HostToDevice)
            ++count;
    return count;
}

} // namespace bench
