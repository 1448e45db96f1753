#ifndef FRAMING_H
#define FRAMING_H

#include <QByteArray>

// The wire format between the configurator and the device. Every transfer is
// one output report (65 bytes: report id 0, then base64 text, zero padded) and
// one input report (64 bytes of base64 text, zero padded). A packet is a whole
// message of up to 16 bytes, or one of:
//   chunk  0xDC hi lo + up to 16 message bytes from offset hi*256+lo
//   ack    0xDD hi lo  (holds the message up to that offset, wants the rest)
//   end    0xDE hi lo  (the chunked message is complete; its length)
namespace framing {

constexpr int chunk_size = 16;
constexpr int output_report_size = 65;
constexpr int input_report_size = 64;
// The largest message the 16-bit offsets can address.
constexpr int max_message = 65535;

// Base64 characters for `bytes` bytes, without '=' padding.
constexpr int base64_length(int bytes)
{
    return (bytes * 4 + 2) / 3;
}
// The largest packet, a chunk (three framing bytes and chunk_size message bytes), fits the
// text of one report either way, so every packet travels in exactly one report.
constexpr int largest_packet = 3 + chunk_size;
static_assert(base64_length(largest_packet) <= output_report_size - 1, "a packet outgrows the output report");
static_assert(base64_length(largest_packet) <= input_report_size, "a packet outgrows the input report");
static_assert(max_message == 0xFFFF, "offsets are 16 bits");

constexpr unsigned char chunk_code = 0xDC;
constexpr unsigned char ack_code = 0xDD;
constexpr unsigned char end_code = 0xDE;
constexpr unsigned char command_ok = 0xF0;
constexpr unsigned char failure = 0xF1;
constexpr unsigned char connection_failure = 0xF3;

// Base64 text of a packet, standard alphabet, without '=' padding.
QByteArray base64_text(const QByteArray &packet);

// The 65-byte output report that carries `packet`.
QByteArray output_report(const QByteArray &packet);

// Decodes report text leniently: bytes outside the base64 alphabet (zero
// padding, '=', anything else) are skipped and trailing bits that do not make
// a whole byte are dropped, so unpadded text decodes as well as padded text.
QByteArray decode_text(const QByteArray &text);

// Byte `index` of `bytes` as an unsigned value; a missing byte counts as 0.
int byte_at(const QByteArray &bytes, int index);

// The 16-bit big-endian offset in bytes 1 and 2 of a chunk, ack or end packet.
int packet_offset(const QByteArray &packet);

// code, hi(offset), lo(offset)
QByteArray offset_packet(unsigned char code, int offset);

// 0xDC hi lo followed by up to 16 bytes of `message` from `offset`.
QByteArray chunk_packet(const QByteArray &message, int offset);

// The next packet of a chunked send, given the device's answer to the chunk
// just sent from `sent_offset`. The device always says from which offset it
// wants the message: a lower offset than before makes the earlier chunk go
// once more. It cannot hold more than it was sent, so an offset past the end
// of that chunk is an error, not a skip.
struct SendStep {
    bool error = false;  // not an acknowledgement, or one past the chunk just sent
    bool end = false;    // `packet` is the end packet
    int offset = 0;      // offset the device asked for
    QByteArray packet;
};
SendStep next_send_step(const QByteArray &message, const QByteArray &answer, int sent_offset);

// Folds a received chunk packet into the reply collected so far: a chunk whose
// offset lies inside the collected bytes replaces the tail from there. A chunk
// that starts beyond the collected bytes would leave a hole, and one that would
// take the reply past `cap` bytes never ends: both are errors, and `data` then
// stays as collected.
struct Fold {
    bool error = false;  // a gap before the chunk, or the reply past its cap
    QByteArray data;     // the reply collected so far, with the chunk in it
    int offset = 0;      // the chunk's offset
    int next_offset = 0; // offset + payload length: the acknowledgement to send
};
Fold fold_chunk(const QByteArray &collected, const QByteArray &chunk, int cap);

} // namespace framing

#endif // FRAMING_H
