// The packet trace never shows the device's serial number or key.

#include <QtTest>

#include "device/trace_mask.h"

class TraceMaskTest : public QObject
{
    Q_OBJECT
private slots:
    void hides_secrets();
};

void TraceMaskTest::hides_secrets()
{
    using trace_mask::packet_hex;
    // A reply to the serial or key query: only the framing shows.
    QCOMPARE(packet_hex(QByteArray("\x0a" "1100", 5), {}, true), "0a ** ** ** **");
    QCOMPARE(packet_hex(QByteArray::fromHex("dc0010") + "KEY", {}, true), "dc 00 10 ** ** **");
    QCOMPARE(packet_hex(QByteArray::fromHex("de0013"), {}, true), "de 00 13");
    // Elsewhere, every occurrence of a known secret.
    QCOMPARE(packet_hex(QByteArray("\x14" "xSECy", 6), {"SEC"}, false), "14 78 ** ** ** 79");
    QCOMPARE(packet_hex(QByteArray::fromHex("f0"), {"SEC"}, false), "f0");
}

#include "trace_mask_test.moc"
QObject *make_trace_mask_test() { return new TraceMaskTest; }
