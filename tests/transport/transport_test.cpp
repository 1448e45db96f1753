// The HID transport through the simulated device: what goes on the wire,
// chunking both ways, every failure with exactly its one box, garbage.

#include <QtTest>
#include <QLabel>

#include "app/logging.h"
#include "app/mainwindow.h"
#include "device/device_state.h"
#include "device/framing.h"
#include "device/usb_state.h"
#include "sim_bus.h"
#include "support/rig.h"
#include "support/trace_capture.h"

Q_DECLARE_METATYPE(SimFault)

namespace {

QByteArray numbered(int length, char code)
{
    QByteArray message(1, code);
    for (int i = 1; i < length; ++i)
        message.append(char('a' + i % 26));
    return message;
}

QList<QByteArray> host_packets(const SimDevice *device)
{
    QList<QByteArray> packets;
    for (const WirePacket &packet : device->wire())
        if (packet.direction == WirePacket::HostToDevice)
            packets << packet.bytes;
    return packets;
}

const QString no_connection = "Error! / No connection! Please reconnect device!";
const QString transmission = "Error! / Transmission error! Please reconnect device!";
const QString connection = "Error! / Connection error! Please reconnect device!";
const QString write_error = "Error! / USB write error! Please reconnect device!";

} // namespace

class TransportTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void messages_on_the_wire_data();
    void messages_on_the_wire();
    void long_reply_is_acknowledged_and_decoded();
    void lower_acknowledgement_resends_the_chunk();
    void failures_show_exactly_one_box_data();
    void failures_show_exactly_one_box();
    void write_error_shows_once_per_connection();
    void oversized_message_is_refused_before_sending();
    void reply_with_another_code_fails();
    void late_answer_within_the_limit_is_taken();
    void answer_after_the_time_out_is_read_away();
    void chunk_after_a_gap_fails();
    void acknowledgement_past_the_end_fails();
    void acknowledgement_ahead_of_the_chunk_fails();
    void garbage_ends_the_exchange_data();
    void garbage_ends_the_exchange();
    void window_stays_live_during_an_exchange();
    void trace_is_off_by_default_and_lists_packets();
    void trace_masks_a_secret_split_across_packets();

private:
    std::unique_ptr<Rig> rig;
    SimDevice *device = nullptr;
};

void TransportTest::init()
{
    rig = std::make_unique<Rig>();
    device = rig->plug(unconfigured_device());
    rig->open_window();
    QVERIFY(rig->wait_identified());
    rig->boxes.clear();       // the limit request to a closed port fails
    device->clear_log();
}

void TransportTest::cleanup()
{
    rig.reset();
}

void TransportTest::messages_on_the_wire_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("packets");
    const QByteArray m16 = numbered(16, 0x15);
    const QByteArray m17 = numbered(17, 0x15);
    QTest::newRow("1 byte") << QByteArray(1, 0x03) << QStringList{"03"};
    QTest::newRow("16 bytes: one plain packet") << m16 << hex({m16});
    QTest::newRow("17 bytes: two chunks and the end")
        << m17 << hex({QByteArray::fromHex("dc0000") + m17.left(16), QByteArray::fromHex("dc0010") + m17.mid(16),
                       QByteArray::fromHex("de0011")});
    const QByteArray m300 = numbered(300, 0x15);
    QList<QByteArray> chunks;
    for (int offset = 0; offset < 300; offset += 16)
        chunks << QByteArray::fromHex(QByteArray::number(0xDC0000 + offset, 16)) + m300.mid(offset, 16);
    chunks << QByteArray::fromHex("de012c");
    QTest::newRow("300 bytes: 19 chunks, end at 0x01 0x2C") << m300 << hex(chunks);
}

void TransportTest::messages_on_the_wire()
{
    QFETCH(QByteArray, message);
    QFETCH(QStringList, packets);
    QVERIFY(rig->exchange(message));
    QCOMPARE(hex(host_packets(device)), packets);
    QCOMPARE(device->messages(), QList<QByteArray>{message});
    QCOMPARE(rig->boxes.count(), 0);
}

void TransportTest::long_reply_is_acknowledged_and_decoded()
{
    const QByteArray serial = "1000000002-with-a-long-tail-for-chunks";
    device->add_fault(SimFault::reply(QByteArray(1, 10) + serial, QByteArray::fromHex("090a")));
    QVERIFY(rig->exchange(QByteArray::fromHex("090a")));
    QCOMPARE(hex(host_packets(device)), (QStringList{"09 0a", "dd 00 10", "dd 00 20", "dd 00 27"}));
    QCOMPARE(serial_number, QString::fromLatin1(serial));
    QCOMPARE(rig->probe().text("label_serial_number"), QString::fromLatin1(serial));
}

void TransportTest::lower_acknowledgement_resends_the_chunk()
{
    const QByteArray message = numbered(40, 0x16);
    device->add_fault(SimFault::lower_ack());
    QVERIFY(rig->exchange(message));
    const QList<QByteArray> packets = host_packets(device);
    // A chunk the device did not take goes once more; the device holds the whole message.
    QVERIFY(packets.size() > 4);
    QVERIFY(QSet<QByteArray>(packets.begin(), packets.end()).size() < packets.size());
    QCOMPARE(packets.last(), QByteArray::fromHex("de0028"));
    QCOMPARE(device->messages(), QList<QByteArray>{message});
}

void TransportTest::failures_show_exactly_one_box_data()
{
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("box");
    QTest::newRow("no answer to a command") << SimFault::no_answer(100) << QByteArray(1, 0x21) << no_connection;
    QTest::newRow("no answer to a query") << SimFault::no_answer(100) << QByteArray::fromHex("090a") << no_connection;
    QTest::newRow("no answer to a chunk") << SimFault::no_answer(100) << numbered(40, 0x15) << no_connection;
    QTest::newRow("0xF1 to a command") << SimFault::fail() << QByteArray(1, 0x24) << transmission;
    QTest::newRow("0xF1 0xF3 to a command") << SimFault::fail_connection() << QByteArray(1, 0x24) << connection;
    QTest::newRow("0xF1 to a query") << SimFault::fail() << QByteArray::fromHex("090b") << transmission;
    QTest::newRow("0xF1 0xF3 to a query") << SimFault::fail_connection() << QByteArray::fromHex("090b") << connection;
    QTest::newRow("chunked reply starting 0xF1")
        << SimFault::chunked_fail() << QByteArray::fromHex("090a") << transmission;
    QTest::newRow("chunked reply starting 0xF1 0xF3")
        << SimFault::chunked_fail(QByteArray(1, char(0xF3))) << QByteArray::fromHex("090a") << connection;
    QTest::newRow("0xF1 instead of an acknowledgement") << SimFault::fail() << numbered(40, 0x15) << transmission;
}

void TransportTest::failures_show_exactly_one_box()
{
    QFETCH(SimFault, fault);
    QFETCH(QByteArray, message);
    QFETCH(QString, box);
    device->add_fault(fault);
    QVERIFY(!rig->exchange(message));
    QVERIFY(USB_error);
    QCOMPARE(rig->boxes.texts(), QStringList{box});
    // The next exchange starts clean and works.
    device->clear_faults();
    rig->boxes.clear();
    QVERIFY(rig->exchange(QByteArray(1, 0x03)));
    QCOMPARE(rig->boxes.count(), 0);
}

void TransportTest::write_error_shows_once_per_connection()
{
    rig->unplug(device);
    TraceCapture trace("orv.usb");
    QVERIFY(!rig->exchange(QByteArray(1, 0x03)));
    trace.stop();
    // hidapi's own text of the failure goes to the trace.
    QVERIFY2(trace.lines().contains("write failed: The device has been disconnected."), qPrintable(trace.text()));
    QVERIFY(!rig->exchange(QByteArray(1, 0x21)));
    QVERIFY(USB_error);
    QCOMPARE(rig->boxes.texts(), QStringList{write_error});
    // Nothing waited for a reply: the read timer never ran out.
    QCOMPARE(RX_miss_count, 0);
}

void TransportTest::oversized_message_is_refused_before_sending()
{
    QVERIFY(!rig->exchange(numbered(65536, 0x1E)));
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Message too long for the device! Nothing was sent."});
    QVERIFY(device->wire().isEmpty());
    // The largest message the offsets can carry is not refused: its first
    // chunk goes (unanswered, so that the test need not send all 4,096).
    rig->boxes.clear();
    device->add_fault(SimFault::no_answer());
    QVERIFY(!rig->exchange(numbered(65535, 0x1E)));
    QCOMPARE(rig->boxes.texts(), QStringList{no_connection});
    QCOMPARE(hex(host_packets(device)).value(0).left(8), QStringLiteral("dc 00 00"));
}

// A reply to another query is not the answer: taken for it, the value asked
// for would keep whatever it held before.
void TransportTest::reply_with_another_code_fails()
{
    device->add_fault(SimFault::reply(QByteArray::fromHex("0b0102030405")));
    const QString before = hardware_text;
    QVERIFY(!rig->exchange(QByteArray::fromHex("090a")));
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Transmission error! Please reconnect device!"});
    QCOMPARE(hardware_text, before);
}

void TransportTest::late_answer_within_the_limit_is_taken()
{
    device->add_fault(SimFault::late(15));
    QVERIFY(rig->exchange(QByteArray::fromHex("090c")));
    QCOMPARE(rig->boxes.count(), 0);
    QCOMPARE(firmware_text, QStringLiteral("1.0.3.0.12"));
}

void TransportTest::answer_after_the_time_out_is_read_away()
{
    device->add_fault(SimFault::late(20, QByteArray::fromHex("090b")));
    QVERIFY(!rig->exchange(QByteArray::fromHex("090b")));
    QCOMPARE(rig->boxes.texts(), QStringList{no_connection});
    // The hardware answer came after the time-out: it is not taken for the firmware's.
    firmware_text.clear();
    QVERIFY(rig->exchange(QByteArray::fromHex("090c")));
    QCOMPARE(firmware_text, QStringLiteral("1.0.3.0.12"));
}

void TransportTest::chunk_after_a_gap_fails()
{
    // A first chunk at offset 16: bytes 0 to 15 never came.
    device->add_fault(SimFault::reply(QByteArray::fromHex("dc0010") + "abc"));
    QVERIFY(!rig->exchange(QByteArray::fromHex("090a")));
    QCOMPARE(rig->boxes.texts(), QStringList{transmission});
    // Nothing acknowledged the chunk as if the gap were there.
    QCOMPARE(host_packets(device).size(), 1);
}

void TransportTest::acknowledgement_past_the_end_fails()
{
    device->add_fault(SimFault::ack_past_end());
    QVERIFY(!rig->exchange(numbered(40, 0x14)));
    QCOMPARE(rig->boxes.texts(), QStringList{transmission});
    // One chunk went, and no end packet claimed the message complete.
    QCOMPARE(host_packets(device).size(), 1);
}

void TransportTest::acknowledgement_ahead_of_the_chunk_fails()
{
    // After the first 16 bytes the device asks for byte 48: bytes 16 to 47 would never go.
    device->add_fault(SimFault::ack_ahead());
    QVERIFY(!rig->exchange(numbered(100, 0x15)));
    QCOMPARE(rig->boxes.texts(), QStringList{transmission});
    QVERIFY(device->messages().isEmpty());
}

void TransportTest::garbage_ends_the_exchange_data()
{
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("error");
    using G = SimFault::GarbageKind;
    QTest::newRow("random report to a command") << SimFault::garbage_reply(G::RandomBytes) << QByteArray(1, 0x03) << true;
    QTest::newRow("invalid base64 to a command") << SimFault::garbage_reply(G::InvalidBase64) << QByteArray(1, 0x03) << true;
    QTest::newRow("invalid base64 to a query") << SimFault::garbage_reply(G::InvalidBase64) << QByteArray::fromHex("090a") << true;
    QTest::newRow("chunk at a bad offset") << SimFault::garbage_reply(G::BadOffset) << QByteArray::fromHex("090a") << true;
    QTest::newRow("endless chunks") << SimFault::garbage_reply(G::EndlessChunks) << QByteArray::fromHex("090a") << true;
}

void TransportTest::garbage_ends_the_exchange()
{
    QFETCH(SimFault, fault);
    QFETCH(QByteArray, message);
    QFETCH(bool, error);
    device->add_fault(fault);
    QCOMPARE(!rig->exchange(message), error);
    QVERIFY(rig->boxes.count() <= 1);
    QVERIFY(RX_data.size() <= USB_max_reply + framing::chunk_size);
    device->clear_faults();
    rig->boxes.clear();
    QVERIFY(rig->exchange(QByteArray(1, 0x03)));
}

void TransportTest::window_stays_live_during_an_exchange()
{
    // A 1 ms timer keeps ticking while a chunked message of ten round trips goes.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = qMax(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    ticker.start(1);
    QVERIFY(rig->exchange(numbered(150, 0x15)));
    ticker.stop();
    // A blocking 50 ms pause per read would show here; generous for slow machines.
    QVERIFY2(longest < 40, qPrintable(QString::number(longest)));
    // And each round trip still waits at least 50 ms for the device.
    QVERIFY(clock.elapsed() >= 11 * 50);
}

void TransportTest::trace_is_off_by_default_and_lists_packets()
{
    TraceCapture trace("orv.usb", false);
    QVERIFY(!orv_usb().isDebugEnabled());
    QVERIFY(rig->exchange(QByteArray(1, 0x03)));
    QVERIFY(trace.lines().isEmpty());

    trace.switch_on();
    QVERIFY(rig->exchange(QByteArray::fromHex("090c")));
    trace.stop();
    const QStringList &lines = trace.lines();
    QVERIFY(lines.contains("H>D 09 0c"));
    QVERIFY(lines.filter("D>H").size() == 1);
    QVERIFY(lines.contains("exchange ended: ok"));
}

void TransportTest::trace_masks_a_secret_split_across_packets()
{
    // The key in the reply to another query, across the first chunk's end.
    const QByteArray key = device_key.toUtf8();
    QVERIFY(key.size() >= 8);
    device->add_fault(SimFault::reply(QByteArray(1, 0x14) + "0123456789" + key, QByteArray::fromHex("0914")));
    TraceCapture capture("orv.usb");
    QVERIFY(rig->exchange(QByteArray::fromHex("0914")));
    capture.stop();
    const QString trace = capture.text();
    for (int i = 0; i + 4 <= key.size(); i += 4)
        QVERIFY2(!trace.contains(QString::fromLatin1(key.mid(i, 4).toHex(' '))), qPrintable(trace));
}

QTEST_MAIN(TransportTest)
#include "transport_test.moc"
