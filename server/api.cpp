#include "server/api.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringBuilder>
#include <algorithm>
#include <cmath>

#include "device/decode.h"

namespace api {

QString limit_path() { return QStringLiteral("/api/v1/chip/limitInfo"); }
QString brands_path() { return QStringLiteral("/api/v1/vehicle/brand?"); }
QString encoded_id(const QString &id)
{
    return QString::fromLatin1(id.toUtf8().toPercentEncoding());
}

bool usable_id(const QString &id)
{
    return !id.isEmpty() && id != QLatin1String(".") && id != QLatin1String("..");
}

QString models_path(const QString &brand_id) { return "/api/v1/vehicle/model?brandId=" + encoded_id(brand_id); }
QString engines_path(const QString &model_id) { return "/api/v1/vehicle?modelId=" + encoded_id(model_id); }
QString install_success_path() { return QStringLiteral("/api/v1/vehicle/settings/install/success"); }

QString settings_path(const QString &vehicle_id, const QString &auth_key)
{
    return "/api/v1/vehicle/settings?vehicleId=" + encoded_id(vehicle_id) + "&authKey=" + auth_key;
}

QString software_path(const QString &software_id, const QString &auth_key)
{
    return "/api/v1/chip/software/" + encoded_id(software_id) + "/file?authKey=" + auth_key;
}

QString without_auth_key(const QString &path_and_query)
{
    static const QString item = QStringLiteral("authKey=");
    QString text = path_and_query;
    int from = 0;
    while ((from = text.indexOf(item, from)) >= 0) {
        from += item.size();
        int end = text.indexOf(QLatin1Char('&'), from);
        if (end < 0)
            end = text.size();
        text.replace(from, end - from, QStringLiteral("***"));
    }
    return text;
}

QList<QPair<QByteArray, QByteArray>> request_headers(const QString &serial_number)
{
    QByteArray token;
    for (const char c : serial_number.toUtf8())
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            token.append(c);
    return {
        {"X-Auth-Token", token},
        {"X-Device-Token", "718204593316"},
        {"X-Device-Type", "DESKTOP"},
        {"X-Device-Language", "RU"},
        {"Accept", "application/json"},
    };
}

QPair<QByteArray, QByteArray> identity_encoding_header()
{
    return {"Accept-Encoding", "identity"};
}

bool status_ok(int status)
{
    return status >= 200 && status <= 299;
}

namespace {

// The media types of a Content-Type value, lower case, without parameters.
// Commas separate the values of repeated headers, except inside a quoted
// string, where a backslash escapes the next character.
QList<QByteArray> media_types(const QByteArray &value)
{
    QList<QByteArray> types;
    QByteArray current;
    bool quoted = false;
    for (int i = 0; i < value.size(); ++i) {
        const char c = value.at(i);
        if (quoted) {
            if (c == '\\')
                ++i;  // the escaped character, whatever it is
            else if (c == '"')
                quoted = false;
            continue;  // parameter text: never part of the type
        }
        if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            types.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    types.append(current);
    for (QByteArray &type : types)
        type = type.split(';').first().trimmed().toLower();
    return types;
}

// Structured text: what a server answers with when it has no file to give. JSON
// (JSON text sequences too), XML, YAML, TOML and script are text, whatever the
// top-level type says; every other application type may be a file.
bool structured_text(const QByteArray &type)
{
    static const QByteArray text_types[] = {"application/json",       "application/json-seq",
                                            "application/xml",        "application/javascript",
                                            "application/ecmascript", "application/yaml",
                                            "application/x-yaml",     "application/toml"};
    if (type.startsWith("text/") || type.endsWith("+json") || type.endsWith("+xml") || type.endsWith("+yaml"))
        return true;
    return std::find(std::begin(text_types), std::end(text_types), type) != std::end(text_types);
}

} // namespace

bool software_reply_acceptable(int status, const QByteArray &content_type)
{
    if (status != 200)
        return false;
    for (const QByteArray &type : media_types(content_type))
        if (structured_text(type))
            return false;
    return true;
}

bool software_file_acceptable(int status, const QByteArray &content_type, qint64 body_size)
{
    return body_size > 0 && software_reply_acceptable(status, content_type);
}

QByteArray install_success_body(const QString &settings_id)
{
    return QString("{\"settingsId\":" + settings_id + "}").toUtf8();
}

QJsonValue result_of(const QByteArray &body)
{
    // Text that is plain ASCII up to its end reads as it is; anything else goes
    // through the decoder, which stops at a zero byte and replaces bytes that
    // are not UTF-8.
    const bool ascii = std::all_of(body.begin(), body.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0 && byte < 0x80;
    });
    const QByteArray json = ascii ? body : decode::text(body).toUtf8();
    return QJsonDocument::fromJson(json).object().value(QLatin1String("result"));
}

QString whole_number_text(const QJsonValue &value)
{
    const double number = value.isDouble() ? value.toDouble() : 0.0;
    if (!std::isfinite(number))
        return QStringLiteral("0");
    // A whole number within 2^53 (every power and torque) is written as an integer, without
    // the general conversion; -0 becomes 0 this way too.
    if (std::abs(number) < 9007199254740992.0 && number == std::trunc(number))
        return QString::number(qint64(number));
    const QString text = QString::number(number, 'f', 0);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString string_text(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

QJsonArray list_items(const QJsonValue &result)
{
    return result.toObject().value(QLatin1String("items")).toArray();
}

Item brand(const QJsonValue &element)
{
    const QJsonObject object = element.toObject();
    return {whole_number_text(object.value(QLatin1String("id"))), string_text(object.value(QLatin1String("title"))),
            {}, {}};
}

Item model(const QJsonValue &element)
{
    const QJsonObject object = element.toObject();
    return {string_text(object.value(QLatin1String("id"))), string_text(object.value(QLatin1String("title"))), {}, {}};
}

Item engine(const QJsonValue &element)
{
    const QJsonObject object = element.toObject();
    return {string_text(object.value(QLatin1String("id"))), string_text(object.value(QLatin1String("title"))),
            whole_number_text(object.value(QLatin1String("power"))),
            whole_number_text(object.value(QLatin1String("moment")))};
}

namespace {
QList<Item> read_items(const QJsonValue &result, Item (*read)(const QJsonValue &))
{
    const QJsonArray elements = list_items(result);
    QList<Item> items;
    items.reserve(elements.size());
    for (const QJsonValue element : elements)
        items.append(read(element));
    return items;
}
} // namespace

QList<Item> brands(const QJsonValue &result) { return read_items(result, brand); }
QList<Item> models(const QJsonValue &result) { return read_items(result, model); }
QList<Item> engines(const QJsonValue &result) { return read_items(result, engine); }

QString engine_text(const QString &title, const QString &power, const QString &torque)
{
    return title % QLatin1Char(' ') % power % QLatin1String("HP ") % torque % QLatin1String("NM");
}

int count(const QJsonValue &result)
{
    if (!result.isDouble())
        return 0;
    const double value = std::round(result.toDouble());
    if (value > 2147483647.0)
        return 2147483647;
    if (value < -2147483648.0)
        return -2147483647 - 1;
    return int(value);
}

SettingsRecord settings_record(const QJsonValue &result)
{
    const QJsonObject object = result.toObject();
    SettingsRecord record;
    record.id = whole_number_text(object.value(QLatin1String("id")));
    record.software_id = string_text(object.value("softwareId"));
    record.valid = object.value(QLatin1String("id")).isDouble() && usable_id(record.software_id);
    return record;
}

} // namespace api
