// What goes out to the server from values the device and the server gave:
// ids in request paths, the trace's masking of the auth key, the request
// headers, and whether a software reply may go into the device.

#include <cctype>

#include "fuzz_support.h"
#include "server/api.h"

namespace {

QString text_field(fuzz::Reader &in)
{
    const bool utf16 = in.flag();
    const fuzz::Exact field = in.field();
    const QByteArray bytes = field.bytes();
    if (!utf16)
        return QString::fromUtf8(bytes);
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

bool unreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
           || c == '_' || c == '~';
}

bool percent_form(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%') {
            if (i + 2 >= bytes.size() || !isxdigit(bytes[i + 1]) || !isxdigit(bytes[i + 2])
                || islower(bytes[i + 1]) || islower(bytes[i + 2]))
                return false;
            i += 2;
        } else if (!unreserved(bytes[i])) {
            return false;
        }
    }
    return true;
}

void check_id(const QString &id)
{
    const QString encoded = api::encoded_id(id);
    REQUIRE(percent_form(encoded), "an encoded id holds only unreserved characters and %XX", encoded);
    REQUIRE(QByteArray::fromPercentEncoding(encoded.toLatin1()) == id.toUtf8(), "an encoded id decodes back",
            fuzz::hex(id) + QStringLiteral(" -> ") + encoded);
    bool plain = true;
    for (const QChar c : id)
        plain = plain && c.unicode() < 0x80 && unreserved(char(c.unicode()));
    if (plain)
        REQUIRE(encoded == id, "an ordinary id goes out as it is", id);
}

// Every "authKey=" in a trace is followed by "***", then '&' or the end.
bool masked(const QString &trace)
{
    static const QString item = QStringLiteral("authKey=");
    for (int at = trace.indexOf(item); at >= 0; at = trace.indexOf(item, at + 1)) {
        const int value = at + item.size();
        if (trace.mid(value, 3) != QLatin1String("***"))
            return false;
        if (value + 3 < trace.size() && trace.at(value + 3) != QLatin1Char('&'))
            return false;
    }
    return true;
}

void check_trace(const QString &id, const QString &key_text, const QString &any)
{
    const QString auth_key = api::encoded_id(key_text);
    const QString encoded = api::encoded_id(id);
    REQUIRE(api::without_auth_key(api::settings_path(id, auth_key))
                == QLatin1String("/api/v1/vehicle/settings?vehicleId=") + encoded + QLatin1String("&authKey=***"),
            "the settings request's trace hides the key and keeps the id", auth_key);
    REQUIRE(api::without_auth_key(api::software_path(id, auth_key))
                == QLatin1String("/api/v1/chip/software/") + encoded + QLatin1String("/file?authKey=***"),
            "the software request's trace hides the key and keeps the id", auth_key);

    const QString trace = api::without_auth_key(any);
    REQUIRE(masked(trace), "every authKey value in a trace is masked", fuzz::hex(any) + QStringLiteral(" -> ") + trace);
    if (!any.contains(QLatin1String("authKey=")))
        REQUIRE(trace == any, "a path without an authKey stays as it is");
}

void check_headers(const QString &serial)
{
    const auto headers = api::request_headers(serial);
    static const QList<QByteArray> names = {"X-Auth-Token", "X-Device-Token", "X-Device-Type", "X-Device-Language",
                                            "Accept"};
    REQUIRE(headers.size() == names.size(), "five headers");
    for (int i = 0; i < headers.size(); ++i) {
        REQUIRE(headers[i].first == names[i], "the headers in their order");
        for (const char c : headers[i].second)
            REQUIRE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "no control character in a header value",
                    fuzz::hex(headers[i].second));
    }
    QByteArray kept;
    for (const char c : serial.toUtf8())
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            kept.append(c);
    REQUIRE(headers[0].second == kept, "the token is the serial number without its control characters");
}

void check_software_reply(int status, const QByteArray &type, const QByteArray &parameters)
{
    const bool ok = api::software_reply_acceptable(status, type);
    if (status != 200) {
        REQUIRE(!ok, "only status 200 brings a software file");
        return;
    }
    REQUIRE(ok == api::software_reply_acceptable(200, type.toUpper()), "media types are case-insensitive");
    REQUIRE(ok == api::software_reply_acceptable(200, " " + type + " "), "blanks around the type do not count");
    // A comma outside quotes would begin another header's value.
    if (!type.contains(';') && !type.contains('"') && !parameters.contains(','))
        REQUIRE(ok == api::software_reply_acceptable(200, type + ';' + parameters), "parameters do not count");
    for (const char *page : {"text/html", "Text/Plain", "application/json", "application/problem+json",
                             "application/xhtml+xml"})
        REQUIRE(!api::software_reply_acceptable(200, QByteArray(page) + ';' + parameters),
                "structured text is never a software file", QString::fromLatin1(page));
    // A quoted parameter value holds any text, commas and escaped quotes included.
    QByteArray quoted = parameters;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    REQUIRE(api::software_reply_acceptable(200, "application/octet-stream; name=\"" + quoted + '"'),
            "a quoted parameter is part of its type", fuzz::hex(parameters));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Reader in(data, size);
    const QString id = text_field(in);
    const QString key = text_field(in);
    const QString serial = text_field(in);
    const int status = 100 + in.u16() % 500;
    const fuzz::Exact type = in.field();
    const fuzz::Exact parameters = in.field();
    const QString any = text_field(in);

    check_id(id);
    check_trace(id, key, any);
    check_headers(serial);
    check_software_reply(in.flag() ? 200 : status, type.bytes(), parameters.bytes());
    return 0;
}
