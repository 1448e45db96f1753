#include "device_replay.h"

#include "sim_codec.h"
#include "sim_device.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int packets_shown_before = 3;

QByteArray bytes_of(const std::string &text)
{
    return QByteArray::fromStdString(text);
}

// A report text as a line can show it: odd bytes escaped, then the packet it decodes to.
QString shown(const QByteArray &text)
{
    const QByteArray escaped = bytes_of(record_format::percent_encode(text.toStdString()));
    return QString::fromLatin1(escaped) + QStringLiteral(" (")
           + QString::fromLatin1(QByteArray::fromBase64(text).toHex(' ')) + QLatin1Char(')');
}

}  // namespace

DeviceReplay::DeviceReplay(const record_format::Recording &recording)
    : vendor_(recording.header.vendor), product_(recording.header.product)
{
    int failed_write = -1;  // the last failed write, until the next packet out
    for (const record_format::Event &event : recording.events) {
        if (event.kind == "drop" && failed_write >= 0)
            packets_[failed_write].gone = true;
        if (event.kind != "out" && event.kind != "in")
            continue;
        Packet packet;
        packet.out = event.kind == "out";
        packet.failed = packet.out && event.get("failed") == "1";
        packet.text = bytes_of(event.get("r"));
        packet.t = event.t;
        packet.line = event.line;
        packet.number = int(packets_.size()) + 1;
        if (packet.out)
            failed_write = packet.failed ? int(packets_.size()) : -1;
        packets_.append(packet);
    }
    // What the device sent before the host said anything waits for the first read.
    for (; next_ < packets_.size() && !packets_[next_].out; ++next_)
        queue_.append(Due{packets_[next_].text.leftJustified(sim_wire::report_size, '\0'), 0});
}

std::shared_ptr<DeviceReplay> DeviceReplay::from_text(const QByteArray &text, const QString &name, QString *error)
{
    const record_format::Parsed parsed = record_format::parse(text.toStdString());
    if (!parsed.ok) {
        if (error)
            *error = name + QStringLiteral(": ") + QString::fromStdString(parsed.error);
        return nullptr;
    }
    return std::make_shared<DeviceReplay>(parsed.recording);
}

std::shared_ptr<DeviceReplay> DeviceReplay::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = path + QStringLiteral(": ") + file.errorString();
        return nullptr;
    }
    return from_text(file.readAll(), path, error);
}

DeviceReplay::Write DeviceReplay::write(const QByteArray &text)
{
    if (failed())
        return Write::differs;
    // Device packets of the last exchange that the host never read are dropped with it.
    queue_.clear();
    const int number = next_ + 1;
    if (next_ >= packets_.size()) {
        const int last_line = packets_.isEmpty() ? 0 : packets_.last().line;
        fail(QStringLiteral("replay: packet %1 is one more than the recording holds (its last at line %2)")
                 .arg(number)
                 .arg(last_line),
             QStringLiteral("nothing more from the program"), text, next_);
        return Write::differs;
    }
    const Packet &expected = packets_[next_];
    if (expected.text != text) {
        fail(QStringLiteral("replay: packet %1 differs (line %2 of the recording)").arg(number).arg(expected.line),
             describe(expected), text, next_);
        return Write::differs;
    }
    const qint64 now = SimDevice::now_ms();
    for (++next_; next_ < packets_.size() && !packets_[next_].out; ++next_) {
        const Packet &in = packets_[next_];
        const qint64 delay = std::max<qint64>(0, in.t - expected.t - read_lead_ms);
        queue_.append(Due{in.text.leftJustified(sim_wire::report_size, '\0'), now + delay});
    }
    if (!expected.failed)
        return Write::taken;
    return expected.gone ? Write::gone : Write::fails;
}

bool DeviceReplay::read(QByteArray *report)
{
    if (failed() || queue_.isEmpty() || SimDevice::now_ms() < queue_.first().at)
        return false;
    *report = queue_.takeFirst().report;
    return true;
}

qint64 DeviceReplay::report_due_ms() const
{
    return queue_.isEmpty() ? 0 : queue_.first().at;
}

bool DeviceReplay::finished() const
{
    return unfinished().isEmpty();
}

QString DeviceReplay::unfinished() const
{
    if (failed())
        return failure_.section(QLatin1Char('\n'), 0, 0);
    for (int i = next_; i < packets_.size(); ++i) {
        if (packets_[i].out)
            return QStringLiteral("replay: incomplete: the program stopped before packet %1 (out %2), %3 packets early")
                .arg(i + 1)
                .arg(shown(packets_[i].text))
                .arg(packets_.size() - i);
    }
    return QString();
}

QString DeviceReplay::describe(const Packet &packet) const
{
    return (packet.out ? QStringLiteral("out ") : QStringLiteral("in  ")) + shown(packet.text)
           + (packet.failed ? QStringLiteral(" (not written)") : QString());
}

void DeviceReplay::fail(const QString &headline, const QString &expected, const QByteArray &came, int before)
{
    QString text = headline + QStringLiteral("\n  expected: ") + expected + QStringLiteral("\n  came:     out ")
                   + shown(came) + QLatin1Char('\n');
    const int first = std::max(0, before - packets_shown_before);
    if (first < before)
        text += QStringLiteral("  before it:\n");
    for (int i = first; i < before; ++i)
        text += QStringLiteral("    #%1 ").arg(packets_[i].number, -3) + describe(packets_[i]) + QLatin1Char('\n');
    failure_ = text;
    std::fputs(failure_.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}
