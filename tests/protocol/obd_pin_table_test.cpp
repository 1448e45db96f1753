// The connector pins of each bus protocol.

#include <QtTest>

#include "device/obd_pin_table.h"

class ObdPinTableTest : public QObject
{
    Q_OBJECT
private slots:
    void pins_data();
    void pins();
};

void ObdPinTableTest::pins_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QList<int>>("pins");
    QTest::newRow("HS CAN") << 0 << QList<int>{6, 14};
    QTest::newRow("15 is HS CAN") << 15 << QList<int>{6, 14};
    QTest::newRow("K L Line") << 4 << QList<int>{7, 15};
    QTest::newRow("OEM 2") << 11 << QList<int>{7, 14};
    QTest::newRow("12 has none") << 12 << QList<int>();
    QTest::newRow("16 is out of range") << 16 << QList<int>();
    QTest::newRow("negative") << -1 << QList<int>();
}

void ObdPinTableTest::pins()
{
    QFETCH(int, protocol);
    QFETCH(QList<int>, pins);
    QCOMPARE(protocol_pins(protocol), pins);
}

#include "obd_pin_table_test.moc"
QObject *make_obd_pin_table_test() { return new ObdPinTableTest; }
