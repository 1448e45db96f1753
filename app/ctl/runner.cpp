#include "app/ctl/runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <unistd.h>

#include "app/ctl/console.h"
#include "app/ctl/interrupts.h"
#include "app/ctl/matching.h"
#include "app/ctl/record_file.h"
#include "app/ctl/record_view.h"
#include "app/ctl/settings_change.h"
#include "app/session.h"
#include "app/session_state.h"
#include "device/device_state.h"
#include "server/server_state.h"

using namespace ctl;

namespace {

QJsonArray catalogue_json(const QStringList &ids, const QStringList &titles)
{
    QJsonArray array;
    for (int i = 0; i < titles.size(); ++i)
        array.append(QJsonObject{{QStringLiteral("id"), ids.value(i)}, {QStringLiteral("title"), titles.at(i)}});
    return array;
}

// One title a line.
QString lines(const QStringList &titles)
{
    QString text;
    for (const QString &title : titles)
        text += printable(title) + QLatin1Char('\n');
    return text;
}

} // namespace

Runner::Runner(const Arguments &arguments, Console &console, Interrupts &interrupts)
    : a(arguments), console(console), interrupts(interrupts)
{
    outcome.command = a.command;
}

int Runner::run()
{
    if (a.help || a.version) {
        const QString version =
            QStringLiteral("orvctl %1 (Qt %2)\n").arg(QStringLiteral(ORV_VERSION), QLatin1String(qVersion()));
        const QString text = a.help ? usage_text(a) : version;
        outcome.data.insert(a.help ? QStringLiteral("help") : QStringLiteral("version"), text.trimmed());
        console.out(text);
        return done;
    }
    if (!a.error.isEmpty())
        return fail(usage, a.error);
    if (!a.record.isEmpty()) {
        QString error;
        if (!start_record_file(a.record, a.include_software, &error))
            return fail(refused, error, QStringLiteral("record-file"));
    }
    int status = done;
    switch (a.verb) {
    case Verb::List: status = list(); break;
    case Verb::Identify: status = identify(); break;
    case Verb::Set: status = set(); break;
    case Verb::Catalogue: status = catalogue(); break;
    case Verb::Install: status = install(); break;
    case Verb::RecordShow: status = record_show(); break;
    case Verb::None: break;
    }
    // A Ctrl-C still waiting in its pipe counts too.
    QCoreApplication::processEvents();
    if (interrupts.stopped())
        return fail(interrupted, QStringLiteral("interrupted"));
    return status;
}

void Runner::finish(int status)
{
    outcome.status = status;
    outcome.boxes = console.boxes();
    if (a.json) {
        std::fputs(outcome_json(outcome).constData(), stdout);
        std::fflush(stdout);
    } else if (status != done && !outcome.error_message.isEmpty()) {
        console.err(QStringLiteral("orvctl: ") + outcome.error_message + QLatin1Char('\n')
                    + (status == usage ? QStringLiteral("Try 'orvctl --help'.\n") : QString()));
    }
}

int Runner::fail(int status, const QString &message, const QString &word)
{
    if (outcome.error_message.isEmpty() || status == interrupted) {
        outcome.error_message = message;
        outcome.error_word = word;
    }
    return status;
}

// ---- the commands

int Runner::list()
{
    QJsonArray devices;
    for (const session::DeviceNode &node : session::device_nodes()) {
        const QJsonValue usb_serial = node.usb_serial.isEmpty() ? QJsonValue() : QJsonValue(node.usb_serial);
        devices.append(QJsonObject{{QStringLiteral("path"), node.path}, {QStringLiteral("usb_serial"), usb_serial}});
        console.out(node.path + (node.usb_serial.isEmpty() ? QString() : QLatin1Char('\t') + printable(node.usb_serial))
                    + QLatin1Char('\n'));
    }
    outcome.data.insert(QStringLiteral("devices"), devices);
    return done;
}

int Runner::identify()
{
    int status = open();
    if (status == done)
        status = identify_device(!a.offline);
    if (status == done || status == server_failed) {
        DeviceReport report = device_report();
        if (!a.offline && status == done)
            report.configurations_left = avail_config;
        show_device("device", report);
    }
    return status;
}

int Runner::set()
{
    if (a.list_protocols) {
        outcome.data.insert(QStringLiteral("protocols"), QJsonArray::fromStringList(protocol_names));
        console.out(protocol_names.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        return done;
    }
    outcome.data.insert(QStringLiteral("setting"), a.command.mid(4));
    outcome.data.insert(QStringLiteral("value"), a.value.toLower());
    int status = open();
    if (status == done)
        status = identify_device(false);
    if (status != done)
        return status;

    session::WriteResult result;
    bool held = false;
    switch (a.field) {
    case Field::DriveMode:
        if (!session::drive_modes_offered())
            return fail(refused, QStringLiteral("drive modes are offered by a configured OR+ only; nothing was sent"));
        held = drive_mode == a.drive_mode;
        if (!held)
            result = session::write_drive_mode(a.drive_mode);
        break;
    case Field::Indication:
        held = indication_state == (a.indication_on ? 1 : 0);
        if (!held)
            result = session::write_indication(a.indication_on);
        break;
    case Field::Standby:
    case Field::Protocol: {
        const HeldSettings now{auto_standby, standby_text, auto_protocol, protocol_index};
        const settings_word::Choice choice = settings_choice(now, a);
        held = settings_word::message(choice) == settings_word::message(settings_choice(now, Arguments()));
        if (!held)
            result = session::write_settings(choice);
        break;
    }
    case Field::None: break;
    }
    outcome.data.insert(QStringLiteral("changed"), !held);
    if (held) {
        console.out(QStringLiteral("The device already holds this setting: nothing was sent.\n"));
        return done;
    }
    if (interrupts.stopped())
        return interrupted;
    status = status_of_write(result);
    if (status == refused)
        return fail(status, QStringLiteral("the settings were refused; nothing was sent"));
    if (status == device_failed)
        return fail(status, QStringLiteral("the device failed; nothing was changed in it"));
    return status == incomplete ? written_incompletely("write") : status;
}

int Runner::catalogue()
{
    int status = open();
    if (status == done)
        status = identify_device(true);
    if (status == done)
        status = brands();
    if (status != done || a.level == Level::Brands) {
        if (status == done) {
            outcome.data.insert(QStringLiteral("brands"), catalogue_json(marka_ids, marka_titles));
            console.out(lines(marka_titles));
        }
        return status;
    }
    int brand = -1;
    if ((status = brand_position(&brand)) != done)
        return status;
    outcome.data.insert(QStringLiteral("brand"), marka_titles.at(brand));
    if (a.level == Level::Models) {
        outcome.data.insert(QStringLiteral("models"), catalogue_json(model_ids, model_titles));
        console.out(lines(model_titles));
        return done;
    }
    int model = -1;
    if ((status = model_position(&model)) != done || (status = engines_of(brand, model)) != done)
        return status;
    outcome.data.insert(QStringLiteral("model"), model_titles.at(model));
    QJsonArray engines;
    int width = 0;
    for (const QString &id : qAsConst(modif_ids))
        width = qMax(width, int(id.size()));
    for (int i = 0; i < modif_ids.size(); ++i) {
        engines.append(QJsonObject{{QStringLiteral("id"), modif_ids.at(i)},
                                   {QStringLiteral("title"), modif_titles.value(i)},
                                   {QStringLiteral("power"), modif_power.value(i)},
                                   {QStringLiteral("torque"), modif_moment.value(i)},
                                   {QStringLiteral("text"), modif_items.value(i)}});
        console.out(printable(modif_ids.at(i).leftJustified(width) + QStringLiteral("  ") + modif_items.value(i))
                    + QLatin1Char('\n'));
    }
    outcome.data.insert(QStringLiteral("engines"), engines);
    return done;
}

int Runner::install()
{
    if (!a.yes && !::isatty(STDIN_FILENO))
        return fail(usage, QStringLiteral("install asks before writing: without a terminal it needs --yes"));
    int status = open();
    if (status == done)
        status = identify_device(true);
    if (status == done)
        status = brands();
    int brand = -1, model = -1, engine = -1;
    if (status == done && a.brand.isEmpty())
        status = find_vehicle_id(&brand, &model, &engine);
    else if (status == done && (status = brand_position(&brand)) == done && (status = model_position(&model)) == done
             && (status = engines_of(brand, model)) == done)
        status = engine_position(brand, model, &engine);
    if (status != done)
        return status;

    const QString brand_title = marka_titles.at(brand), model_title = model_titles.at(model);
    outcome.data.insert(QStringLiteral("vehicle"), QJsonObject{{QStringLiteral("id"), modif_ids.at(engine)},
                                                               {QStringLiteral("brand"), brand_title},
                                                               {QStringLiteral("model"), model_title},
                                                               {QStringLiteral("engine"), modif_items.value(engine)}});
    const QString question = QStringLiteral("Install %1 %2 %3 into device %4? [y/N] ")
                                 .arg(brand_title, model_title, modif_items.value(engine), serial_number);
    if (!a.yes && (status = confirm(printable(question))) != done)
        return status;

    session::InstallChoice choice;
    choice.chosen = true;
    choice.engine = engine;
    choice.brand = brand_title;
    choice.model = model_title;
    const session::InstallResult result = session::install_vehicle(choice);
    if (interrupts.stopped())
        return interrupted;
    status = status_of_install(result.stage);
    switch (result.stage) {
    case session::InstallStage::Refused:
        return fail(status, QStringLiteral("the installation was refused; nothing was sent"));
    case session::InstallStage::ServerFailed:
        return fail(status, QStringLiteral("the server failed; nothing was written"));
    case session::InstallStage::Written:
        return written_incompletely("installation");
    case session::InstallStage::Installed:
        outcome.data.insert(QStringLiteral("configurations_left"), avail_config);
        break;
    }
    return status;
}

// ---- the steps

int Runner::open()
{
    const session::Opening opening = session::open_device(a.device);
    path = opening.path;
    switch (opening.status) {
    case session::OpenStatus::Opened:
        return done;
    case session::OpenStatus::NoDevice:
        return fail(no_device, a.device.isEmpty() ? QStringLiteral("no device found")
                                                  : QStringLiteral("no device of the kind at %1").arg(a.device));
    case session::OpenStatus::Failed:
        session::report_open_failure(opening);
        return fail(no_device, QStringLiteral("the device at %1 cannot be opened").arg(opening.path),
                    QStringLiteral("open-failed"));
    case session::OpenStatus::InUse:
        return fail(no_device, QStringLiteral("The device is in use by another program."), QStringLiteral("in-use"));
    }
    return no_device;
}

int Runner::identify_device(bool ask_server)
{
    const session::Identified identified = session::identify(ask_server);
    if (interrupts.stopped())
        return interrupted;
    const int status = status_of_identify(identified, ask_server, server_error);
    if (status == device_failed)
        return fail(status, QStringLiteral("the device failed while it was identified; nothing was changed in it"));
    if (status == server_failed)
        return fail(status, QStringLiteral("the server failed; nothing was written"));
    return status;
}

// After a write that did not end well: what the device holds now.
int Runner::written_incompletely(const char *sequence)
{
    const bool read = session::read_back();
    if (interrupts.stopped())
        return interrupted;
    if (read)
        show_device("device", device_report());
    const QString now = read ? QStringLiteral("above is what it holds now")
                             : QStringLiteral("it did not answer the read-back");
    return fail(incomplete, QStringLiteral("the device was written but the %1 did not end well; %2")
                                .arg(QLatin1String(sequence), now));
}

// The brand list: identification asks for it when configurations are left.
int Runner::brands()
{
    if (!marka_titles.isEmpty())
        return done;
    const bool ok = session::request_brands();
    if (interrupts.stopped())
        return interrupted;
    return ok ? done : fail(server_failed, QStringLiteral("the server did not give the brand list"));
}

int Runner::brand_position(int *position)
{
    const QList<int> found = matching_positions(a.brand, marka_titles);
    if (found.isEmpty())
        return unknown("brand", a.brand, marka_titles);
    // Of two equal titles the first in server order, as the window takes it.
    *position = found.first();
    const bool ok = session::request_models(marka_ids.at(*position));
    if (interrupts.stopped())
        return interrupted;
    return ok ? done : fail(server_failed, QStringLiteral("the server did not give the models of %1").arg(a.brand));
}

int Runner::model_position(int *position)
{
    const QList<int> found = matching_positions(a.model, model_titles);
    if (found.isEmpty())
        return unknown("model", a.model, model_titles);
    *position = found.first();
    return done;
}

int Runner::engines_of(int brand, int model)
{
    const bool ok = session::request_engines(model_ids.at(model));
    if (interrupts.stopped())
        return interrupted;
    return ok ? done
              : fail(server_failed, QStringLiteral("the server did not give the engines of %1 %2")
                                        .arg(marka_titles.at(brand), model_titles.at(model)));
}

// The engine the words name in the model's list: by its id, or by its title or text.
int Runner::engine_position(int brand, int model, int *engine)
{
    if (!a.vehicle_id.isEmpty()) {
        *engine = int(modif_ids.indexOf(a.vehicle_id));
        if (*engine >= 0)
            return done;
        return fail(refused, QStringLiteral("no engine of %1 %2 has the id \"%3\"")
                                 .arg(marka_titles.at(brand), model_titles.at(model), a.vehicle_id),
                    QStringLiteral("unknown-name"));
    }
    const QList<int> found = matching_positions(a.engine, modif_titles, modif_items);
    if (found.isEmpty())
        return unknown("engine", a.engine, modif_items);
    if (found.size() > 1) {
        QStringList ids;
        for (const int position : found)
            ids << modif_ids.value(position);
        outcome.data.insert(QStringLiteral("ids"), QJsonArray::fromStringList(ids));
        return fail(refused, QStringLiteral("%1 engines are called \"%2\": choose one with --vehicle-id (%3)")
                                 .arg(found.size()).arg(a.engine, ids.join(QStringLiteral(", "))),
                    QStringLiteral("ambiguous"));
    }
    *engine = found.first();
    return done;
}

// The whole catalogue, brand by brand and model by model, until an engine has the id.
int Runner::find_vehicle_id(int *brand, int *model, int *engine)
{
    const QStringList brand_ids = marka_ids;
    for (int b = 0; b < brand_ids.size(); ++b) {
        const bool ok = session::request_models(brand_ids.at(b));
        if (interrupts.stopped())
            return interrupted;
        if (!ok)
            return fail(server_failed,
                        QStringLiteral("the server did not give the models of %1").arg(marka_titles.value(b)));
        const QStringList models = model_ids;
        for (int m = 0; m < models.size(); ++m) {
            int status = engines_of(b, m);
            if (status != done)
                return status;
            const int found = int(modif_ids.indexOf(a.vehicle_id));
            if (found >= 0) {
                *brand = b;
                *model = m;
                *engine = found;
                return done;
            }
        }
    }
    return fail(refused, QStringLiteral("no engine in the catalogue has the id \"%1\"").arg(a.vehicle_id),
                QStringLiteral("unknown-name"));
}

// The question on the terminal; the answer is read while the event loop runs, so that
// Ctrl-C still ends the program.
int Runner::confirm(const QString &question)
{
    console.note(question);
    QEventLoop loop;
    QByteArray answer;
    bool ended = false;
    FdWatch input(STDIN_FILENO, [&] {
        char bytes[256];
        const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (count > 0)
            answer.append(bytes, int(count));
        if (count <= 0 || answer.contains('\n')) {
            ended = true;
            loop.quit();
        }
    });
    interrupts.on_stop([&loop] { loop.quit(); });
    if (!interrupts.stopped())
        loop.exec();
    interrupts.on_stop(nullptr);
    input.setEnabled(false);
    if (interrupts.stopped())
        return interrupted;
    if (!ended)
        console.note(QStringLiteral("\n"));
    const QByteArray word = answer.trimmed().toLower();
    if (word == "y" || word == "yes")
        return done;
    return fail(refused, QStringLiteral("not installed: the question was not answered yes; nothing was sent"),
                QStringLiteral("declined"));
}

int Runner::unknown(const char *what, const QString &wanted, const QStringList &known)
{
    // The near ones; else the first few known, so that the message shows what names look like.
    QStringList near = suggestions(wanted, known);
    const bool near_found = !near.isEmpty();
    if (!near_found)
        near = known.mid(0, 5);
    const QString more = known.size() > near.size() ? QStringLiteral(", ...") : QString();
    const QString hint = near_found ? QStringLiteral("did you mean: %1?").arg(near.join(QStringLiteral(", ")))
                                    : QStringLiteral("known: %1%2").arg(near.join(QStringLiteral(", ")), more);
    outcome.data.insert(near_found ? QStringLiteral("suggestions") : QStringLiteral("known"), QJsonArray::fromStringList(near));
    return fail(refused, QStringLiteral("unknown %1 \"%2\" (%3)").arg(QLatin1String(what), wanted, hint),
                QStringLiteral("unknown-name"));
}

DeviceReport Runner::device_report() const
{
    DeviceReport d;
    d.path = path;
    d.serial_number = serial_number;
    d.model = model_name(serial_number);
    d.firmware = firmware_text;
    d.hardware = hardware_text;
    d.config_id = config_id;
    d.configured = !config_id.isEmpty() && config_id != unconfigured_id;
    d.brand = car_brand;
    d.vehicle_model = car_model;
    d.engine = car_engine;
    d.power = car_power;
    d.torque = car_torque;
    d.software_label = software_label;
    d.drive_mode = session::drive_modes_offered() ? drive_mode : -1;
    d.indication = indication_state;
    d.auto_standby = auto_standby;
    d.standby = standby_text;
    d.auto_protocol = auto_protocol;
    d.protocol = protocol_index;
    d.protocol_bit = protocol_bit;
    d.active = pin_states;
    return d;
}

void Runner::show_device(const char *key, const DeviceReport &report)
{
    outcome.data.insert(QLatin1String(key), device_json(report, protocol_names));
    console.out(device_text(report, protocol_names));
}

int Runner::record_show()
{
    // A recording with the software in it holds it three times over at most.
    constexpr qint64 largest = 64 * 1024 * 1024;
    QFile file(a.record_file);
    const bool opened = a.record_file == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                            : file.open(QIODevice::ReadOnly);
    if (!opened)
        return fail(refused, QStringLiteral("cannot read %1: %2").arg(a.record_file, file.errorString()));
    const QByteArray text = file.read(largest + 1);
    if (text.size() > largest)
        return fail(refused, QStringLiteral("%1: larger than a recording can be (64 MiB)").arg(a.record_file));
    const record_format::Parsed parsed = record_format::parse(text.toStdString());
    if (!parsed.ok)
        return fail(refused, a.record_file + QStringLiteral(": ") + QString::fromStdString(parsed.error));
    outcome.data.insert(QStringLiteral("recording"), ctl::record_json(parsed.recording));
    console.out(ctl::record_text(parsed.recording));
    return done;
}
