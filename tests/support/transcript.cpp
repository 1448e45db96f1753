#include "transcript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <algorithm>

#include "api_server.h"
#include "box_catcher.h"
#include "device/usb_state.h"

namespace {

// Timers may fire this much before the floor the clock of the program measured.
constexpr double tolerance_ms = 0.5;

// A device packet the host answers at once with the next packet of the exchange: a chunk
// of a reply (acknowledged), or an acknowledgement of a chunk (the next one follows).
bool wants_more(const QByteArray &packet)
{
    const int first = packet.isEmpty() ? 0 : quint8(packet[0]);
    return first == 0xDC || first == 0xDD;
}

} // namespace

WireRecorder::WireRecorder()
{
    clock.start();
    SimBus::instance().set_observer(this);
}

WireRecorder::~WireRecorder()
{
    SimBus::instance().set_observer(nullptr);
}

void WireRecorder::enter(SimBus &, Op, SimDevice *)
{
    started = clock.nsecsElapsed() / 1e6;
}

void WireRecorder::keep(const char *floor, double since_ms, int floor_ms, const QString &line)
{
    recorded << QStringLiteral("%1  [%2]").arg(line, QLatin1String(floor));
    if (since_ms >= 0 && started - since_ms < floor_ms - tolerance_ms)
        broken << QStringLiteral("%1: %2 ms, floor %3 ms (%4)")
                      .arg(line)
                      .arg(started - since_ms, 0, 'f', 2)
                      .arg(floor_ms)
                      .arg(QLatin1String(floor));
}

void WireRecorder::leave(SimBus &, Op op, SimDevice *device, const QByteArray &)
{
    if (op == Op::Open && device) {
        recorded << "open";
        opened = last_event = clock.nsecsElapsed() / 1e6;
        answer_pending = false;
        return;
    }
    if (op == Op::Close) {
        recorded << "close";
        return;
    }
    if (!device || (op != Op::Write && op != Op::Read))
        return;
    const QList<SimEvent> &journal = device->journal();
    int &at = seen[device];
    if (op == Op::Write && at == journal.size())
        recorded << "H>D refused";
    for (; at < journal.size(); ++at) {
        const SimEvent &e = journal.at(at);
        const QString hex = QString::fromLatin1(e.bytes.toHex(' '));
        switch (e.kind) {
        case SimEvent::HostMessage:
            recorded << "MSG " + hex;
            break;
        case SimEvent::DevicePacket:
            keep("write + read delay", last_write, USB_read_delay, "D>H " + hex);
            last_event = started;
            answer_pending = wants_more(e.bytes);
            break;
        case SimEvent::HostPacket:
            if (answer_pending)
                keep("on the answer", -1, 0, "H>D " + hex);
            else if (opened >= 0)
                keep("open + read delay", opened, USB_read_delay, "H>D " + hex);
            else
                keep("last packet + pause", last_event, USB_pause, "H>D " + hex);
            opened = -1;
            answer_pending = false;
            last_write = last_event = started;
            break;
        }
    }
}

QStringList server_lines(const apiserver::ApiServer &server)
{
    auto log = server.log();
    std::stable_sort(log.begin(), log.end(), [](const auto &a, const auto &b) { return a.time < b.time; });
    QStringList lines;
    for (const auto &r : log) {
        QString line = QStringLiteral("%1 %2 %3").arg(QString::fromStdString(r.method), QString::fromStdString(r.target)).arg(r.status);
        if (!r.fault.empty())
            line += " fault " + QString::fromStdString(r.fault);
        if (r.method == "POST")
            line += " body " + QString::fromStdString(r.body);
        lines << line;
    }
    return lines;
}

QStringList box_lines(const BoxCatcher &boxes)
{
    QStringList lines;
    for (const BoxCatcher::Box &box : boxes.boxes())
        lines << box.title + " / " + box.text + (box.informative.isEmpty() ? QString() : " / " + box.informative);
    return lines;
}

QString file_name_of(const QString &name)
{
    static const QRegularExpression other(QStringLiteral("[^a-z0-9]+"));
    return name.toLower().replace(other, QStringLiteral("-"));
}

QString golden_mismatch(const QString &path, const QString &actual)
{
    const QString golden = QStringLiteral(ORV_GOLDEN_DIR "/") + path;
    if (qgetenv("ORV_GOLDEN_UPDATE") == "1") {
        QDir().mkpath(QFileInfo(golden).path());
        QFile out(golden);
        if (!out.open(QIODevice::WriteOnly) || out.write(actual.toUtf8()) != actual.toUtf8().size())
            return "cannot write " + golden;
        return QString();
    }
    QFile in(golden);
    if (!in.open(QIODevice::ReadOnly))
        return golden + " is missing (ORV_GOLDEN_UPDATE=1 writes it)";
    if (in.readAll() == actual.toUtf8())
        return QString();
    QTemporaryFile fresh;
    if (!fresh.open() || fresh.write(actual.toUtf8()) < 0 || !fresh.flush())
        return "cannot write a temporary file";
    QProcess diff;
    diff.start("diff", {"-u", "--label", "expected " + path, "--label", "actual", golden, fresh.fileName()});
    diff.waitForFinished();
    return QString::fromUtf8(diff.readAllStandardOutput());
}
