#ifndef API_H
#define API_H

#include <QByteArray>
#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The API server's conventions: request paths, headers and the JSON of its
// replies, as plain functions over values.
namespace api {

// Paths and queries appended to the base URL. Ids are percent-encoded as
// UTF-8 with the unreserved characters of RFC 3986 (letters, digits, '-', '.',
// '_', '~') kept, so an id holding '#', '?', '&' or '/' cannot change the
// request; an ordinary id goes out as it is. The auth key arrives already
// percent-encoded and is inserted as it is.
QString encoded_id(const QString &id);
// Whether an id from the server may go into a request: not empty, and not "."
// or "..", which stay as they are when encoded and would change the path.
bool usable_id(const QString &id);
QString limit_path();
QString brands_path();                          // with a '?' and an empty query
QString models_path(const QString &brand_id);
QString engines_path(const QString &model_id);
QString settings_path(const QString &vehicle_id, const QString &auth_key);
QString software_path(const QString &software_id, const QString &auth_key);
QString install_success_path();

// The path and query as a trace may show them: the authKey value replaced by
// "***", whatever its encoding.
QString without_auth_key(const QString &path_and_query);

// The five headers of every request, in the order they are sent. A header
// value never holds a control character: any is dropped.
QList<QPair<QByteArray, QByteArray>> request_headers(const QString &serial_number);

// Replies are asked for without compression, so that a small reply cannot
// unpack into an enormous one and every size limit counts the real bytes.
QPair<QByteArray, QByteArray> identity_encoding_header();

// Whether an HTTP status is a success (2xx). Redirects and every other status
// are error replies, whatever the network layer says.
bool status_ok(int status);

// Whether a software file reply may be the file: status 200 and no media type
// that is structured text, never a file: text/*, JSON (application/json,
// application/json-seq, any "+json" suffix), XML (application/xml, any "+xml"
// suffix such as XHTML), YAML (application/yaml, application/x-yaml, any "+yaml"
// suffix), TOML (application/toml) or script (application/javascript,
// application/ecmascript). A server sends those for errors and "moved" pages;
// application/octet-stream and types not known as text may be the file. No content type is fine. Repeated Content-Type headers arrive joined
// by commas: every media type in the value is checked, and any refused one
// refuses the file. A comma inside a quoted parameter value splits nothing.
bool software_reply_acceptable(int status, const QByteArray &content_type);

// Whether a software file reply is taken and written into the device: it may
// be the file, and it brings at least one byte (an empty file is no software).
bool software_file_acceptable(int status, const QByteArray &content_type, qint64 body_size);

// The largest reply body taken for the JSON endpoints (8 MiB).
constexpr qint64 max_json_reply = 8 * 1024 * 1024;

// {"settingsId":N} with N as written, UTF-8.
QByteArray install_success_body(const QString &settings_id);

// The member "result" of the body's top-level object, read from the text
// before the first zero byte (decode::text). A body that is not valid JSON
// reads as an empty object, so "result" is then undefined.
QJsonValue result_of(const QByteArray &body);

// A JSON number written in fixed notation without decimals (nearest whole
// number); anything that is not a number reads as 0.
QString whole_number_text(const QJsonValue &value);

// A JSON string; anything else reads as empty.
QString string_text(const QJsonValue &value);

struct Item {
    QString id;
    QString title;
    QString power;   // engines only
    QString torque;  // engines only ("moment")
};

// The "items" of a list reply's result. Brand ids are JSON numbers, model and
// engine ids JSON strings; an element that is not an object gives an empty item.
QList<Item> brands(const QJsonValue &result);
QList<Item> models(const QJsonValue &result);
QList<Item> engines(const QJsonValue &result);
// The same, one element of "items" at a time.
QJsonArray list_items(const QJsonValue &result);
Item brand(const QJsonValue &element);
Item model(const QJsonValue &element);
Item engine(const QJsonValue &element);

// Title, power + "HP", torque + "NM", separated by single blanks.
QString engine_text(const QString &title, const QString &power, const QString &torque);

// The configuration count of a limit reply: "result" as a whole number, 0 when
// it is missing or not a number.
int count(const QJsonValue &result);

// The settings record of a settings reply.
struct SettingsRecord {
    QString id;           // "id", whole number text
    QString software_id;  // "softwareId", a string
    // Both present: "softwareId" a usable id and "id" a number.
    bool valid = false;
};
SettingsRecord settings_record(const QJsonValue &result);

} // namespace api

#endif // API_H
