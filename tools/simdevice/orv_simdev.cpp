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
    "  show                                   print the state\n"
    "  set KEY VALUE                          change one value of the state file (README.md):\n"
    "      a key of \"state\" (brand, drive_mode, settings_flags, firmware, ...), vendor_id or\n"
    "      product_id; VALUE is JSON (2, 0x0c, [1,0,3,0,12], {\"hex\":\"eb41\"}) or a text\n"
    "  fault KIND [ARG] [--match HEX] [--skip N] [--count N]   queue a fault; kinds:\n"
    "      no-answer [PACKETS]  fail  fail-connection  chunked-fail [HEX after F1]\n"
    "      lower-ack  unplug [MESSAGES]  late READS  reply HEX\n"
    "      ack-past-end  ack-ahead  chunk-gap\n"
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

bool parse_number(const QString &text, qint64 lo, qint64 hi, qint64 *out)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok, 0);
    if (!ok || n < lo || n > hi)
        return false;
    *out = n;
    return true;
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

// Builds a fault from `fault KIND [ARG] [options]`; returns an error text, empty on success.
QString make_fault(QStringList args, SimFault *out)
{
    SimFault f;
    if (args.isEmpty() || !SimFault::kind_from_name(args.first(), &f.kind))
        return QStringLiteral("unknown fault kind");
    args.removeFirst();
    qint64 n = 0;
    QStringList plain;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const bool has_value = i + 1 < args.size();
        if (a == "--match" && has_value) {
            if (!parse_hex_bytes(args.at(++i), &f.match))
                return QStringLiteral("--match takes hex bytes, e.g. \"09 0a\"");
        } else if ((a == "--skip" || a == "--count") && has_value) {
            if (!parse_number(args.at(++i), 0, 1 << 30, &n))
                return a + QStringLiteral(" takes a count");
            (a == "--skip" ? f.skip : f.count) = int(n);
        } else {
            plain << a;
        }
    }
    const QString arg = plain.value(0);
    switch (f.kind) {
    case SimFault::Kind::NoAnswer:
    case SimFault::Kind::Late:
        if (!arg.isEmpty()) {
            if (!parse_number(arg, 0, 1 << 30, &n))
                return QStringLiteral("expected a count");
            f.count = int(n);
        }
        break;
    case SimFault::Kind::Unplug:
        if (!arg.isEmpty()) {
            if (!parse_number(arg, 0, 1 << 30, &n))
                return QStringLiteral("expected a number of messages");
            f.skip = int(n);
        }
        break;
    case SimFault::Kind::Reply:
    case SimFault::Kind::ChunkedFail:
        if (!parse_hex_bytes(plain.join(QLatin1Char(' ')), &f.bytes))
            return QStringLiteral("expected hex bytes");
        if (f.kind == SimFault::Kind::Reply && f.bytes.isEmpty())
            return QStringLiteral("reply needs the bytes to answer with");
        break;
    case SimFault::Kind::Garbage:
        if (!SimFault::garbage_from_name(arg, &f.garbage))
            return QStringLiteral("garbage is random, invalid-base64, bad-offset or endless");
        if (!args.contains(QStringLiteral("--count")))
            f.count = 0;
        if (plain.size() > 1) {
            if (!parse_number(plain.at(1), 0, 1 << 30, &n))
                return QStringLiteral("expected a number of chunks");
            f.count = int(n);
        }
        break;
    default:
        if (!arg.isEmpty())
            return QStringLiteral("unexpected argument \"%1\"").arg(arg);
        break;
    }
    *out = f;
    return QString();
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
        qint64 n = 0;
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
            if (!parse_number(args.at(++i), 0, 0x7FFFFFFF, &n))
                return usage_error(QStringLiteral("--count takes a number"));
            f.state.config_count = int(n);
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
        QTextStream(stdout) << "State file:      " << path << "\n" << describe_device_file(f);
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
