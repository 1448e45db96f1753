// The device's replies turned into values.

#include <QtTest>

#include "device/decode.h"

class DecodeTest : public QObject
{
    Q_OBJECT
private slots:
    void text_data();
    void text();
    void version_data();
    void version();
    void key_data();
    void key();
    void digits_data();
    void digits();
    void identity_texts();
    void indication_and_mode();
    void settings_data();
    void settings();
    void active_protocols_data();
    void active_protocols();
};

void DecodeTest::text_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("plain") << QByteArray("1100000001") << QStringLiteral("1100000001");
    QTest::newRow("zero padded") << QByteArray("110042\0\0\0", 9) << QStringLiteral("110042");
    QTest::newRow("stops at first zero") << QByteArray("AB\0CD", 5) << QStringLiteral("AB");
    QTest::newRow("UTF-8") << QByteArray("\xd0\x9b\xd0\xb0\xd0\xb4\xd0\xb0") << QStringLiteral("Лада");
    QTest::newRow("single byte 0xEB is not UTF-8")
        << QByteArray("Citro\xebn") << QString("Citro") + QChar(0xFFFD) + "n";
}

void DecodeTest::text()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QCOMPARE(decode::text(reply), text);
}

void DecodeTest::version_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("five bytes") << QByteArray::fromHex("010003000c") << "1.0.3.0.12";
    QTest::newRow("three bytes") << QByteArray::fromHex("010203") << "1.2.3.0.0";
    QTest::newRow("empty") << QByteArray() << "0.0.0.0.0";
    QTest::newRow("extra bytes ignored") << QByteArray::fromHex("ff0102030405") << "255.1.2.3.4";
}

void DecodeTest::version()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QCOMPARE(decode::version(reply), text);
}

void DecodeTest::key_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("auth_key");
    QTest::newRow("no marker") << QByteArray("\x05key", 4) << false << QString() << QString();
    QTest::newRow("empty") << QByteArray() << false << QString() << QString();
    QTest::newRow("unreserved stays") << QByteArray("\x04" "Ab9-._~") << true << "Ab9-._~" << "Ab9-._~";
    QTest::newRow("reserved and blank encoded")
        << QByteArray("\x04" "k+y/z= 1") << true << "k+y/z= 1" << "k%2By%2Fz%3D%201";
    QTest::newRow("UTF-8 bytes encoded upper-case")
        << QByteArray("\x04\xd0\x9a") << true << QStringLiteral("К") << "%D0%9A";
    QTest::newRow("stops at zero") << QByteArray("\x04" "ab\0cd", 6) << true << "ab" << "ab";
}

void DecodeTest::key()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, valid);
    QFETCH(QString, key);
    QFETCH(QString, auth_key);
    const decode::Key result = decode::device_key(reply);
    QCOMPARE(result.valid, valid);
    QCOMPARE(result.key, key);
    QCOMPARE(result.auth_key, auth_key);
}

void DecodeTest::digits_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("12") << QByteArray::fromHex("0102") << 12;
    QTest::newRow("300") << QByteArray::fromHex("030000") << 300;
    QTest::newRow("leading zero") << QByteArray::fromHex("0007") << 7;
    QTest::newRow("too many digits saturate") << QByteArray(40, '\x09') << 2147483647;
}

void DecodeTest::digits()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, value);
    QCOMPARE(decode::digits(reply), value);
}

void DecodeTest::identity_texts()
{
    QVERIFY(decode::printable_ascii("1100000001"));
    QVERIFY(decode::printable_ascii("K~ey +/"));
    QVERIFY(!decode::printable_ascii(""));
    QVERIFY(!decode::printable_ascii("11\r\nX-Evil: 1"));
    QVERIFY(!decode::printable_ascii(QString::fromUtf8("11\xc3\xa9")));
}

void DecodeTest::indication_and_mode()
{
    QCOMPARE(decode::indication(QByteArray::fromHex("003c")), 60);
    QCOMPARE(decode::indication(QByteArray::fromHex("0100")), 256);
    QCOMPARE(decode::indication(QByteArray()), 0);
    QCOMPARE(decode::drive_mode(QByteArray()), 0);
    QCOMPARE(decode::drive_mode(QByteArray::fromHex("02")), 2);
}

void DecodeTest::settings_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("standby");
    QTest::addColumn<bool>("auto_standby");
    QTest::addColumn<bool>("auto_protocol");
    QTest::addColumn<int>("protocol_index");
    QTest::newRow("flags 0x0E: U, both automatic, no protocol")
        << QByteArray::fromHex("0e0000") << "U" << true << true << -1;
    QTest::newRow("S, manual, J1850 VPW") << QByteArray::fromHex("010080") << "S" << false << false << 7;
    QTest::newRow("bits 1 and 0 both set") << QByteArray::fromHex("030001") << "NOT SELECTED" << false << false << 0;
    QTest::newRow("no standby bits") << QByteArray::fromHex("000800") << "NOT SELECTED" << false << false << 11;
    QTest::newRow("bit 15 reads as HS CAN") << QByteArray::fromHex("028000") << "U" << false << false << 0;
    QTest::newRow("low byte wins over high byte") << QByteArray::fromHex("020120") << "U" << false << false << 5;
    QTest::newRow("high bits are 8 and up") << QByteArray::fromHex("020200") << "U" << false << false << 9;
    QTest::newRow("empty reply") << QByteArray() << "NOT SELECTED" << false << false << -1;
}

void DecodeTest::settings()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, standby);
    QFETCH(bool, auto_standby);
    QFETCH(bool, auto_protocol);
    QFETCH(int, protocol_index);
    const decode::Settings result = decode::settings(reply);
    QCOMPARE(result.standby, standby);
    QCOMPARE(result.auto_standby, auto_standby);
    QCOMPARE(result.auto_protocol, auto_protocol);
    QCOMPARE(result.protocol_index, protocol_index);
}

void DecodeTest::active_protocols_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QList<int>>("protocols");
    QTest::newRow("none") << QByteArray::fromHex("0000") << QList<int>();
    QTest::newRow("0x00 0x21") << QByteArray::fromHex("0021") << QList<int>{0, 5};
    QTest::newRow("low byte first, then high") << QByteArray::fromHex("0580") << QList<int>{7, 8, 10};
    QTest::newRow("one byte only") << QByteArray::fromHex("01") << QList<int>{8};
}

void DecodeTest::active_protocols()
{
    QFETCH(QByteArray, reply);
    QFETCH(QList<int>, protocols);
    QCOMPARE(decode::active_protocols(reply), protocols);
}

#include "decode_test.moc"
QObject *make_decode_test() { return new DecodeTest; }
