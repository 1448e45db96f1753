#include "sim_device.h"

#include <chrono>
#include "device_replay.h"
#include "sim_codec.h"

#include <algorithm>
#include <cstring>

// Choices of this device where the host does not care (the host only relies on the report
// format, the framing, the echoed query code, 0xF0/0xF1 and the reply layouts):
// - An unknown command or query, a query without its code, a command without the value
//   bytes it needs, an empty packet, a host acknowledgement while no chunked reply is
//   running and an end packet whose length differs from what the device holds are all
//   answered 0xF1. Query 0x0D with an argument other than 0x04 is answered 0xF1 as well.
// - 0x03, 0x21 and 0x24 are answered 0xF0 and nothing else; every stored value takes
//   effect at once, inside or outside a write sequence.
// - A chunk at an offset beyond what the device holds is answered with an acknowledgement of
//   what it holds; a chunk with offset 0 always starts a new message; a plain packet drops a
//   half-received chunked message and a half-sent chunked reply.
// - Messages and replies longer than 65535 bytes (the reach of the 16-bit offset) are
//   refused with 0xF1.
// - A software file whose checksum fails is kept (taking the last two bytes as the checksum)
//   with its flag cleared, and answered 0xF1.

using namespace sim_wire;

namespace {

constexpr char answer_ok = char(0xF0);
constexpr char answer_fail = char(0xF1);
constexpr quint8 chunk_code = 0xDC;
constexpr quint8 ack_code = 0xDD;
constexpr quint8 end_code = 0xDE;
constexpr int chunk_size = 16;
constexpr int max_message = 0xFFFF;

int byte_at(const QByteArray &b, int i)
{
    return i < b.size() ? quint8(b[i]) : 0;
}

int offset_of(const QByteArray &packet)
{
    return byte_at(packet, 1) * 256 + byte_at(packet, 2);
}

QByteArray framed(quint8 type, int offset, const QByteArray &data = {})
{
    QByteArray p;
    p.append(char(type));
    p.append(char((offset >> 8) & 0xFF));
    p.append(char(offset & 0xFF));
    p.append(data);
    return p;
}

bool is_frame(const QByteArray &packet)
{
    const int first = byte_at(packet, 0);
    return first == chunk_code || first == ack_code || first == end_code;
}

const QList<SimFault::Kind> answer_faults = {
    SimFault::Kind::Fail,    SimFault::Kind::FailConnection, SimFault::Kind::ChunkedFail,
    SimFault::Kind::Garbage, SimFault::Kind::Late,           SimFault::Kind::Reply,
    SimFault::Kind::WrongEcho,
};

}  // namespace

// ---------------------------------------------------------------- SimDeviceState

void SimDeviceState::set_sample_vehicle()
{
    config_id = "VEH-000142";
    brand = "Sample Motors";
    model = "Roadster";
    engine = "2.0 TSI 150";
    power = "150";
    torque = "320";
    software_label = "SW-0142-A";
    drive_mode = 2;
    settings_flags = 0x0C;
    protocol_mask = 0;
}

bool SimDeviceState::operator==(const SimDeviceState &o) const
{
    return serial == o.serial && key == o.key && firmware == o.firmware &&
           hardware == o.hardware && config_id == o.config_id && brand == o.brand &&
           model == o.model && engine == o.engine && power == o.power && torque == o.torque &&
           software_label == o.software_label && drive_mode == o.drive_mode &&
           indication == o.indication && settings_flags == o.settings_flags &&
           protocol_mask == o.protocol_mask && pin_activity == o.pin_activity &&
           config_count == o.config_count && software_received == o.software_received &&
           software_file == o.software_file && software_checksum_ok == o.software_checksum_ok;
}

// ---------------------------------------------------------------- device

SimDevice::SimDevice(const SimDeviceState &state) : state_(state) {}

void SimDevice::set_plugged(bool plugged)
{
    if (plugged_ == plugged)
        return;
    plugged_ = plugged;
    // What was on its way is lost with the cable.
    pending_.clear();
    drop_packets_ = 0;
    late_reads_ = 0;
    held_ = false;
    due_ms_ = 0;
    assembling_ = false;
    assembly_.clear();
    stop_reply();
    changed();
}

void SimDevice::add_fault(const SimFault &fault)
{
    faults_.append(fault);
}

void SimDevice::clear_faults()
{
    faults_.clear();
    drop_packets_ = 0;
    late_reads_ = 0;
    if (reply_mode_ == ReplyMode::Endless || reply_mode_ == ReplyMode::BadOffset)
        stop_reply();
}

QList<QByteArray> SimDevice::messages() const
{
    QList<QByteArray> out;
    for (const SimEvent &e : journal_)
        if (e.kind == SimEvent::HostMessage)
            out.append(e.bytes);
    return out;
}

QList<WirePacket> SimDevice::wire() const
{
    QList<WirePacket> out;
    for (const SimEvent &e : journal_) {
        if (e.kind == SimEvent::HostMessage)
            continue;
        WirePacket p;
        p.direction =
            e.kind == SimEvent::HostPacket ? WirePacket::HostToDevice : WirePacket::DeviceToHost;
        p.bytes = e.bytes;
        out.append(p);
    }
    return out;
}

void SimDevice::log(SimEvent::Kind kind, const QByteArray &bytes)
{
    SimEvent e;
    e.kind = kind;
    e.bytes = bytes;
    journal_.append(e);
}

qint64 SimDevice::now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SimDevice::has_pending_report() const
{
    return replay_ ? replay_->has_pending() : !pending_.isEmpty();
}

qint64 SimDevice::report_due_ms() const
{
    return replay_ ? replay_->report_due_ms() : due_ms_;
}

void SimDevice::host_opened()
{
    if (replay_)
        return;
    if (held_) {
        held_ = false;
        due_ms_ = now_ms() + first_poll_ms;
    }
    if (take_ready_fault({SimFault::Kind::Leftover}, {})) {
        const QByteArray packet =
            fired_.bytes.isEmpty() ? QByteArray(1, char(0x0B)) + state_.hardware : fired_.bytes;
        queue_packet(packet);
        due_ms_ = now_ms() + std::max(0, fired_.count);
    }
}

void SimDevice::host_closed()
{
    if (replay_)
        return;
    // A late answer was still inside the device: the next open brings it.
    if (late_reads_ > 0 && !pending_.isEmpty()) {
        late_reads_ = 0;
        held_ = true;
    }
}

int SimDevice::write(const unsigned char *data, size_t length)
{
    if (!plugged_ || !data || length == 0 || (write_failing_ && !replay_))
        return -1;
    const QByteArray text(reinterpret_cast<const char *>(data) + 1,
                          int(std::min<size_t>(length - 1, 4096)));
    const QByteArray packet = QByteArray::fromBase64(text);  // lenient: skips what is not base64
    QByteArray report = text;
    while (report.endsWith('\0'))
        report.chop(1);
    const int written = int(std::min<size_t>(length, 0x7FFFFFFF));
    if (replay_) {
        log(SimEvent::HostPacket, packet);
        journal_.last().report = report;
        switch (replay_->write(report)) {
        case DeviceReplay::Write::taken:
            return written;
        case DeviceReplay::Write::fails:
            return -1;  // as it did when it was recorded; the device stays
        case DeviceReplay::Write::gone:
        case DeviceReplay::Write::differs:
            break;
        }
        set_plugged(false);  // gone, or the program finds it gone and stops
        return -1;
    }
    const QByteArray context = context_of(packet);

    if (take_ready_fault({SimFault::Kind::Unplug}, context)) {
        set_plugged(false);
        return -1;
    }
    log(SimEvent::HostPacket, packet);
    journal_.last().report = report;
    if (silent_)
        return written;

    const bool plain = !packet.isEmpty() && !is_frame(packet);
    bool drop = false;
    if (drop_packets_ > 0) {
        --drop_packets_;
        drop = true;
    } else if (take_ready_fault({SimFault::Kind::NoAnswer}, context)) {
        drop_packets_ = std::max(0, fired_.count - 1);
        drop = true;
    }
    if (drop) {
        // The host did send the message; it is logged and counted like any other.
        if (plain)
            note_message(packet);
        return written;
    }
    handle_packet(packet);
    return written;
}

int SimDevice::read(unsigned char *data, size_t length)
{
    if (!plugged_ || !data)
        return -1;
    QByteArray report;
    if (replay_) {
        if (length == 0 || !replay_->read(&report))
            return 0;
    } else {
        if (pending_.isEmpty() || length == 0 || held_ || now_ms() < due_ms_)
            return 0;
        if (late_reads_ > 0) {
            --late_reads_;
            return 0;
        }
        report = pending_.takeFirst();
    }
    const size_t n = std::min(length, size_t(report.size()));
    std::memcpy(data, report.constData(), n);
    log(SimEvent::DevicePacket, QByteArray::fromBase64(report));
    return int(n);
}

// The bytes a fault's match is compared with: the message a packet belongs to, as far as the
// device knows it when the packet arrives.
QByteArray SimDevice::context_of(const QByteArray &packet) const
{
    switch (byte_at(packet, 0)) {
    case chunk_code:
        return offset_of(packet) == 0 ? packet.mid(3) : assembly_;
    case end_code:
        return assembly_;
    case ack_code:
        return reply_query_;
    default:
        return packet;
    }
}

// Moves the first fault of the given kinds that is ready for a packet of this message from
// the queue into fired_.
bool SimDevice::take_ready_fault(const QList<SimFault::Kind> &kinds, const QByteArray &context)
{
    for (int i = 0; i < faults_.size(); ++i) {
        const SimFault &f = faults_.at(i);
        if (f.skip == 0 && kinds.contains(f.kind) && context.startsWith(f.match)) {
            fired_ = faults_.takeAt(i);
            changed();
            return true;
        }
    }
    return false;
}

// Logs a complete host message and counts it against the faults still waiting for theirs.
void SimDevice::note_message(const QByteArray &message)
{
    log(SimEvent::HostMessage, message);
    for (SimFault &f : faults_) {
        if (f.skip > 0 && message.startsWith(f.match)) {
            --f.skip;
            changed();
        }
    }
}

void SimDevice::handle_packet(const QByteArray &packet)
{
    if (packet.isEmpty()) {
        queue_packet(QByteArray(1, answer_fail));
        return;
    }
    switch (byte_at(packet, 0)) {
    case chunk_code:
        on_chunk(packet);
        break;
    case ack_code:
        on_host_ack(packet);
        break;
    case end_code:
        on_end(packet);
        break;
    default:
        assembling_ = false;
        assembly_.clear();
        stop_reply();
        on_message(packet);
        break;
    }
}

void SimDevice::on_chunk(const QByteArray &packet)
{
    const int offset = offset_of(packet);
    if (offset == 0) {
        stop_reply();
        assembling_ = true;
        assembly_.clear();
    }
    if (!assembling_) {
        // A chunk out of nowhere: ask for the message from its start.
        queue_packet(framed(ack_code, 0));
        return;
    }
    if (offset > assembly_.size()) {
        queue_packet(framed(ack_code, assembly_.size()));
        return;
    }
    assembly_.truncate(offset);
    assembly_.append(packet.mid(3));
    if (assembly_.size() > max_message) {
        assembling_ = false;
        assembly_.clear();
        queue_packet(QByteArray(1, answer_fail));
        return;
    }
    // The device cannot know yet where the message ends; 0xFFFF is past the end of any
    // message a host can send but one of exactly 65535 bytes. The chunk itself is kept.
    if (offset == 0 && take_ready_fault({SimFault::Kind::AckPastEnd}, assembly_)) {
        queue_packet(framed(ack_code, 0xFFFF));
        return;
    }
    // A device that loses count: it holds zero bytes for the two chunks it skips.
    if (offset == 0 && take_ready_fault({SimFault::Kind::AckAhead}, assembly_)) {
        assembly_.append(QByteArray(2 * chunk_size, '\0'));
        queue_packet(framed(ack_code, assembly_.size()));
        return;
    }
    if (offset > 0 && take_ready_fault({SimFault::Kind::LowerAck}, assembly_)) {
        const int back = std::max(0, offset - chunk_size);
        assembly_.truncate(back);
        queue_packet(framed(ack_code, back));
        return;
    }
    queue_packet(framed(ack_code, assembly_.size()));
}

void SimDevice::on_end(const QByteArray &packet)
{
    const bool consistent = assembling_ && offset_of(packet) == assembly_.size();
    const QByteArray message = assembly_;
    assembling_ = false;
    assembly_.clear();
    if (!consistent) {
        queue_packet(QByteArray(1, answer_fail));
        return;
    }
    on_message(message);
}

void SimDevice::on_host_ack(const QByteArray &packet)
{
    const int offset = offset_of(packet);
    switch (reply_mode_) {
    case ReplyMode::None:
        queue_packet(QByteArray(1, answer_fail));
        return;
    case ReplyMode::Normal:
        // A gap: the bytes the host asked for are left out, the next ones sent in their place.
        if (offset > 0 && offset < reply_.size() && take_ready_fault({SimFault::Kind::ChunkGap}, reply_query_)) {
            queue_packet(framed(chunk_code, offset + chunk_size, reply_.mid(offset + chunk_size, chunk_size)));
            return;
        }
        if (offset >= reply_.size()) {
            const int length = reply_.size();
            stop_reply();
            queue_packet(framed(end_code, length));
        } else {
            queue_packet(framed(chunk_code, offset, reply_.mid(offset, chunk_size)));
        }
        return;
    case ReplyMode::BadOffset:
        // Whatever the host made of the stray chunk, it is told that this was all.
        stop_reply();
        queue_packet(framed(end_code, offset));
        return;
    case ReplyMode::Endless:
        if (endless_left_ == 0)
            return;  // falls silent: the host times out
        if (endless_left_ > 0)
            --endless_left_;
        queue_packet(framed(chunk_code, offset & 0xFFFF, QByteArray(chunk_size, char(0xEE))));
        return;
    }
}

void SimDevice::on_message(const QByteArray &message)
{
    const bool fired = take_ready_fault(answer_faults, message);
    note_message(message);
    reply_query_ = message;
    if (!fired) {
        send_reply(answer(message));
        return;
    }
    const SimFault f = fired_;
    switch (f.kind) {
    case SimFault::Kind::Fail:
        queue_packet(QByteArray(1, answer_fail));
        break;
    case SimFault::Kind::FailConnection:
        queue_packet(QByteArray::fromHex("F1F3"));
        break;
    case SimFault::Kind::Reply:
        send_reply(f.bytes);
        break;
    case SimFault::Kind::ChunkedFail: {
        QByteArray r = QByteArray(1, answer_fail) + f.bytes;
        if (r.size() < 20)
            r.append(QByteArray(20 - r.size(), '\0'));
        send_reply(r);
        break;
    }
    case SimFault::Kind::Late:
        send_reply(answer(message));
        late_reads_ = std::max(0, f.count);
        break;
    case SimFault::Kind::WrongEcho: {
        QByteArray r = answer(message);
        if (!r.isEmpty())
            r[0] = char(quint8(r[0]) + 1);
        send_reply(r);
        break;
    }
    case SimFault::Kind::Garbage:
        switch (f.garbage) {
        case SimFault::GarbageKind::RandomBytes: {
            QByteArray report(report_size, '\0');
            for (char &c : report) {
                random_ ^= random_ << 13;
                random_ ^= random_ >> 17;
                random_ ^= random_ << 5;
                c = char(random_ & 0xFF);
            }
            if (report[0] == '\0')
                report[0] = char(0xA5);  // a leading zero would read as no report at all
            queue_report(report);
            break;
        }
        case SimFault::GarbageKind::InvalidBase64: {
            static const char noise[] = "!#$%&*()-.,:;<>?@[]^_`{|}~";
            QByteArray report(report_size, '\0');
            for (int i = 0; i < report_size; ++i)
                report[i] = noise[i % (sizeof(noise) - 1)];
            queue_report(report);
            break;
        }
        case SimFault::GarbageKind::BadOffset:
            reply_mode_ = ReplyMode::BadOffset;
            queue_packet(framed(chunk_code, 0x1234, QByteArray(chunk_size, char(0x5A))));
            break;
        case SimFault::GarbageKind::EndlessChunks:
            reply_mode_ = ReplyMode::Endless;
            endless_left_ = f.count > 0 ? f.count - 1 : -1;
            queue_packet(framed(chunk_code, 0, QByteArray(chunk_size, char(0xEE))));
            break;
        }
        break;
    default:
        send_reply(answer(message));
        break;
    }
}

QByteArray SimDevice::answer(const QByteArray &message)
{
    const QByteArray ok(1, answer_ok);
    const QByteArray failed(1, answer_fail);
    const QByteArray value = message.mid(1);
    switch (byte_at(message, 0)) {
    case query_code:
        return answer_query(message);
    case 0x03:
        session_open_ = true;
        return ok;  // a write sequence's bracket: every value takes effect at once
    case 0x21:
        return ok;
    case 0x24:
        session_open_ = false;
        return ok;
    case 0x14: state_.config_id = value; break;
    case 0x15: state_.brand = value; break;
    case 0x16: state_.model = value; break;
    case 0x17: state_.engine = value; break;
    case 0x18: state_.power = value; break;
    case 0x19: state_.torque = value; break;
    case 0x1A: state_.software_label = value; break;
    case 0x1B:
        if (value.size() < 1)
            return failed;
        state_.config_count = quint8(value[0]);
        break;
    case 0x1C:
        if (value.size() < 1 || quint8(value[0]) > 2)
            return failed;
        state_.drive_mode = quint8(value[0]);
        break;
    case 0x1E:
        return store_software(message);
    case 0x32:
        if (value.size() < 3)
            return failed;
        state_.settings_flags = quint8(value[0]);
        state_.protocol_mask = quint16(byte_at(value, 1) << 8 | byte_at(value, 2));
        break;
    case 0x34:
        if (value.size() < 2)
            return failed;
        state_.indication = quint16(byte_at(value, 0) << 8 | byte_at(value, 1));
        break;
    default:
        return failed;
    }
    changed();
    return ok;
}

QByteArray SimDevice::answer_query(const QByteArray &message) const
{
    const QByteArray failed(1, answer_fail);
    if (message.size() < 2)
        return failed;
    const quint8 code = quint8(message[1]);
    QByteArray r(1, char(code));
    switch (code) {
    case 10: r += state_.serial; break;
    case 11: r += state_.hardware; break;
    case 12: r += state_.firmware; break;
    case key_query:
        if (byte_at(message, 2) != key_marker || message.size() < 3)
            return failed;
        r += char(key_marker);
        r += state_.key;
        break;
    case 20: r += state_.config_id; break;
    case 21: r += state_.brand; break;
    case 22: r += state_.model; break;
    case 23: r += state_.engine; break;
    case 24: r += state_.power; break;
    case 25: r += state_.torque; break;
    case 26: r += state_.software_label; break;
    case 27:
        for (char digit : QByteArray::number(std::max(0, state_.config_count)))
            r += char(digit - '0');
        break;
    case 28: r += char(state_.drive_mode & 0xFF); break;
    case 50:
        r += char(state_.settings_flags);
        r += char(state_.protocol_mask >> 8);
        r += char(state_.protocol_mask & 0xFF);
        break;
    case 51:
        r += char(state_.pin_activity >> 8);
        r += char(state_.pin_activity & 0xFF);
        break;
    case 52:
        r += char(state_.indication >> 8);
        r += char(state_.indication & 0xFF);
        break;
    default:
        return failed;
    }
    return r;
}

// 0x1E 0x00 0x00, the file, then the checksum. The message does not say where the file
// ends, so every checksum length is tried: the shortest one that matches wins.
QByteArray SimDevice::store_software(const QByteArray &message)
{
    const QByteArray body = message.mid(3);
    const bool header_ok = message.size() >= 3 && message[1] == '\0' && message[2] == '\0';
    quint64 total = 0x1E;
    for (char c : body)
        total += quint8(c);

    int checksum_length = -1;
    quint64 tail = 0;
    const int longest = std::min<int>(body.size(), 8);
    for (int k = 1; k <= longest; ++k) {
        tail += quint8(body[body.size() - k]);
        if (k >= 2 && checksum_bytes(total - tail) == body.right(k)) {
            checksum_length = k;
            break;
        }
    }
    state_.software_received = true;
    state_.software_checksum_ok = header_ok && checksum_length >= 0;
    state_.software_file =
        body.left(body.size() - (checksum_length >= 0 ? checksum_length : std::min(2, int(body.size()))));
    changed();
    return QByteArray(1, state_.software_checksum_ok ? answer_ok : answer_fail);
}

void SimDevice::send_reply(const QByteArray &reply)
{
    if (reply.size() <= chunk_size) {
        queue_packet(reply);
        return;
    }
    if (reply.size() > max_message) {
        queue_packet(QByteArray(1, answer_fail));
        return;
    }
    reply_mode_ = ReplyMode::Normal;
    reply_ = reply;
    queue_packet(framed(chunk_code, 0, reply.left(chunk_size)));
}

void SimDevice::queue_packet(const QByteArray &packet)
{
    pending_.append(make_report(packet));
}

void SimDevice::queue_report(const QByteArray &report)
{
    pending_.append(report);
}

void SimDevice::stop_reply()
{
    reply_mode_ = ReplyMode::None;
    reply_.clear();
    endless_left_ = 0;
}
