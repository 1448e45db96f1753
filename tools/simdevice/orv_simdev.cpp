// orv-simdev: creates and edits the state file of a simulated device (see README.md).
// Every change is a read-modify-write under the file's lock, so it is safe while the hidraw
// bed runs the device from the same file.
#include "sim_state_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QTextStream>
#include <functional>

namespace {

const char usage_text[] =
    "usage: orv-simdev [--file F] COMMAND [ARGS]\n"
    "  F defaults to $ORV_SIM_DEVICE_FILE.\n"
    "commands:\n"
    "  init [--model or|or+] [--configured|--unconfigured] [--serial S] [--key K]\n"
    "       [--count N] [--unplugged]        write a fresh state file\n"
    "  plug                                   plug the device in (again)\n"
    "  unplug                                 pull it out\n"
    "  show                                   print the state file's JSON\n"
    "  set KEY VALUE                          change one value of the state file (README.md):\n"
    "      a key of \"state\" (brand, drive_mode, settings_flags, firmware, ...), vendor_id or\n"
    "      product_id; VALUE is JSON (2, 0x0c, [1,0,3,0,12], {\"hex\":\"eb41\"}) or a text\n"
    "  fault KIND [ARG] [--match HEX] [--skip N] [--count N]   queue a fault; kinds:\n"
    "      no-answer [PACKETS]  fail  fail-connection  chunked-fail [HEX after F1]\n"
    "      lower-ack  unplug [MESSAGES]  late READS  reply HEX\n"
    "      ack-past-end  ack-ahead  chunk-gap  wrong-echo  leftover MS\n"
    "      garbage random|invalid-base64|bad-offset|endless [CHUNKS]\n"
    "  clear-faults                           drop all queued faults\n";

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

int usage_error(const QString &text)
{
    err() << "orv-simdev: " << text << "\n" << usage_text;
    err().flush();
    return 2;
}

int failure(const QString &text)
{
    err() << "orv-simdev: " << text << "\n";
    err().flush();
    return 1;
}

// Applies `set KEY VALUE`: KEY is a key of the state file, in "state" or at its top (vendor_id,
// product_id); VALUE is JSON, or else a text. The file's own reader checks the result.
QString set_field(SimDeviceFile &f, const QString &key, const QString &value)
{
    QJsonObject root = device_file_to_json(f);
    QJsonObject state = root.value("state").toObject();
    const bool top = key == "vendor_id" || key == "product_id";
    if (!top && !state.contains(key))
        return QStringLiteral("unknown field \"%1\"").arg(key);
    const QJsonValue old = top ? root.value(key) : state.value(key);
    const QJsonDocument parsed = QJsonDocument::fromJson("[" + value.toUtf8() + "]");
    QJsonValue v = parsed.isArray() && parsed.array().size() == 1 ? parsed.array().first() : QJsonValue(value);
    if (old.isString() && !v.isObject())
        v = value;  // a text field takes the words as they are ("150" is a text there)
    if (top) {
        root[key] = v;
    } else {
        state[key] = v;
        root["state"] = state;
    }
    QString error;
    return device_file_from_json(root, &f, &error) ? QString() : error;
}

// Builds a fault from `fault KIND [ARG] [--match HEX] [--skip N] [--count N]` with the
// state file's own reader; returns an error text, empty on success.
QString make_fault(const QStringList &args, SimFault *out)
{
    QJsonObject o{{"kind", args.value(0)}};
    QStringList plain;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if ((a == "--match" || a == "--skip" || a == "--count") && i + 1 < args.size())
            o[a.mid(2)] = args.at(++i);
        else
            plain << a;
    }
    // What the plain arguments of each kind stand for in the file.
    const QString kind = args.value(0);
    const bool bytes = kind == "reply" || kind == "chunked-fail";
    const QStringList keys = kind == "no-answer" || kind == "late" || kind == "leftover" ? QStringList{"count"}
                             : kind == "unplug"                    ? QStringList{"skip"}
                             : kind == "garbage"                   ? QStringList{"garbage", "count"}
                                                                   : QStringList{};
    if (bytes)
        o["bytes"] = plain.join(QLatin1Char(' '));
    else if (plain.size() > keys.size())
        return QStringLiteral("unexpected argument \"%1\"").arg(plain.at(keys.size()));
    for (int i = 0; !bytes && i < plain.size(); ++i)
        o[keys.at(i)] = plain.at(i);
    if (kind == "garbage" && !o.contains("garbage"))
        return QStringLiteral("garbage is random, invalid-base64, bad-offset or endless");
    QString error;
    if (!fault_from_json(o, out, &error))
        return error;
    return kind == "reply" && out->bytes.isEmpty() ? QStringLiteral("reply needs the bytes to answer with") : QString();
}

int init(const QString &path, const QStringList &args)
{
    SimDeviceFile f;
    QString model = "or+";
    bool configured = false;
    QByteArray serial;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const bool has_value = i + 1 < args.size();
        bool ok = false;
        if (a == "--model" && has_value) {
            model = args.at(++i).toLower();
            if (model != "or" && model != "or+")
                return usage_error(QStringLiteral("the model is or or or+"));
        } else if (a == "--configured") {
            configured = true;
        } else if (a == "--unconfigured") {
            configured = false;
        } else if (a == "--serial" && has_value) {
            serial = args.at(++i).toUtf8();
        } else if (a == "--key" && has_value) {
            f.state.key = args.at(++i).toUtf8();
        } else if (a == "--count" && has_value) {
            f.state.config_count = args.at(++i).toInt(&ok);
            if (!ok || f.state.config_count < 0)
                return usage_error(QStringLiteral("--count takes a number"));
        } else if (a == "--unplugged") {
            f.plugged = false;
        } else {
            return usage_error(QStringLiteral("unknown option \"%1\"").arg(a));
        }
    }
    f.state.serial = !serial.isEmpty() ? serial : model == "or" ? "1000000001" : "1100000001";
    if (configured)
        f.state.set_sample_vehicle();

    SimFileLock lock(path);
    if (!lock.locked())
        return failure(QStringLiteral("cannot lock %1.lock: %2").arg(path, lock.error()));
    SimDeviceFile old;
    QString error;
    if (QFile::exists(path) && load_device_file(path, &old, &error))
        f.generation = old.generation + 1;  // a running program sees a new device
    if (!save_device_file(path, f, &error))
        return failure(QStringLiteral("cannot write %1: %2").arg(path, error));
    return 0;
}

// Runs `change` on the file under its lock and saves the result.
int modify(const QString &path, const std::function<QString(SimDeviceFile &)> &change)
{
    SimFileLock lock(path);
    if (!lock.locked())
        return failure(QStringLiteral("cannot lock %1.lock: %2").arg(path, lock.error()));
    SimDeviceFile f;
    QString error;
    if (!load_device_file(path, &f, &error))
        return failure(QStringLiteral("cannot read %1: %2 (run \"orv-simdev init\" first)")
                           .arg(path, error));
    error = change(f);
    if (!error.isEmpty())
        return usage_error(error);
    if (!save_device_file(path, f, &error))
        return failure(QStringLiteral("cannot write %1: %2").arg(path, error));
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString path = QFile::decodeName(qgetenv("ORV_SIM_DEVICE_FILE"));
    const int file_at = args.indexOf(QStringLiteral("--file"));
    if (file_at >= 0) {
        if (file_at + 1 >= args.size())
            return usage_error(QStringLiteral("--file needs a path"));
        path = args.at(file_at + 1);
        args.erase(args.begin() + file_at, args.begin() + file_at + 2);
    }
    if (args.isEmpty() || args.first() == "help" || args.first() == "--help") {
        QTextStream(stdout) << usage_text;
        return args.isEmpty() ? 2 : 0;
    }
    if (path.isEmpty())
        return usage_error(QStringLiteral("no state file: give --file or set ORV_SIM_DEVICE_FILE"));

    const QString command = args.takeFirst();
    if (command == "init")
        return init(path, args);
    if (command == "show") {
        SimDeviceFile f;
        QString error;
        if (!load_device_file(path, &f, &error))
            return failure(QStringLiteral("cannot read %1: %2").arg(path, error));
        QTextStream(stdout) << QJsonDocument(device_file_to_json(f)).toJson(QJsonDocument::Indented);
        return 0;
    }
    if (command == "plug" || command == "unplug" || command == "clear-faults") {
        if (!args.isEmpty())
            return usage_error(QStringLiteral("%1 takes no arguments").arg(command));
        return modify(path, [&](SimDeviceFile &f) {
            if (command == "plug") {
                f.plugged = true;
                ++f.generation;
            } else if (command == "unplug") {
                f.plugged = false;
            } else {
                f.faults.clear();
            }
            return QString();
        });
    }
    if (command == "set") {
        if (args.size() != 2)
            return usage_error(QStringLiteral("set takes a field and a value"));
        return modify(path, [&](SimDeviceFile &f) { return set_field(f, args.at(0), args.at(1)); });
    }
    if (command == "fault") {
        SimFault fault;
        const QString error = make_fault(args, &fault);
        if (!error.isEmpty())
            return usage_error(error);
        return modify(path, [&](SimDeviceFile &f) {
            f.faults.append(fault);
            return QString();
        });
    }
    return usage_error(QStringLiteral("unknown command \"%1\"").arg(command));
}
