// Every decoder of the device's query replies, given any reply. Missing bytes
// count as 0 and nothing can fail; the values must still mean what the bits say.

#include <QStringList>
#include <climits>

#include "device/decode.h"
#include "device/framing.h"
#include "fuzz_support.h"
#include "server/api.h"

namespace {

int byte_of(const QByteArray &reply, int i)
{
    return i < reply.size() ? static_cast<unsigned char>(reply[i]) : 0;
}

int lowest_bit(int byte)
{
    for (int n = 0; n < 8; ++n)
        if ((byte >> n) & 1)
            return n;
    return -1;
}

bool unreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
           || c == '_' || c == '~';
}

bool upper_hex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Only unreserved characters and %XX with upper-case hex digits.
bool percent_form(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%') {
            if (i + 2 >= bytes.size() || !upper_hex(bytes[i + 1]) || !upper_hex(bytes[i + 2]))
                return false;
            i += 2;
        } else if (!unreserved(bytes[i])) {
            return false;
        }
    }
    return true;
}

void check_text(const QByteArray &reply)
{
    const QString text = decode::text(reply);
    REQUIRE(!text.contains(QChar(0)), "text ends at the first zero byte");
    const int zero = reply.indexOf('\0');
    QByteArray before = zero < 0 ? reply : reply.left(zero);
    REQUIRE(text == decode::text(before + QByteArray(1, '\0') + reply), "bytes after a zero byte are not text");
    // Qt drops a byte-order mark at the start of UTF-8.
    if (before.startsWith("\xEF\xBB\xBF"))
        before.remove(0, 3);
    if (!text.contains(QChar(QChar::ReplacementCharacter)))
        REQUIRE(text.toUtf8() == before, "valid UTF-8 is taken as it is", fuzz::hex(reply));
}

void check_key(const QByteArray &reply)
{
    const decode::Key key = decode::device_key(reply);
    REQUIRE(key.valid == (byte_of(reply, 0) == 0x04), "a key needs its 0x04 marker");
    if (!key.valid) {
        REQUIRE(key.key.isEmpty() && key.auth_key.isEmpty(), "no key without the marker");
        return;
    }
    REQUIRE(key.key == decode::text(reply).mid(1), "the key is the text after its marker");
    REQUIRE(percent_form(key.auth_key), "the auth key holds only unreserved characters and %XX", key.auth_key);
    REQUIRE(QByteArray::fromPercentEncoding(key.auth_key.toLatin1()) == key.key.toUtf8(),
            "the auth key decodes to the key", key.auth_key);
    // The trace shows no part of it.
    REQUIRE(api::without_auth_key(api::settings_path(QStringLiteral("v-1"), key.auth_key))
                == QLatin1String("/api/v1/vehicle/settings?vehicleId=v-1&authKey=***"),
            "the trace masks the whole auth key", key.auth_key);
}

void check_numbers(const QByteArray &reply)
{
    const QStringList parts = decode::version(reply).split(QLatin1Char('.'));
    REQUIRE(parts.size() == 5, "a version has five parts");
    for (int i = 0; i < 5; ++i)
        REQUIRE(parts[i] == QString::number(byte_of(reply, i)), "each version part is its byte in decimal");

    // Digits: the decimal value, or the largest int once it does not fit.
    long double exact = 0;
    for (const char c : reply)
        exact = exact * 10 + static_cast<unsigned char>(c);
    const int digits = decode::digits(reply);
    if (exact <= INT_MAX)
        REQUIRE(digits == int(exact), "digits read as a decimal number", fuzz::hex(reply));
    else
        REQUIRE(digits == INT_MAX, "digits saturate", fuzz::hex(reply));

    REQUIRE(decode::drive_mode(reply) == byte_of(reply, 0), "the drive mode is byte 0");
    REQUIRE(decode::indication(reply) == byte_of(reply, 0) * 256 + byte_of(reply, 1), "indication is big-endian");
}

void check_settings(const QByteArray &reply)
{
    const int flags = byte_of(reply, 0);
    const decode::Settings s = decode::settings(reply);
    const int standby = flags & 3;
    const char *expected = standby == 2 ? "U" : standby == 1 ? "S" : "NOT SELECTED";
    REQUIRE(s.standby == QLatin1String(expected), "standby from bits 1 and 0", fuzz::hex(reply));
    REQUIRE(s.auto_standby == bool(flags & 4) && s.auto_protocol == bool(flags & 8), "automatic flags are bits 2 and 3");
    const int low = lowest_bit(byte_of(reply, 2));
    const int high = lowest_bit(byte_of(reply, 1));
    const int protocol = low >= 0 ? low : high >= 0 ? high + 8 : -1;
    REQUIRE(s.protocol_bit == protocol, "the protocol is the lowest bit, low byte first", fuzz::hex(reply));
    REQUIRE(s.protocol_index == (protocol == 15 ? 0 : protocol), "protocol 15 shows as 0");

    // The activity mask of query 51: high byte first on the wire, low byte's bits listed first.
    QList<int> active;
    for (int n = 0; n < 16; ++n) {
        const int byte = n < 8 ? byte_of(reply, 1) : byte_of(reply, 0);
        if ((byte >> (n % 8)) & 1)
            active << n;
    }
    REQUIRE(decode::active_protocols(reply) == active, "every active bit is listed once, in order", fuzz::hex(reply));

    for (int n = -1; n <= 9; ++n)
        REQUIRE(decode::bit(flags, n) == (n >= 0 && n < 8 && ((flags >> n) & 1)), "bit n is the n-th binary digit");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = fuzz::input_bytes(data, size);
    check_text(reply);
    check_key(reply);
    check_numbers(reply);
    check_settings(reply);

    const QString text = decode::text(reply);
    bool printable = !text.isEmpty();
    for (const QChar c : text)
        printable = printable && c.unicode() >= 0x20 && c.unicode() <= 0x7E;
    REQUIRE(decode::printable_ascii(text) == printable, "printable means 0x20 to 0x7E only, and not empty");
    if (printable)
        REQUIRE(api::request_headers(text).first().second == text.toLatin1(),
                "a printable serial number goes into the header unchanged");
    return 0;
}
