// What a vehicle installation puts on the wire.

#include <QtTest>

#include "tuning/checksum.h"
#include "tuning/vehicle_messages.h"

class TuningTest : public QObject
{
    Q_OBJECT
private slots:
    void checksum_data();
    void checksum();
    void text_payload_data();
    void text_payload();
    void fourteen_messages();
};

void TuningTest::checksum_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("empty file") << QByteArray() << QByteArray::fromHex("1e00001e00");
    QTest::newRow("01 02 03") << QByteArray::fromHex("010203") << QByteArray::fromHex("1e0000010203" "2400");
    QTest::newRow("sum 0xFFFF: two bytes")
        << QByteArray(256, char(0xFF)) + QByteArray::fromHex("e1")
        << QByteArray::fromHex("1e0000") + QByteArray(256, char(0xFF)) + QByteArray::fromHex("e1" "ffff");
    QTest::newRow("300 x 0xFF: odd fifth digit dropped")
        << QByteArray(300, char(0xFF)) << QByteArray::fromHex("1e0000") + QByteArray(300, char(0xFF)) + QByteArray::fromHex("f22a");
    // 0x1E + 4112 x 0xFF = 0x10000E: six digits, three bytes lowest first.
    QTest::newRow("six digits: three bytes")
        << QByteArray(4112, char(0xFF)) << QByteArray::fromHex("1e0000") + QByteArray(4112, char(0xFF)) + QByteArray::fromHex("0e0010");
}

void TuningTest::checksum()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, message);
    QCOMPARE(software_message(file), message);
}

void TuningTest::text_payload_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ASCII") << "A4" << QByteArray("A4");
    QTest::newRow("Latin-1 stays one byte") << QStringLiteral("Citroën") << QByteArray("Citro\xebn");
    QTest::newRow("above 0xFF becomes 0") << QStringLiteral("Škoda") << QByteArray("\0koda", 5);
    QTest::newRow("Cyrillic") << QStringLiteral("ГАЗ") << QByteArray(3, '\0');
}

void TuningTest::text_payload()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(::text_payload(text), bytes);
}

void TuningTest::fourteen_messages()
{
    VehicleRecord record;
    record.vehicle_id = "v-1001";
    record.brand = "Audi";
    record.model = "A4";
    record.title = "2.0 TDI";
    record.power = "150";
    record.torque = "320";
    record.software_id = "SW-9";
    record.avail_config = 300;
    record.soft_file = QByteArray::fromHex("010203");
    const QList<QByteArray> expected{
        QByteArray::fromHex("03"),       "\x14v-1001",  "\x15" "Audi",   "\x16" "A4",
        "\x17" "2.0 TDI",                "\x18" "150",  "\x19" "320",    "\x1a" "SW-9",
        QByteArray::fromHex("320c0000"), QByteArray::fromHex("1c02"),    QByteArray::fromHex("1b2c"),
        QByteArray::fromHex("21"),       QByteArray::fromHex("24"),      QByteArray::fromHex("1e000001020324" "00"),
    };
    QCOMPARE(vehicle_messages(record), expected);

    record = VehicleRecord();
    const QList<QByteArray> empty = vehicle_messages(record);
    QCOMPARE(empty.at(1), QByteArray("\x14"));
    QCOMPARE(empty.at(10), QByteArray::fromHex("1b00"));
}

#include "tuning_test.moc"
QObject *make_tuning_test() { return new TuningTest; }
