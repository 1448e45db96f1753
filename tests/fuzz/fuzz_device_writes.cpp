// What the host writes into the device from server data: the software file
// message with its checksum, the fourteen installation messages, and the
// settings word read back by the device reply decoder.

#include "controls/settings_word.h"
#include "device/decode.h"
#include "fuzz_support.h"
#include "tuning/checksum.h"
#include "tuning/vehicle_messages.h"

namespace {

// The checksum the device checks: S = 0x1E + every file byte; S's hex text of
// at least four digits read in pairs from the right, a lone first digit dropped.
QByteArray expected_checksum(const QByteArray &file)
{
    quint64 sum = 0x1E;
    for (const char c : file)
        sum += static_cast<unsigned char>(c);
    int digits = 0;
    for (quint64 rest = sum; rest > 0; rest >>= 4)
        ++digits;
    QByteArray bytes;
    for (int pair = 0; pair < qMax(4, digits) / 2; ++pair)
        bytes.append(char((sum >> (8 * pair)) & 0xFF));
    return bytes;
}

void check_file_message(const QByteArray &file)
{
    const QByteArray message = software_message(file);
    REQUIRE(message.left(3) == QByteArray::fromHex("1e0000"), "the file message starts 0x1E 0x00 0x00");
    REQUIRE(message.mid(3, file.size()) == file, "the file goes byte for byte");
    REQUIRE(message.mid(3 + file.size()) == expected_checksum(file), "the checksum the device expects",
            QStringLiteral("file of %1 bytes: %2").arg(file.size()).arg(fuzz::hex(message.mid(3 + file.size()))));
}

QString text_field(fuzz::Reader &in)
{
    const fuzz::Exact field = in.field();
    const QByteArray bytes = field.bytes();
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

void check_text_payload(const QByteArray &message, int code, const QString &text)
{
    REQUIRE(static_cast<unsigned char>(message[0]) == code && message.size() == 1 + text.size(),
            "a text message: its code, then one byte per UTF-16 unit");
    for (int i = 0; i < text.size(); ++i) {
        const ushort unit = text[i].unicode();
        REQUIRE(static_cast<unsigned char>(message[1 + i]) == (unit <= 0xFF ? unit : 0),
                "a unit above 0xFF goes as 0x00");
    }
}

void check_settings_word(fuzz::Reader &in)
{
    settings_word::Choice choice;
    const int flags = in.byte();
    choice.auto_standby = flags & 1;
    choice.standby_u = flags & 2;
    choice.standby_s = flags & 4;
    choice.auto_protocol = flags & 8;
    choice.protocol = in.byte() % 20 - 2;
    const QByteArray word = settings_word::message(choice);
    REQUIRE(word.size() == 4 && word[0] == 0x32, "the settings word is 0x32 and three bytes");

    // What the device stores is what query 50 reads back.
    const decode::Settings back = decode::settings(word.mid(1));
    REQUIRE(back.auto_standby == choice.auto_standby && back.auto_protocol == choice.auto_protocol,
            "the automatic flags read back");
    const char *standby = choice.auto_standby ? "NOT SELECTED"
                          : choice.standby_u  ? "U"
                          : choice.standby_s  ? "S"
                                              : "NOT SELECTED";
    REQUIRE(back.standby == QLatin1String(standby), "the standby mode reads back");
    const bool manual = !choice.auto_protocol && choice.protocol >= 0 && choice.protocol <= 15;
    REQUIRE(back.protocol_bit == (manual ? choice.protocol : -1), "the protocol reads back",
            QStringLiteral("protocol %1 -> %2").arg(choice.protocol).arg(back.protocol_bit));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool examples = [] {
        REQUIRE(software_message(QByteArray()) == QByteArray::fromHex("1e00001e00"), "an empty file: 1E 00 00 1E 00");
        REQUIRE(software_message(QByteArray::fromHex("010203")) == QByteArray::fromHex("1e00000102032400"),
                "01 02 03: checksum 24 00");
        REQUIRE(software_message(QByteArray(300, char(0xFF))).right(2) == QByteArray::fromHex("f22a"),
                "300 x FF: the sum 0x12AF2 goes as F2 2A");
        return true;
    }();
    (void)examples;

    fuzz::Reader in(data, size);
    VehicleRecord record;
    record.vehicle_id = text_field(in);
    record.brand = text_field(in);
    record.model = text_field(in);
    record.title = text_field(in);
    record.power = text_field(in);
    record.torque = text_field(in);
    record.software_id = text_field(in);
    record.avail_config = in.u16() - 32768;
    check_settings_word(in);
    const fuzz::Exact file = in.rest();
    // A whole file repeated makes the long sums a short input cannot reach.
    record.soft_file = file.bytes().repeated(1 + (record.avail_config & 0x3F));
    check_file_message(file.bytes());

    const QList<QByteArray> messages = vehicle_messages(record);
    REQUIRE(messages.size() == 14, "fourteen messages");
    REQUIRE(messages[0] == QByteArray(1, 0x03), "0x03 opens the write");
    const QString texts[] = {record.vehicle_id, record.brand, record.model, record.title,
                             record.power, record.torque, record.software_id};
    for (int i = 0; i < 7; ++i)
        check_text_payload(messages[1 + i], 0x14 + i, texts[i]);
    REQUIRE(messages[8] == QByteArray::fromHex("320c0000"), "automatic standby and protocol");
    REQUIRE(messages[9] == QByteArray::fromHex("1c02"), "drive mode DYNAMIC");
    REQUIRE(messages[10].size() == 2 && messages[10][0] == 0x1B
                && static_cast<unsigned char>(messages[10][1]) == (record.avail_config & 0xFF),
            "the count's low 8 bits");
    REQUIRE(messages[11] == QByteArray(1, 0x21) && messages[12] == QByteArray(1, 0x24), "0x21, then 0x24");
    check_file_message(record.soft_file);
    REQUIRE(messages[13] == software_message(record.soft_file), "the software file message last");
    return 0;
}
