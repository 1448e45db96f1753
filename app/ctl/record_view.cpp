#include "app/ctl/record_view.h"

#include <QJsonArray>

#include "device/framing.h"
#include "device/messages.h"

namespace ctl {

namespace {

QString code_name(int code)
{
    using message::Code;
    switch (Code(code)) {
    case Code::Open: return QStringLiteral("open");
    case Code::Query: return QStringLiteral("query");
    case Code::SerialNumber: return QStringLiteral("serial number");
    case Code::Hardware: return QStringLiteral("hardware");
    case Code::Firmware: return QStringLiteral("firmware");
    case Code::Key: return QStringLiteral("key");
    case Code::ConfigId: return QStringLiteral("configuration id");
    case Code::Brand: return QStringLiteral("brand");
    case Code::Model: return QStringLiteral("model");
    case Code::Engine: return QStringLiteral("engine");
    case Code::Power: return QStringLiteral("power");
    case Code::Torque: return QStringLiteral("torque");
    case Code::SoftwareLabel: return QStringLiteral("software label");
    case Code::ConfigCount: return QStringLiteral("configurations left");
    case Code::DriveMode: return QStringLiteral("drive mode");
    case Code::SoftwareFile: return QStringLiteral("software file");
    case Code::Apply: return QStringLiteral("apply");
    case Code::Close: return QStringLiteral("close");
    case Code::Settings: return QStringLiteral("settings");
    case Code::PinActivity: return QStringLiteral("pin activity");
    case Code::Indication: return QStringLiteral("indication");
    }
    return QStringLiteral("code %1").arg(code, 2, 16, QLatin1Char('0'));
}

QString text_of(const std::string &value)
{
    return QString::fromStdString(value);
}

QString seconds(std::int64_t ms)
{
    return QStringLiteral("%1.%2").arg(ms / 1000, 4).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QString size_text(qulonglong bytes)
{
    return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
}

QString reply_text(const record_format::Event &e)
{
    if (e.get("status") == "0")
        return QStringLiteral("no reply: ") + text_of(e.get("error"));
    QString text = text_of(e.get("status")) + QLatin1Char(' ') + text_of(e.get("type"));
    if (e.has("length"))
        return text + QStringLiteral(", software of %1 (SHA-256 %2, checksum %3), not recorded")
                          .arg(size_text(text_of(e.get("length")).toULongLong()), text_of(e.get("sha256")),
                               text_of(e.get("checksum")));
    return text + QStringLiteral(", ") + size_text(e.get("body").size());
}

} // namespace

QString packet_meaning(const QByteArray &packet, bool from_host, int query)
{
    if (packet.isEmpty())
        return QStringLiteral("empty");
    const int code = framing::byte_at(packet, 0);
    switch (code) {
    case framing::chunk_code: return QStringLiteral("chunk at %1").arg(framing::packet_offset(packet));
    case framing::ack_code: return QStringLiteral("ack, go on from %1").arg(framing::packet_offset(packet));
    case framing::end_code: return QStringLiteral("end, %1").arg(size_text(qulonglong(framing::packet_offset(packet))));
    case framing::command_ok: return QStringLiteral("ok");
    case framing::failure:
        return framing::byte_at(packet, 1) == framing::connection_failure ? QStringLiteral("connection failure")
                                                                           : QStringLiteral("failure");
    default: break;
    }
    if (from_host)
        return code == int(message::Code::Query) ? QStringLiteral("query ") + code_name(framing::byte_at(packet, 1))
                                                 : QStringLiteral("write ") + code_name(code);
    return code == query ? code_name(code) : QStringLiteral("unexpected ") + code_name(code);
}

QString record_text(const record_format::Recording &recording)
{
    const record_format::Header &h = recording.header;
    QString text = QStringLiteral("recording format %1: %2 %3, Qt %4, hidapi %5, device %6:%7, software %8\n")
                       .arg(h.format)
                       .arg(text_of(h.program), text_of(h.program_version), text_of(h.qt), text_of(h.hidapi))
                       .arg(h.vendor, 4, 16, QLatin1Char('0'))
                       .arg(h.product, 4, 16, QLatin1Char('0'))
                       .arg(h.software_included ? QStringLiteral("included") : QStringLiteral("as its digest"));
    int packet = 0;
    int query = -1;
    for (const record_format::Event &e : recording.events) {
        QString line = seconds(e.t) + QStringLiteral("  ");
        const QString kind = text_of(e.kind);
        if (e.kind == "out" || e.kind == "in") {
            const bool from_host = e.kind == "out";
            const QByteArray bytes = framing::decode_text(QByteArray::fromStdString(e.get("r")));
            if (from_host && framing::byte_at(bytes, 0) == int(message::Code::Query))
                query = framing::byte_at(bytes, 1);
            line += QStringLiteral("%1  #%2  %3  %4%5")
                        .arg(from_host ? QStringLiteral("H>D") : QStringLiteral("D>H"))
                        .arg(++packet)
                        .arg(packet_meaning(bytes, from_host, query), hex(bytes))
                        .arg(e.get("failed") == "1" ? QStringLiteral("  (not written)") : QString());
        } else if (e.kind == "request") {
            line += text_of(e.get("method")) + QLatin1Char(' ') + text_of(e.get("path"));
            if (!e.get("body").empty())
                line += QStringLiteral("  ") + size_text(e.get("body").size()) + QStringLiteral(": ")
                        + text_of(e.get("body"));
        } else if (e.kind == "reply") {
            line += QStringLiteral("<-  ") + reply_text(e);
        } else if (e.kind == "box") {
            line += QStringLiteral("box  ") + text_of(e.get("title")) + QLatin1Char(' ') + text_of(e.get("text"));
        } else if (e.kind == "end") {
            line += e.get("ok") == "1" ? QStringLiteral("end  ok") : QStringLiteral("end  failed");
        } else if (e.kind == "miss") {
            line += QStringLiteral("miss  no answer in time");
        } else {
            line += kind;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

QJsonObject record_json(const record_format::Recording &recording)
{
    const record_format::Header &h = recording.header;
    const QJsonObject header{{QStringLiteral("format"), h.format},
                             {QStringLiteral("program"), text_of(h.program)},
                             {QStringLiteral("version"), text_of(h.program_version)},
                             {QStringLiteral("qt"), text_of(h.qt)},
                             {QStringLiteral("hidapi"), text_of(h.hidapi)},
                             {QStringLiteral("vendor"), h.vendor},
                             {QStringLiteral("product"), h.product},
                             {QStringLiteral("software_included"), h.software_included}};
    QJsonArray events;
    for (const record_format::Event &e : recording.events) {
        QJsonObject event{{QStringLiteral("t"), double(e.t)}, {QStringLiteral("kind"), text_of(e.kind)}};
        for (const auto &field : e.fields)
            event.insert(text_of(field.first), text_of(field.second));
        events.append(event);
    }
    return QJsonObject{{QStringLiteral("header"), header}, {QStringLiteral("events"), events}};
}

} // namespace ctl
