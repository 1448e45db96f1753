// A device that answers from a recording instead of its model: the host must send the
// recorded packets in the recorded order, and gets the recorded answers back at about the
// recorded pace. The first packet that differs ends the replay; the device then behaves as
// pulled out, so the program stops quickly, and the difference is reported with the
// packets before it.
//
// The conversation is the recording's `out` and `in` events; every other event (open,
// drop, miss, end, box, the server's) is skipped. A packet is numbered by its place among
// them, from 1.
#pragma once

#include "app/record_format.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class DeviceReplay {
public:
    explicit DeviceReplay(const record_format::Recording &recording);

    // The recording in a file (a log with other lines around it is fine), or in `text`
    // named `name` in messages. Null with "NAME: why" in `error` when it cannot be read.
    static std::shared_ptr<DeviceReplay> load(const QString &path, QString *error);
    static std::shared_ptr<DeviceReplay> from_text(const QByteArray &text, const QString &name, QString *error);

    enum class Write {
        taken,
        // The one recorded next, whose write failed when it was recorded: it fails again.
        fails,    // the device stayed (the recording goes on without dropping it)
        gone,     // the device was gone (the recording drops it before anything else is sent)
        differs,  // not the one recorded next: the failure is printed to stderr and kept
    };
    // A host packet: its report text, zero padding removed.
    Write write(const QByteArray &text);
    // The next device packet as a 64-byte input report, once it is due; false when none is.
    bool read(QByteArray *report);
    bool has_pending() const { return !queue_.isEmpty(); }
    // When the next device packet is due, on SimDevice::now_ms()'s clock (0: none waits).
    qint64 report_due_ms() const;

    bool failed() const { return !failure_.isEmpty(); }
    QString failure() const { return failure_; }
    // Every recorded host packet has come.
    bool finished() const;
    // Why the replay is not finished ("" when it is).
    QString unfinished() const;

    int vendor_id() const { return vendor_; }
    int product_id() const { return product_; }

    // Device packets read are held back by this much: the recording shows when the program
    // read a packet, and the program reads about every 50 ms.
    static constexpr qint64 read_lead_ms = 25;

private:
    struct Packet {
        bool out = false;
        bool failed = false;  // a write that failed
        bool gone = false;    // a failed write after which the device was dropped
        QByteArray text;
        qint64 t = 0;
        int line = 0;
        int number = 0;  // place in the conversation, from 1
    };
    struct Due {
        QByteArray report;
        qint64 at = 0;
    };
    QString describe(const Packet &packet) const;
    void fail(const QString &headline, const QString &expected, const QByteArray &came, int before);

    QList<Packet> packets_;
    int next_ = 0;        // index of the next packet not yet reached
    QList<Due> queue_;    // device packets of the current exchange not yet read
    QString failure_;
    int vendor_ = 0;
    int product_ = 0;
};
