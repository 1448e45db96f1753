#include "app/recorder.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <hidapi.h>
#include <memory>

#include "app/pseudonyms.h"
#include "app/record_format.h"
#include "device/framing.h"
#include "device/protocol.h"
#include "server/api.h"

namespace {

// One thing that happened; packets of an exchange wait for its end, when the
// secrets they carry are known and replaced.
struct Pending {
    record_format::Event event;
    bool packet = false;
    RecordedPacket wire;
    QByteArray report_text;  // as it went, kept when no secret changed the packet
};

struct Recording {
    recorder::Sink sink;
    recorder::Options options;
    QElapsedTimer clock;
    std::unique_ptr<Pseudonyms> pseudonyms;
    QList<Pending> held;      // the exchange in flight and what happened during it
    bool in_exchange = false;
};

std::unique_ptr<Recording> now;

std::string text_of(const QByteArray &bytes)
{
    return std::string(bytes.constData(), size_t(bytes.size()));
}

record_format::Event event(const char *kind)
{
    record_format::Event e;
    e.kind = kind;
    e.t = now->clock.elapsed();
    return e;
}

void write_out(const record_format::Event &e)
{
    now->sink(record_format::event_line(e));
}

void flush()
{
    QList<RecordedPacket> wire;
    for (const Pending &p : now->held)
        if (p.packet)
            wire.append(p.wire);
    replace_secrets(wire, *now->pseudonyms);
    int next = 0;
    for (Pending &p : now->held) {
        if (p.packet) {
            const QByteArray packet = wire.at(next++).packet;
            p.event.set("r", text_of(packet == p.wire.packet ? p.report_text : framing::base64_text(packet)));
        }
        write_out(p.event);
    }
    now->held.clear();
}

// Outside an exchange an event is written at once; inside, it keeps its place.
void add(const record_format::Event &e)
{
    if (now->in_exchange) {
        Pending p;
        p.event = e;
        now->held.append(p);
    } else {
        write_out(e);
    }
}

void add_packet(const char *kind, bool from_host, const QByteArray &packet, const QByteArray &report_text)
{
    now->in_exchange = true;
    Pending p;
    p.event = event(kind);
    p.packet = true;
    p.wire.from_host = from_host;
    p.wire.packet = packet;
    // Zero padding is not part of the text.
    const int zero = report_text.indexOf('\0');
    p.report_text = zero < 0 ? report_text : report_text.left(zero);
    now->held.append(p);
}

std::string hidapi_version()
{
#ifdef HID_API_VERSION_STR
    return HID_API_VERSION_STR;
#else
    return "unknown";
#endif
}

} // namespace

namespace recorder {

void start(const Sink &sink, const Options &options)
{
    now = std::make_unique<Recording>();
    now->sink = sink;
    now->options = options;
    now->pseudonyms = std::make_unique<Pseudonyms>(QRandomGenerator::system()->generate64());
    now->clock.start();
    record_format::Header header;
    header.program = options.program.toStdString();
#ifdef ORV_VERSION
    header.program_version = ORV_VERSION;
#endif
    header.qt = qVersion();
    header.hidapi = hidapi_version();
    header.vendor = protocol::vendor_id;
    header.product = protocol::product_id;
    header.software_included = options.include_software;
    sink(record_format::header_line(header));
}

void stop()
{
    if (!now)
        return;
    flush();
    now.reset();
}

bool active()
{
    return bool(now);
}

void device_opened()
{
    if (now)
        add(event("open"));
}

void device_dropped()
{
    if (now)
        add(event("drop"));
}

void packet_out(const QByteArray &packet, const QByteArray &report_text, bool written)
{
    if (!now)
        return;
    add_packet("out", true, packet, report_text);
    if (!written)
        now->held.last().event.set("failed", "1");
}

void packet_in(const QByteArray &packet, const QByteArray &report_text)
{
    if (now)
        add_packet("in", false, packet, report_text);
}

void answer_missed()
{
    if (now)
        add(event("miss"));
}

void exchange_ended(bool ok)
{
    if (!now)
        return;
    record_format::Event e = event("end");
    e.set("ok", ok ? "1" : "0");
    add(e);
    flush();
    now->in_exchange = false;
}

void request(bool post, const QString &path_and_query, const QByteArray &token, const QByteArray &type,
             const QByteArray &body)
{
    if (!now)
        return;
    const Pseudonyms &p = *now->pseudonyms;
    record_format::Event e = event("request");
    e.set("method", post ? "POST" : "GET");
    e.set("path", text_of(p.apply(path_and_query.toUtf8())));
    e.set("token", text_of(p.apply(token)));
    e.set("type", text_of(type));
    e.set("body", text_of(p.apply(body)));
    add(e);
}

void reply(int status, const QByteArray &type, const QByteArray &body, bool software, const QString &error)
{
    if (!now)
        return;
    record_format::Event e = event("reply");
    e.set("status", std::to_string(status));
    if (status == 0) {
        e.set("error", error.toStdString());
    } else {
        e.set("type", text_of(type));
        const bool file = software && api::software_reply_acceptable(status, type);
        if (file && !now->options.include_software && !body.isEmpty()) {
            // The file itself stays here: a stand-in of its length and byte sum takes
            // its place in the device's packets, so the checksum they carry is the same.
            quint64 sum = 0;
            for (const char byte : body)
                sum += static_cast<unsigned char>(byte);
            const std::string stand_in = record_format::stand_in_software(size_t(body.size()), sum);
            now->pseudonyms->add_replacement(body, QByteArray(stand_in.data(), int(stand_in.size())));
            e.set("length", std::to_string(body.size()));
            e.set("sha256", QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex().toStdString());
            e.set("checksum", std::to_string(sum));
        } else {
            e.set("body", text_of(now->pseudonyms->apply(body)));
        }
    }
    add(e);
}

void box(const char *title, const char *text)
{
    if (!now)
        return;
    record_format::Event e = event("box");
    e.set("title", title ? title : "");
    e.set("text", text ? text : "");
    add(e);
}

} // namespace recorder
