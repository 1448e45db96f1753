// The fault catalogue of the simulated device: what can go wrong, how a fault is named in the
// state file and by orv-simdev, and which host message it waits for.
#pragma once

#include "sim_codec.h"

#include <QByteArray>
#include <QString>

// One injected misbehaviour. Faults wait in a queue on the device; each fires on a host
// message that starts with `match` (any message when empty) once `skip` such messages have
// gone by, and leaves the queue when it fires. The next fault in the queue that is ready
// fires on a later message, so faults can be lined up one after the other.
struct SimFault {
    enum class Kind {
        NoAnswer,        // ignore the firing packet and the next count-1 packets: no answer
        Fail,            // answer 0xF1 instead of handling the message
        FailConnection,  // answer 0xF1 0xF3
        ChunkedFail,     // a chunked reply 0xF1 + bytes, padded to 20 bytes
        LowerAck,        // during a chunked host message, once acknowledge one chunk back
        Unplug,          // the device is gone from this packet on: writes and reads fail
        Garbage,         // answer with a report the host cannot use (see GarbageKind)
        Late,            // handle normally, but the answer shows up only after count reads
        Reply,           // answer with `bytes` (framed normally) instead of handling
        AckPastEnd,      // acknowledge the first chunk of a chunked host message with 0xFFFF
        ChunkGap,        // in a chunked reply, once send the chunk 16 bytes past the one asked for
        AckAhead,        // acknowledge the first chunk of a chunked host message 32 bytes ahead
        WrongEcho,       // handle, but answer with the first byte one higher (a query: its code + 1)
        Leftover,        // at the next open, a report left from before (`bytes`, framed; the
                         // answer to the hardware query when empty) arrives count ms later
    };
    enum class GarbageKind {
        RandomBytes,     // 64 random bytes, the first one non-zero
        InvalidBase64,   // text made only of characters outside the base64 alphabet
        BadOffset,       // a reply chunk at an offset the host never asked for, then an end
        EndlessChunks,   // reply chunks that never end (count limits them; 0 = forever)
    };

    Kind kind = Kind::NoAnswer;
    QByteArray match;
    int skip = 0;
    int count = 1;
    GarbageKind garbage = GarbageKind::RandomBytes;
    QByteArray bytes;

    static SimFault make(Kind kind, const QByteArray &match = {}, int skip = 0, int count = 1)
    {
        SimFault f;
        f.kind = kind;
        f.match = match;
        f.skip = skip;
        f.count = count;
        return f;
    }
    static SimFault no_answer(int packets = 1, const QByteArray &match = {}, int skip = 0)
    {
        return make(Kind::NoAnswer, match, skip, packets);
    }
    static SimFault fail(const QByteArray &match = {}, int skip = 0) { return make(Kind::Fail, match, skip); }
    static SimFault fail_connection(const QByteArray &match = {}, int skip = 0)
    {
        return make(Kind::FailConnection, match, skip);
    }
    static SimFault chunked_fail(const QByteArray &after_f1 = {}, const QByteArray &match = {}, int skip = 0)
    {
        return make(Kind::ChunkedFail, match, skip).with_bytes(after_f1);
    }
    static SimFault lower_ack(const QByteArray &match = {}, int skip = 0) { return make(Kind::LowerAck, match, skip); }
    // The device answers `messages` more messages and is gone when the next packet comes.
    static SimFault unplug_after(int messages, const QByteArray &match = {})
    {
        return make(Kind::Unplug, match, messages);
    }
    static SimFault garbage_reply(GarbageKind kind, const QByteArray &match = {}, int skip = 0, int count = 0)
    {
        SimFault f = make(Kind::Garbage, match, skip, count);
        f.garbage = kind;
        return f;
    }
    static SimFault late(int reads, const QByteArray &match = {}, int skip = 0)
    {
        return make(Kind::Late, match, skip, reads);
    }
    static SimFault reply(const QByteArray &bytes, const QByteArray &match = {}, int skip = 0)
    {
        return make(Kind::Reply, match, skip).with_bytes(bytes);
    }
    static SimFault ack_past_end(const QByteArray &match = {}, int skip = 0)
    {
        return make(Kind::AckPastEnd, match, skip);
    }
    static SimFault chunk_gap(const QByteArray &match = {}, int skip = 0) { return make(Kind::ChunkGap, match, skip); }
    static SimFault ack_ahead(const QByteArray &match = {}, int skip = 0) { return make(Kind::AckAhead, match, skip); }
    // Without `match`, the next query (09) is answered with the wrong echo.
    static SimFault wrong_echo(const QByteArray &match = {}, int skip = 0)
    {
        return make(Kind::WrongEcho, match.isEmpty() ? QByteArray(1, char(sim_wire::query_code)) : match, skip);
    }
    // Fires when the host opens the device, not on a message.
    static SimFault leftover(int ms, const QByteArray &packet = {})
    {
        return make(Kind::Leftover, {}, 0, ms).with_bytes(packet);
    }
    SimFault with_bytes(const QByteArray &b) const
    {
        SimFault f = *this;
        f.bytes = b;
        return f;
    }

    static QString kind_name(Kind k);                 // "no-answer", "fail", ...
    static bool kind_from_name(const QString &name, Kind *out);
    static QString garbage_name(GarbageKind g);       // "random", "invalid-base64", ...
    static bool garbage_from_name(const QString &name, GarbageKind *out);
    QString describe() const;                         // one line for people

    bool operator==(const SimFault &o) const;
};
