#include "device/decode.h"

#include "device/framing.h"
#include "device/messages.h"
#include "device/protocol.h"
#include "server/api.h"

#include <limits>

namespace decode {

QString text(const QByteArray &reply)
{
    const int zero = reply.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? reply : reply.left(zero));
}

QString version(const QByteArray &reply)
{
    QStringList parts;
    for (int i = 0; i < 5; ++i)
        parts << QString::number(framing::byte_at(reply, i));
    return parts.join(QLatin1Char('.'));
}

Key device_key(const QByteArray &reply)
{
    Key key;
    if (framing::byte_at(reply, 0) != message::key_marker)
        return key;
    key.valid = true;
    key.key = text(reply).mid(1);
    key.auth_key = api::encoded_id(key.key);
    return key;
}

int digits(const QByteArray &reply)
{
    // A long string of digits saturates instead of overflowing.
    constexpr qint64 most = std::numeric_limits<int>::max();
    qint64 value = 0;
    for (const char byte : reply)
        value = qMin(most, value * 10 + static_cast<unsigned char>(byte));
    return int(value);
}

bool printable_ascii(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

int drive_mode(const QByteArray &reply)
{
    return framing::byte_at(reply, 0);
}

int indication(const QByteArray &reply)
{
    return framing::byte_at(reply, 0) * 256 + framing::byte_at(reply, 1);
}

bool bit(int byte, int n)
{
    return n >= 0 && n < 8 && ((byte >> n) & 1);
}

namespace {
int lowest_bit(int byte)
{
    for (int n = 0; n < 8; ++n)
        if (bit(byte, n))
            return n;
    return -1;
}
} // namespace

Settings settings(const QByteArray &reply)
{
    Settings result;
    const int flags = framing::byte_at(reply, 0);
    const bool u = flags & protocol::standby_u;
    const bool s = flags & protocol::standby_s;
    if (u && !s)
        result.standby = QStringLiteral("U");
    else if (!u && s)
        result.standby = QStringLiteral("S");
    else
        result.standby = QStringLiteral("NOT SELECTED");
    result.auto_standby = flags & protocol::auto_standby;
    result.auto_protocol = flags & protocol::auto_protocol;

    const int low = lowest_bit(framing::byte_at(reply, 2));
    const int high = lowest_bit(framing::byte_at(reply, 1));
    result.protocol_bit = low >= 0 ? low : high >= 0 ? 8 + high : -1;
    result.protocol_index = protocol::canonical(result.protocol_bit);
    return result;
}

QList<int> active_protocols(const QByteArray &reply)
{
    QList<int> protocols;
    const int high = framing::byte_at(reply, 0);
    const int low = framing::byte_at(reply, 1);
    for (int n = 0; n < 8; ++n)
        if (bit(low, n))
            protocols << n;
    for (int n = 0; n < 8; ++n)
        if (bit(high, n))
            protocols << n + 8;
    return protocols;
}

} // namespace decode
