#ifndef TRANSCRIPT_H
#define TRANSCRIPT_H

// Golden transcripts: what a run did, as deterministic text (no times, no addresses), to
// compare with a file committed under tests/golden.

#include <QElapsedTimer>
#include <QHash>
#include <QStringList>

#include "sim_bus.h"

class BoxCatcher;
namespace apiserver { class ApiServer; }

// The conversation on the in-process bus while it lives: opens and closes, every packet
// both ways and each complete host message, in order. Each packet names the timing floor
// it had to keep, and the measured gap is checked against it (a floor is a minimum: a slow
// run keeps it all the more). Reads that find nothing (presence probes, drains) are no
// packets and leave no trace.
class WireRecorder : public SimBusObserver
{
public:
    WireRecorder();
    ~WireRecorder() override;
    QStringList lines() const { return recorded; }
    QStringList breaches() const { return broken; }

    void enter(SimBus &bus, Op op, SimDevice *device) override;
    void leave(SimBus &bus, Op op, SimDevice *device, const QByteArray &path) override;

private:
    void keep(const char *floor, double since_ms, int floor_ms, const QString &line);
    QElapsedTimer clock;
    double started = 0;            // when the call in progress began
    double opened = -1;            // when the handle was opened (its first message waits)
    double last_write = -1;
    double last_event = -1;        // the previous packet, or the open
    bool answer_pending = false;   // the last device packet asks for the next host packet
    QHash<const SimDevice *, int> seen;  // journal entries already recorded
    QStringList recorded, broken;
};

// The server's log in the order the requests came: method, target, status, fault, and the
// body of a POST.
QStringList server_lines(const apiserver::ApiServer &server);
// Every box caught, in order: title / text (/ the line under it).
QStringList box_lines(const BoxCatcher &boxes);

// A file name from a test row's name: lower case, runs of other characters as one '-'.
QString file_name_of(const QString &name);
// Compares `actual` with tests/golden/`path`; empty when equal, else a unified diff of
// expected against actual. ORV_GOLDEN_UPDATE=1 writes the file instead.
QString golden_mismatch(const QString &path, const QString &actual);

#endif // TRANSCRIPT_H
