// Chunked messages both ways. Receiving: every chunk the device sends is folded
// into the reply under a cap. Sending: the device's acknowledgement says where
// the host goes on. The first input byte picks which one is driven.

#include "device/framing.h"
#include "fuzz_support.h"

using namespace framing;

namespace {

// One fold, against what the framing promises.
Fold checked_fold(const QByteArray &collected, const QByteArray &chunk, int cap)
{
    const Fold fold = fold_chunk(collected, chunk, cap);
    const QByteArray payload = chunk.mid(3);
    const auto detail = [&] {
        return QStringLiteral("collected %1 bytes, chunk %2, cap %3").arg(collected.size()).arg(fuzz::hex(chunk)).arg(cap);
    };
    REQUIRE(fold.offset == byte_at(chunk, 1) * 256 + byte_at(chunk, 2), "the offset is bytes 1 and 2, big-endian", detail());
    REQUIRE(fold.next_offset == fold.offset + payload.size(), "the acknowledgement is offset plus payload", detail());
    if (fold.error) {
        REQUIRE(fold.data == collected, "a refused chunk leaves the reply as collected", detail());
        REQUIRE(fold.offset > collected.size() || fold.next_offset > cap, "only a gap or the cap refuse a chunk", detail());
    } else {
        REQUIRE(fold.data.size() <= cap, "a fold never grows a reply past its cap", detail());
        REQUIRE(fold.data.size() == fold.next_offset, "the reply ends where the chunk ends", detail());
        REQUIRE(fold.data.left(fold.offset) == collected.left(fold.offset), "bytes before the chunk stay", detail());
        REQUIRE(fold.data.mid(fold.offset) == payload, "the chunk replaces the tail from its offset", detail());
    }
    return fold;
}

// Cap, first collected bytes, then chunks one after the other, each with its length.
void receive(fuzz::Reader &in)
{
    const int cap = in.u16();
    const fuzz::Exact first = in.field();
    QByteArray reply = first.bytes();
    for (int n = 0; n < 64 && in.remaining() > 0; ++n) {
        const fuzz::Exact chunk = in.field();
        const Fold fold = checked_fold(reply, chunk.bytes(), cap);
        if (!fold.error)
            reply = fold.data;
    }
}

// A long message sent to a device that folds what it gets and acknowledges
// what it holds, or (when the input says so) a lower offset, which makes the
// host send that part again. The device must end up with the message.
void send(fuzz::Reader &in)
{
    const fuzz::Exact message_memory = in.field();
    const QByteArray message = message_memory.bytes().repeated(1 + in.byte() % 8);

    // Any answer to a packet: only an acknowledgement within the message lets it go on.
    const fuzz::Exact answer_memory = in.field();
    const QByteArray answer = answer_memory.bytes();
    const SendStep any = next_send_step(message, answer, 0);
    const int asked = packet_offset(answer);
    REQUIRE(any.error == (byte_at(answer, 0) != ack_code || asked > qMin(chunk_size, int(message.size()))),
            "only an acknowledgement within the first chunk goes on after it", fuzz::hex(answer));
    const int beyond = message.size() + 1 + in.byte();
    REQUIRE(next_send_step(message, offset_packet(ack_code, beyond), 0).error,
            "an acknowledgement past the message's end is an error", QString::number(beyond - message.size()));

    QByteArray held;
    QByteArray packet = chunk_packet(message, 0);
    const int limit = int(in.remaining()) + message.size() / chunk_size + 2;
    for (int step = 0; step <= limit; ++step) {
        REQUIRE(packet.size() <= 3 + chunk_size, "no packet is longer than 19 bytes");
        if (byte_at(packet, 0) == end_code) {
            REQUIRE(packet.size() == 3 && packet_offset(packet) == message.size(), "the end packet gives the length");
            REQUIRE(held == message, "the device holds the whole message at the end",
                    QStringLiteral("held %1 of %2 bytes").arg(held.size()).arg(message.size()));
            return;
        }
        REQUIRE(byte_at(packet, 0) == chunk_code, "the host sends chunks until the end packet");
        const Fold fold = checked_fold(held, packet, 65535);
        REQUIRE(!fold.error, "the host sends only from an offset the device asked for");
        held = fold.data;
        REQUIRE(held == message.left(held.size()), "what the device holds is the message's beginning");

        int ack = held.size();
        if (in.remaining() > 0 && in.flag())
            ack = held.isEmpty() ? 0 : in.u16() % (held.size() + 1);
        const QByteArray ack_packet = offset_packet(ack_code, ack);
        REQUIRE(ack_packet.size() == 3 && packet_offset(ack_packet) == ack, "an acknowledgement carries its offset");
        const SendStep next = next_send_step(message, ack_packet, packet_offset(packet));
        REQUIRE(!next.error && next.offset == ack, "an acknowledgement within the message is followed");
        packet = next.packet;
    }
    REQUIRE(false, "the send ends once the device stops asking for earlier parts",
            QStringLiteral("%1 bytes").arg(message.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool examples = [] {
        REQUIRE(offset_packet(ack_code, 300) == QByteArray::fromHex("dd012c"), "offset 300 goes as 0x01 0x2C");
        const QByteArray seventeen(17, 'x');
        REQUIRE(next_send_step(seventeen, QByteArray::fromHex("dd0010"), 0).packet == QByteArray::fromHex("dc0010") + "x",
                "17 bytes: the second chunk carries the last byte");
        REQUIRE(next_send_step(seventeen, QByteArray::fromHex("dd0011"), 16).packet == QByteArray::fromHex("de0011"),
                "17 bytes: then the end packet");
        return true;
    }();
    (void)examples;

    fuzz::Reader in(data, size);
    if (in.flag())
        send(in);
    else
        receive(in);
    return 0;
}
