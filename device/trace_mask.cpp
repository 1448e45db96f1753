#include "device/trace_mask.h"

#include <QVector>

#include "device/framing.h"

namespace trace_mask {

namespace {

// Marks every whole occurrence of `secret` in `packet`.
void mark_secret(const QByteArray &packet, const QByteArray &secret, QVector<bool> &hidden)
{
    if (secret.size() < 3)
        return;
    for (int from = packet.indexOf(secret); from >= 0; from = packet.indexOf(secret, from + 1))
        for (int i = from; i < from + secret.size(); ++i)
            hidden[i] = true;
}

} // namespace

QString packet_hex(const QByteArray &packet, const QList<QByteArray> &secrets, bool secret_payload)
{
    QVector<bool> hidden(packet.size(), false);
    if (secret_payload) {
        const int code = framing::byte_at(packet, 0);
        const bool framed = code == framing::chunk_code || code == framing::ack_code || code == framing::end_code;
        for (int i = framed ? 3 : 1; i < packet.size(); ++i)
            hidden[i] = true;
    }
    for (const QByteArray &secret : secrets)
        mark_secret(packet, secret, hidden);

    QStringList bytes;
    for (int i = 0; i < packet.size(); ++i)
        bytes << (hidden.at(i) ? QStringLiteral("**") : QString::number(framing::byte_at(packet, i), 16).rightJustified(2, QLatin1Char('0')));
    return bytes.join(QLatin1Char(' '));
}

} // namespace trace_mask
