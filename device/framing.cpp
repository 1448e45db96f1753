#include "device/framing.h"

namespace framing {

QByteArray base64_text(const QByteArray &packet)
{
    return packet.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals);
}

QByteArray output_report(const QByteArray &packet)
{
    QByteArray report(output_report_size, '\0');
    const QByteArray text = base64_text(packet).left(output_report_size - 1);
    report.replace(1, text.size(), text);
    return report;
}

namespace {
int base64_value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}
} // namespace

QByteArray decode_text(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() * 3 / 4);
    quint32 bits = 0;
    int bit_count = 0;
    for (const char ch : text) {
        const int value = base64_value(static_cast<unsigned char>(ch));
        if (value < 0)
            continue;
        bits = (bits << 6) | quint32(value);
        bit_count += 6;
        if (bit_count >= 8) {
            bit_count -= 8;
            out.append(char((bits >> bit_count) & 0xFF));
        }
    }
    return out;
}

int byte_at(const QByteArray &bytes, int index)
{
    return index >= 0 && index < bytes.size() ? static_cast<unsigned char>(bytes.at(index)) : 0;
}

int packet_offset(const QByteArray &packet)
{
    return byte_at(packet, 1) * 256 + byte_at(packet, 2);
}

QByteArray offset_packet(unsigned char code, int offset)
{
    QByteArray packet;
    packet.append(char(code));
    packet.append(char((offset >> 8) & 0xFF));
    packet.append(char(offset & 0xFF));
    return packet;
}

QByteArray chunk_packet(const QByteArray &message, int offset)
{
    return offset_packet(chunk_code, offset) + message.mid(offset, chunk_size);
}

SendStep next_send_step(const QByteArray &message, const QByteArray &answer, int sent_offset)
{
    SendStep step;
    if (byte_at(answer, 0) != ack_code) {
        step.error = true;
        return step;
    }
    step.offset = packet_offset(answer);
    // The device cannot hold more than was sent: an offset past the chunk just
    // sent would skip bytes it never had.
    if (step.offset > qMin(sent_offset + chunk_size, message.size())) {
        step.error = true;
        return step;
    }
    if (step.offset < message.size()) {
        step.packet = chunk_packet(message, step.offset);
    } else {
        step.end = true;
        step.packet = offset_packet(end_code, step.offset);
    }
    return step;
}

Fold fold_chunk(const QByteArray &collected, const QByteArray &chunk, int cap)
{
    Fold fold;
    fold.offset = packet_offset(chunk);
    const QByteArray payload = chunk.mid(3);
    fold.next_offset = fold.offset + payload.size();
    fold.data = collected;
    if (fold.offset > fold.data.size() || fold.next_offset > cap) {
        fold.error = true;
        return fold;
    }
    if (fold.offset < fold.data.size())
        fold.data.truncate(fold.offset);
    fold.data.append(payload);
    return fold;
}

} // namespace framing
