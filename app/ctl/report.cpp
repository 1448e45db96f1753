#include "app/ctl/report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include "device/messages.h"
#include "device/obd_pin_table.h"
#include "device/protocol.h"

#include <algorithm>

namespace ctl {

int status_of_identify(session::Identified identified, bool server_needed, bool server_error)
{
    switch (identified) {
    case session::Identified::DeviceFailed: return device_failed;
    case session::Identified::ServerFailed: return server_failed;
    case session::Identified::Yes: break;
    }
    return server_needed && server_error ? server_failed : done;
}

int status_of_write(const session::WriteResult &result)
{
    if (result.ok)
        return done;
    if (result.refused)
        return refused;
    return result.value_sent ? incomplete : device_failed;
}

int status_of_install(session::InstallStage stage)
{
    switch (stage) {
    case session::InstallStage::Refused: return refused;
    case session::InstallStage::ServerFailed: return server_failed;
    case session::InstallStage::Written: return incomplete;
    case session::InstallStage::Installed: break;
    }
    return done;
}

QString error_code(int status)
{
    switch (status) {
    case no_device: return QStringLiteral("no-device");
    case device_failed: return QStringLiteral("device-failed");
    case server_failed: return QStringLiteral("server-failed");
    case incomplete: return QStringLiteral("incomplete");
    case refused: return QStringLiteral("refused");
    case usage: return QStringLiteral("usage");
    case interrupted: return QStringLiteral("interrupted");
    default: return QString();
    }
}

QString model_name(const QString &serial_number)
{
    switch (message::device_model(serial_number)) {
    case message::Model::OR: return QStringLiteral("OR");
    case message::Model::ORPlus: return QStringLiteral("OR+");
    case message::Model::Unknown: break;
    }
    return QString();
}

QString drive_mode_name(int mode)
{
    const char *const names[] = {"stock", "eco", "dynamic"};
    return mode >= 0 && mode < 3 ? QLatin1String(names[mode]) : QString();
}

QString box_line(const Box &box)
{
    return box.informative.isEmpty() ? box.text : box.text + QLatin1Char('\n') + box.informative;
}

QString printable(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    return out;
}

namespace {

QString standby_value(const DeviceReport &d)
{
    return d.auto_standby ? QStringLiteral("auto") : d.standby == QLatin1String("NOT SELECTED") ? QString() : d.standby;
}

QString protocol_value(const DeviceReport &d, const QStringList &names)
{
    return d.auto_protocol ? QStringLiteral("auto") : names.value(d.protocol);
}

QList<int> pins_of(const QList<int> &protocols)
{
    QList<int> pins;
    for (const int protocol : protocols)
        for (const int pin : protocol_pins(protocol))
            if (!pins.contains(pin))
                pins.append(pin);
    std::sort(pins.begin(), pins.end());
    return pins;
}

QStringList names_of(const QList<int> &protocols, const QStringList &names)
{
    QStringList out;
    for (const int protocol : protocols) {
        const QString name = names.value(protocol::canonical(protocol));
        if (!name.isEmpty() && !out.contains(name))
            out << name;
    }
    return out;
}

QString numbers(const QList<int> &values)
{
    QStringList words;
    for (const int value : values)
        words << QString::number(value);
    return words.isEmpty() ? QStringLiteral("none") : words.join(QLatin1Char(' '));
}

QJsonValue text_or_null(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonArray json_numbers(const QList<int> &values)
{
    QJsonArray array;
    for (const int value : values)
        array.append(value);
    return array;
}

} // namespace

QString device_text(const DeviceReport &d, const QStringList &names)
{
    QStringList lines;
    auto line = [&lines](const char *name, const QString &value) {
        lines << QString::fromLatin1(name).leftJustified(22) + printable(value);
    };
    line("device:", d.path);
    line("serial number:", d.serial_number);
    line("model:", d.model.isEmpty() ? QStringLiteral("unknown") : d.model);
    line("firmware:", d.firmware);
    line("hardware:", d.hardware);
    line("configuration id:", d.config_id);
    if (d.configured) {
        line("vehicle:", d.brand + QLatin1Char(' ') + d.vehicle_model + QLatin1Char(' ') + d.engine);
        line("power, torque:", d.power + QStringLiteral(" HP, ") + d.torque + QStringLiteral(" NM"));
        line("software:", d.software_label);
    } else {
        line("vehicle:", QStringLiteral("none"));
    }
    if (d.drive_mode >= 0)
        line("drive mode:", drive_mode_name(d.drive_mode));
    line("indication:", d.indication < 0 ? QStringLiteral("unknown")
                        : d.indication   ? QStringLiteral("on")
                                         : QStringLiteral("off"));
    const QString standby = standby_value(d);
    line("standby:", standby.isEmpty() ? QStringLiteral("not selected") : standby);
    QString protocol = protocol_value(d, names);
    if (protocol.isEmpty())
        protocol = d.protocol_bit < 0 ? QStringLiteral("not selected")
                                      : QStringLiteral("unknown (%1)").arg(d.protocol_bit);
    line("protocol:", protocol);
    const QList<int> selected = d.protocol >= 0 ? QList<int>{d.protocol} : QList<int>();
    line("pins selected:", numbers(pins_of(selected)));
    const QStringList active = names_of(d.active, names);
    const QString named = active.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(active.join(QStringLiteral(", ")));
    line("pins active:", numbers(pins_of(d.active)) + named);
    if (d.configurations_left >= 0)
        line("configurations left:", QString::number(d.configurations_left));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QJsonObject device_json(const DeviceReport &d, const QStringList &names)
{
    QJsonObject o;
    o.insert(QStringLiteral("device"), d.path);
    o.insert(QStringLiteral("serial_number"), d.serial_number);
    o.insert(QStringLiteral("model"), text_or_null(d.model));
    o.insert(QStringLiteral("firmware"), d.firmware);
    o.insert(QStringLiteral("hardware"), d.hardware);
    o.insert(QStringLiteral("config_id"), d.config_id);
    QJsonValue vehicle;
    if (d.configured)
        vehicle = QJsonObject{{QStringLiteral("brand"), d.brand},
                              {QStringLiteral("model"), d.vehicle_model},
                              {QStringLiteral("engine"), d.engine},
                              {QStringLiteral("power"), d.power},
                              {QStringLiteral("torque"), d.torque},
                              {QStringLiteral("software_label"), d.software_label}};
    o.insert(QStringLiteral("vehicle"), vehicle);
    o.insert(QStringLiteral("drive_mode"), text_or_null(drive_mode_name(d.drive_mode)));
    o.insert(QStringLiteral("indication"), d.indication < 0 ? QJsonValue() : QJsonValue(d.indication == 1));
    o.insert(QStringLiteral("standby"), text_or_null(standby_value(d)));
    o.insert(QStringLiteral("protocol"), text_or_null(protocol_value(d, names)));
    o.insert(QStringLiteral("protocol_bit"), d.protocol_bit < 0 ? QJsonValue() : QJsonValue(d.protocol_bit));
    const QList<int> selected = d.protocol >= 0 ? QList<int>{d.protocol} : QList<int>();
    o.insert(QStringLiteral("pins_selected"), json_numbers(pins_of(selected)));
    o.insert(QStringLiteral("pins_active"), json_numbers(pins_of(d.active)));
    o.insert(QStringLiteral("protocols_active"), QJsonArray::fromStringList(names_of(d.active, names)));
    if (d.configurations_left >= 0)
        o.insert(QStringLiteral("configurations_left"), d.configurations_left);
    return o;
}

QByteArray outcome_json(const Outcome &outcome)
{
    QJsonArray messages;
    for (const Box &box : outcome.boxes) {
        QJsonObject message{{QStringLiteral("title"), box.title}, {QStringLiteral("text"), box.text}};
        if (!box.informative.isEmpty())
            message.insert(QStringLiteral("informative"), box.informative);
        messages.append(message);
    }
    QJsonObject o{{QStringLiteral("command"), outcome.command},
                  {QStringLiteral("status"), outcome.status},
                  {QStringLiteral("data"), outcome.data},
                  {QStringLiteral("messages"), messages}};
    if (outcome.status != done) {
        const QString code = outcome.error_word.isEmpty() ? error_code(outcome.status) : outcome.error_word;
        o.insert(QStringLiteral("error"),
                 QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), outcome.error_message}});
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace ctl
