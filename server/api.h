#ifndef API_H
#define API_H

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The API server's conventions: request paths, headers and the JSON of its
// replies, as plain functions over values.
namespace api {

// Paths and queries appended to the base URL. Values are inserted as they
// are (the auth key arrives already percent-encoded).
QString limit_path();
QString brands_path();                          // with a '?' and an empty query
QString models_path(const QString &brand_id);
QString engines_path(const QString &model_id);
QString settings_path(const QString &vehicle_id, const QString &auth_key);
QString software_path(const QString &software_id, const QString &auth_key);
QString install_success_path();

// The five headers of every request, in the order they are sent.
QList<QPair<QByteArray, QByteArray>> request_headers(const QString &serial_number);

// {"settingsId":N} with N as written, UTF-8.
QByteArray install_success_body(const QString &settings_id);

// A reply body as text: only the bytes before the first zero byte, as UTF-8.
QString body_text(const QByteArray &body);

// The member "result" of the body's top-level object. A body that is not
// valid JSON reads as an empty object, so "result" is then undefined.
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

// Title, power + "HP", torque + "NM", separated by single blanks.
QString engine_text(const QString &title, const QString &power, const QString &torque);

// Splits an engine text back into title, power and torque without their units.
// Fewer than three blank-separated parts give three empty values.
struct EngineKey {
    QString title;
    QString power;
    QString torque;
};
EngineKey split_engine_text(const QString &text);

// The first index at which all three lists hold the key's values, or -1.
int find_engine(const EngineKey &key, const QStringList &titles, const QStringList &power,
                const QStringList &torque);

// The configuration count of a limit reply: "result" as a whole number, 0 when
// it is missing or not a number.
int count(const QJsonValue &result);

// The settings record of a settings reply.
struct SettingsRecord {
    QString id;           // "id", whole number text
    QString software_id;  // "softwareId", a string
};
SettingsRecord settings_record(const QJsonValue &result);

} // namespace api

#endif // API_H
