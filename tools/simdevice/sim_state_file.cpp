#include "sim_state_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const char *const text_fields[] = {"serial", "key",    "config_id", "brand",         "model",
                                   "engine", "power",  "torque",    "software_label"};

QByteArray *text_field(SimDeviceState &s, int i)
{
    QByteArray *fields[] = {&s.serial, &s.key,   &s.config_id, &s.brand,         &s.model,
                            &s.engine, &s.power, &s.torque,    &s.software_label};
    return fields[i];
}

QJsonArray byte_list(const QByteArray &bytes)
{
    QJsonArray a;
    for (char c : bytes)
        a.append(int(quint8(c)));
    return a;
}

bool byte_list_from(const QJsonValue &v, QByteArray *out)
{
    if (!v.isArray())
        return false;
    QByteArray b;
    for (const QJsonValue &x : v.toArray()) {
        const double d = x.toDouble(-1);
        if (!x.isDouble() || d < 0 || d > 255 || d != int(d))
            return false;
        b.append(char(int(d)));
    }
    *out = b;
    return true;
}

// `key` of `o`, when it is there, into `target`: a number from 0 to `hi`, or a text such
// as "0x1fc9".
template <class T>
bool read_number(const QJsonObject &o, const char *key, qint64 hi, T *target, QString *error)
{
    if (!o.contains(key))
        return true;
    const QJsonValue v = o.value(key);
    bool ok = v.isDouble() && v.toDouble() == qint64(v.toDouble());
    const qint64 n = ok ? qint64(v.toDouble()) : v.toString().trimmed().toLongLong(&ok, 0);
    if (!ok || n < 0 || n > hi) {
        *error = QStringLiteral("\"%1\" is not a number from 0 to %2").arg(QLatin1String(key)).arg(hi);
        return false;
    }
    *target = T(n);
    return true;
}

QString hex16(int v)
{
    return QStringLiteral("0x%1").arg(v, 4, 16, QLatin1Char('0'));
}

// "09 0a", "090a", "0x09,0x0a" and the like.
bool parse_hex_bytes(const QString &text, QByteArray *out)
{
    QString digits = text;
    digits.remove(QRegularExpression(QStringLiteral("0[xX](?=[0-9a-fA-F])")));
    digits.remove(QRegularExpression(QStringLiteral("[\\s,:;]")));
    if (digits.size() % 2 != 0 ||
        !QRegularExpression(QStringLiteral("^[0-9a-fA-F]*$")).match(digits).hasMatch())
        return false;
    *out = QByteArray::fromHex(digits.toLatin1());
    return true;
}

// Byte strings as JSON: text when the bytes are valid UTF-8, else {"hex": "eb 41"}.
QJsonValue bytes_to_json(const QByteArray &bytes)
{
    // Text only when it is valid UTF-8 without a zero byte (Qt 5's fromUtf8() stops at one,
    // Qt 6's keeps it): anything that does not survive the round trip goes out as hex.
    if (!bytes.contains('\0') && QString::fromUtf8(bytes).toUtf8() == bytes)
        return QString::fromUtf8(bytes);
    QJsonObject o;
    o["hex"] = QString::fromLatin1(bytes.toHex(' '));
    return o;
}

bool bytes_from_json(const QJsonValue &value, QByteArray *out)
{
    if (value.isString()) {
        *out = value.toString().toUtf8();
        return true;
    }
    if (value.isObject() && value.toObject().value("hex").isString())
        return parse_hex_bytes(value.toObject().value("hex").toString(), out);
    return false;
}

}  // namespace

static QJsonObject fault_to_json(const SimFault &f)
{
    QJsonObject o;
    o["kind"] = SimFault::kind_name(f.kind);
    if (!f.match.isEmpty())
        o["match"] = QString::fromLatin1(f.match.toHex(' '));
    o["skip"] = f.skip;
    o["count"] = f.count;
    if (f.kind == SimFault::Kind::Garbage)
        o["garbage"] = SimFault::garbage_name(f.garbage);
    if (!f.bytes.isEmpty())
        o["bytes"] = QString::fromLatin1(f.bytes.toHex(' '));
    return o;
}

bool fault_from_json(const QJsonValue &v, SimFault *out, QString *error)
{
    const QJsonObject o = v.toObject();
    SimFault f;
    if (!SimFault::kind_from_name(o.value("kind").toString(), &f.kind)) {
        *error = QStringLiteral("unknown fault kind \"%1\"").arg(o.value("kind").toString());
        return false;
    }
    if (f.kind == SimFault::Kind::Garbage)
        f.count = 0;  // endless chunks go on for ever unless told otherwise
    if (!read_number(o, "skip", 1 << 30, &f.skip, error) || !read_number(o, "count", 1 << 30, &f.count, error))
        return false;
    if ((o.contains("match") && !parse_hex_bytes(o.value("match").toString(), &f.match)) ||
        (o.contains("bytes") && !parse_hex_bytes(o.value("bytes").toString(), &f.bytes))) {
        *error = QStringLiteral("fault bytes are not hexadecimal");
        return false;
    }
    if (o.contains("garbage") &&
        !SimFault::garbage_from_name(o.value("garbage").toString(), &f.garbage)) {
        *error = QStringLiteral("unknown garbage kind \"%1\"").arg(o.value("garbage").toString());
        return false;
    }
    *out = f;
    return true;
}

QJsonObject device_file_to_json(const SimDeviceFile &file)
{
    const SimDeviceState &s = file.state;
    QJsonObject state;
    SimDeviceState copy = s;
    for (int i = 0; i < int(std::size(text_fields)); ++i)
        state[text_fields[i]] = bytes_to_json(*text_field(copy, i));
    state["firmware"] = byte_list(s.firmware);
    state["hardware"] = byte_list(s.hardware);
    state["drive_mode"] = s.drive_mode;
    state["indication"] = int(s.indication);
    state["settings_flags"] = int(s.settings_flags);
    state["protocol_mask"] = int(s.protocol_mask);
    state["pin_activity"] = int(s.pin_activity);
    state["config_count"] = s.config_count;
    QJsonObject software;
    software["received"] = s.software_received;
    software["checksum_ok"] = s.software_checksum_ok;
    software["file_base64"] = QString::fromLatin1(s.software_file.toBase64());
    state["software"] = software;

    QJsonArray faults;
    for (const SimFault &f : file.faults)
        faults.append(fault_to_json(f));

    QJsonObject root;
    root["plugged"] = file.plugged;
    root["vendor_id"] = hex16(file.vendor_id);
    root["product_id"] = hex16(file.product_id);
    root["generation"] = file.generation;
    root["state"] = state;
    root["faults"] = faults;
    return root;
}

bool device_file_from_json(const QJsonObject &json, SimDeviceFile *out, QString *error)
{
    SimDeviceFile f;
    auto fail = [error](const QString &what) {
        *error = what;
        return false;
    };
    if (json.contains("plugged")) {
        if (!json.value("plugged").isBool())
            return fail(QStringLiteral("\"plugged\" is not true or false"));
        f.plugged = json.value("plugged").toBool();
    }
    if (!read_number(json, "vendor_id", 0xFFFF, &f.vendor_id, error) ||
        !read_number(json, "product_id", 0xFFFF, &f.product_id, error) ||
        !read_number(json, "generation", 0x7FFFFFFF, &f.generation, error))
        return false;

    const QJsonObject st = json.value("state").toObject();
    SimDeviceState &s = f.state;
    for (int i = 0; i < int(std::size(text_fields)); ++i) {
        if (st.contains(text_fields[i]) && !bytes_from_json(st.value(text_fields[i]), text_field(s, i)))
            return fail(QStringLiteral("\"%1\" is neither text nor {\"hex\": ...}").arg(text_fields[i]));
    }
    if (st.contains("firmware") && !byte_list_from(st.value("firmware"), &s.firmware))
        return fail(QStringLiteral("\"firmware\" is not a list of byte values"));
    if (st.contains("hardware") && !byte_list_from(st.value("hardware"), &s.hardware))
        return fail(QStringLiteral("\"hardware\" is not a list of byte values"));
    if (!read_number(st, "drive_mode", 255, &s.drive_mode, error) ||
        !read_number(st, "indication", 0xFFFF, &s.indication, error) ||
        !read_number(st, "settings_flags", 255, &s.settings_flags, error) ||
        !read_number(st, "protocol_mask", 0xFFFF, &s.protocol_mask, error) ||
        !read_number(st, "pin_activity", 0xFFFF, &s.pin_activity, error) ||
        !read_number(st, "config_count", 0x7FFFFFFF, &s.config_count, error))
        return false;
    const QJsonObject sw = st.value("software").toObject();
    s.software_received = sw.value("received").toBool(false);
    s.software_checksum_ok = sw.value("checksum_ok").toBool(false);
    s.software_file = QByteArray::fromBase64(sw.value("file_base64").toString().toLatin1());

    for (const QJsonValue &v : json.value("faults").toArray()) {
        SimFault fault;
        if (!fault_from_json(v, &fault, error))
            return false;
        f.faults.append(fault);
    }
    *out = f;
    return true;
}

bool load_device_file(const QString &path, SimDeviceFile *out, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not JSON (%1 at offset %2)").arg(parse.errorString()).arg(parse.offset);
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("not a JSON object");
        return false;
    }
    return device_file_from_json(doc.object(), out, error);
}

bool save_device_file(const QString &path, const SimDeviceFile &file, QString *error)
{
    QSaveFile out(path);  // writes a temporary file and renames it over the old one
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    out.write(QJsonDocument(device_file_to_json(file)).toJson(QJsonDocument::Indented));
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

SimFileLock::SimFileLock(const QString &state_file)
{
    const QByteArray path = QFile::encodeName(state_file + QStringLiteral(".lock"));
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    int r;
    do {
        r = ::flock(fd_, LOCK_EX);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd_);
        fd_ = -1;
    }
}

SimFileLock::~SimFileLock()
{
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}
