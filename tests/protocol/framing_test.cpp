// The wire format: report text, chunking, folding received chunks.

#include <QtTest>

#include "device/framing.h"

using namespace framing;

class FramingTest : public QObject
{
    Q_OBJECT
private slots:
    void report_text_has_no_padding_data();
    void report_text_has_no_padding();
    void report_layout();
    void lenient_decoding_data();
    void lenient_decoding();
    void round_trip_every_length();
    void seventeen_bytes_go_in_two_chunks();
    void lower_acknowledgement_resends();
    void answer_that_is_not_an_ack_is_an_error_data();
    void answer_that_is_not_an_ack_is_an_error();
    void fold_data();
    void fold();
    void chunk_beyond_collected_is_an_error();
    void offsets_are_sixteen_bits_big_endian();
};

void FramingTest::report_text_has_no_padding_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("characters");
    QTest::newRow("1 byte") << 1 << 2;
    QTest::newRow("2 bytes") << 2 << 3;
    QTest::newRow("3 bytes") << 3 << 4;
    QTest::newRow("16 bytes") << 16 << 22;
    QTest::newRow("19 bytes, the largest packet") << 19 << 26;
}

void FramingTest::report_text_has_no_padding()
{
    QFETCH(int, length);
    QFETCH(int, characters);
    const QByteArray text = base64_text(QByteArray(length, char(0xA5)));
    QCOMPARE(text.size(), characters);
    QVERIFY(!text.contains('='));
}

void FramingTest::report_layout()
{
    const QByteArray report = output_report(QByteArray::fromHex("090a"));
    QCOMPARE(report.size(), 65);
    QCOMPARE(report.at(0), '\0');
    QCOMPARE(report.mid(1, 3), QByteArray("CQo"));
    QCOMPARE(report.mid(4), QByteArray(61, '\0'));
}

void FramingTest::lenient_decoding_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("packet");
    const QByteArray f0 = QByteArray::fromHex("f0");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("zero padding only") << QByteArray(64, '\0') << QByteArray();
    QTest::newRow("unpadded") << QByteArray("8A") << f0;
    QTest::newRow("with '=' padding") << QByteArray("8A==") << f0;
    QTest::newRow("unpadded, then zeros") << QByteArray("8A").append(QByteArray(62, '\0')) << f0;
    QTest::newRow("padded, then zeros") << QByteArray("8A==").append(QByteArray(60, '\0')) << f0;
    QTest::newRow("stray bytes skipped") << QByteArray("8\n\x01" "A") << f0;
    QTest::newRow("a lone character makes no byte") << QByteArray("8") << QByteArray();
    QTest::newRow("serial number")
        << QByteArray("CjExMDAwMDAwMDAx") << QByteArray::fromHex("0a3131303030303030303031");
}

void FramingTest::lenient_decoding()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, packet);
    QCOMPARE(decode_text(text), packet);
}

void FramingTest::round_trip_every_length()
{
    for (int length = 0; length <= 19; ++length) {
        QByteArray packet;
        for (int i = 0; i < length; ++i)
            packet.append(char(0xFF - i * 13));
        const QByteArray report = output_report(packet);
        QCOMPARE(report.size(), 65);
        QCOMPARE(decode_text(report.mid(1)), packet);
    }
}

void FramingTest::seventeen_bytes_go_in_two_chunks()
{
    QByteArray message;
    for (int i = 0; i < 17; ++i)
        message.append(char(i + 1));

    QCOMPARE(chunk_packet(message, 0), QByteArray::fromHex("dc0000") + message.left(16));
    SendStep step = next_send_step(message, QByteArray::fromHex("dd0010"), 0);
    QVERIFY(!step.error);
    QVERIFY(!step.end);
    QCOMPARE(step.packet, QByteArray::fromHex("dc001011"));
    step = next_send_step(message, QByteArray::fromHex("dd0011"), 16);
    QVERIFY(step.end);
    QCOMPARE(step.packet, QByteArray::fromHex("de0011"));
    QCOMPARE(step.offset, 17);
}

void FramingTest::lower_acknowledgement_resends()
{
    const QByteArray message(40, 'x');
    const SendStep step = next_send_step(message, QByteArray::fromHex("dd0010"), 0);
    QCOMPARE(step.packet, QByteArray::fromHex("dc0010") + QByteArray(16, 'x'));
    const SendStep again = next_send_step(message, QByteArray::fromHex("dd0000"), 16);
    QCOMPARE(again.packet, QByteArray::fromHex("dc0000") + QByteArray(16, 'x'));
}

void FramingTest::answer_that_is_not_an_ack_is_an_error_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("nothing") << QByteArray();
    QTest::newRow("failure") << QByteArray::fromHex("f1");
    QTest::newRow("acknowledgement of a command") << QByteArray::fromHex("f0");
    QTest::newRow("a chunk") << QByteArray::fromHex("dc0000");
    QTest::newRow("offset past the chunk just sent") << QByteArray::fromHex("dd0011");
}

void FramingTest::answer_that_is_not_an_ack_is_an_error()
{
    QFETCH(QByteArray, answer);
    QVERIFY(next_send_step(QByteArray(20, 'x'), answer, 0).error);
}

void FramingTest::fold_data()
{
    QTest::addColumn<QByteArray>("collected");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("next_offset");
    QTest::newRow("first chunk") << QByteArray() << QByteArray::fromHex("dc0000414243") << QByteArray("ABC") << 3;
    QTest::newRow("next chunk") << QByteArray("ABC") << QByteArray::fromHex("dc00034445") << QByteArray("ABCDE") << 5;
    QTest::newRow("repeated chunk replaces the tail")
        << QByteArray("ABCDE") << QByteArray::fromHex("dc00027a") << QByteArray("ABz") << 3;
    QTest::newRow("empty chunk") << QByteArray("AB") << QByteArray::fromHex("dc0002") << QByteArray("AB") << 2;
    QTest::newRow("offset bytes missing count 0") << QByteArray("AB") << QByteArray::fromHex("dc") << QByteArray() << 0;
}

void FramingTest::chunk_beyond_collected_is_an_error()
{
    const Fold result = fold_chunk(QByteArray("ABC"), QByteArray::fromHex("dc00044445"), 2048);
    QVERIFY(result.error);
    QCOMPARE(result.data, QByteArray("ABC"));
    QVERIFY(!fold_chunk(QByteArray("ABC"), QByteArray::fromHex("dc000344"), 2048).error);
    // Past the cap: the reply would run on.
    QVERIFY(fold_chunk(QByteArray("ABC"), QByteArray::fromHex("dc00034445"), 4).error);
    QVERIFY(!fold_chunk(QByteArray("ABC"), QByteArray::fromHex("dc000344"), 4).error);
}

void FramingTest::fold()
{
    QFETCH(QByteArray, collected);
    QFETCH(QByteArray, chunk);
    QFETCH(QByteArray, data);
    QFETCH(int, next_offset);
    const Fold result = fold_chunk(collected, chunk, 2048);
    QCOMPARE(result.data, data);
    QCOMPARE(result.next_offset, next_offset);
}

void FramingTest::offsets_are_sixteen_bits_big_endian()
{
    const Fold result = fold_chunk(QByteArray(284, 'a'), QByteArray::fromHex("dc011c") + QByteArray(16, 'b'), 2048);
    QCOMPARE(result.offset, 284);
    QCOMPARE(result.next_offset, 300);
    QCOMPARE(offset_packet(ack_code, result.next_offset), QByteArray::fromHex("dd012c"));
    QCOMPARE(packet_offset(QByteArray::fromHex("deffff")), 65535);
}

#include "framing_test.moc"
QObject *make_framing_test() { return new FramingTest; }
