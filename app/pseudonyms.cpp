#include "app/pseudonyms.h"

#include <QUrl>
#include <algorithm>

#include "device/decode.h"
#include "device/framing.h"
#include "device/messages.h"
#include "server/api.h"

namespace {

char same_shape(char c, std::mt19937_64 &random)
{
    auto pick = [&random](char first, int count) {
        return char(first + int(std::uniform_int_distribution<int>(0, count - 1)(random)));
    };
    if (c >= '0' && c <= '9')
        return pick('0', 10);
    if (c >= 'A' && c <= 'Z')
        return pick('A', 26);
    if (c >= 'a' && c <= 'z')
        return pick('a', 26);
    return c;
}

// One direction of an exchange put together: chunks at their offsets, a whole
// message as it came. Framing-only packets (acknowledgements, ends) carry nothing.
QByteArray assembled(const QList<RecordedPacket> &exchange, bool from_host)
{
    QByteArray message;
    for (const RecordedPacket &p : exchange) {
        if (p.from_host != from_host)
            continue;
        const int code = framing::byte_at(p.packet, 0);
        if (code == framing::chunk_code) {
            const int offset = framing::packet_offset(p.packet);
            const QByteArray payload = p.packet.mid(3);
            if (message.size() < offset + payload.size())
                message.resize(offset + payload.size());
            message.replace(offset, payload.size(), payload);
        } else if (code != framing::ack_code && code != framing::end_code && message.isEmpty()) {
            message = p.packet;
        }
    }
    return message;
}

bool is_chunk(const QByteArray &packet)
{
    return framing::byte_at(packet, 0) == framing::chunk_code && packet.size() >= 3;
}

// The serial number or key the exchange's reply holds, if it was their query.
void learn(const QList<RecordedPacket> &exchange, Pseudonyms &pseudonyms)
{
    const QByteArray query = assembled(exchange, true);
    if (framing::byte_at(query, 0) != int(message::Code::Query))
        return;
    const int code = framing::byte_at(query, 1);
    if (code != int(message::Code::SerialNumber) && code != int(message::Code::Key))
        return;
    const QByteArray reply = assembled(exchange, false);
    if (framing::byte_at(reply, 0) != code)
        return;
    const QByteArray text = decode::text(reply.mid(1)).toUtf8();
    if (code == int(message::Code::SerialNumber))
        pseudonyms.add(text, Pseudonyms::Kind::Serial);
    else if (framing::byte_at(text, 0) == message::key_marker)
        pseudonyms.add(text.mid(1), Pseudonyms::Kind::Key);
    else
        pseudonyms.add(text, Pseudonyms::Kind::Key);
}

} // namespace

Pseudonyms::Pseudonyms(quint64 seed) : random(seed) {}

void Pseudonyms::insert(const QByteArray &from, const QByteArray &to)
{
    if (from.isEmpty() || from == to)
        return;
    for (const auto &pair : pairs)
        if (pair.first == from)
            return;
    pairs.append({from, to});
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
}

QByteArray Pseudonyms::add(const QByteArray &secret, Kind kind)
{
    for (const auto &pair : pairs)
        if (pair.first == secret)
            return pair.second;
    if (secret.size() < 4)
        return secret;
    QByteArray pseudonym = secret;
    for (int i = kind == Kind::Serial ? 2 : 0; i < pseudonym.size(); ++i)
        pseudonym[i] = same_shape(pseudonym.at(i), random);
    insert(secret, pseudonym);
    // Percent-encoded as in a query, and as the URL then carries it.
    const QByteArray encoded = api::encoded_id(QString::fromUtf8(secret)).toUtf8();
    const QByteArray encoded_pseudonym = api::encoded_id(QString::fromUtf8(pseudonym)).toUtf8();
    insert(encoded, encoded_pseudonym);
    const QUrl url(QStringLiteral("/?k=") + QString::fromLatin1(encoded), QUrl::TolerantMode);
    const QUrl url_pseudonym(QStringLiteral("/?k=") + QString::fromLatin1(encoded_pseudonym), QUrl::TolerantMode);
    insert(url.query(QUrl::FullyEncoded).mid(2).toUtf8(), url_pseudonym.query(QUrl::FullyEncoded).mid(2).toUtf8());
    return pseudonym;
}

void Pseudonyms::add_replacement(const QByteArray &from, const QByteArray &to)
{
    if (from.size() == to.size())
        insert(from, to);
}

QByteArray Pseudonyms::apply(const QByteArray &bytes) const
{
    QByteArray out = bytes;
    for (const auto &pair : pairs) {
        int at = 0;
        while ((at = out.indexOf(pair.first, at)) >= 0) {
            out.replace(at, pair.first.size(), pair.second);
            at += pair.second.size();
        }
    }
    return out;
}

void replace_secrets(QList<RecordedPacket> &exchange, Pseudonyms &pseudonyms)
{
    learn(exchange, pseudonyms);
    for (const bool from_host : {true, false}) {
        const QByteArray whole = pseudonyms.apply(assembled(exchange, from_host));
        for (RecordedPacket &p : exchange) {
            if (p.from_host != from_host)
                continue;
            if (is_chunk(p.packet)) {
                const int offset = framing::packet_offset(p.packet);
                p.packet = p.packet.left(3) + whole.mid(offset, p.packet.size() - 3);
            } else {
                p.packet = pseudonyms.apply(p.packet);
            }
        }
    }
}
