// Report text: the device's input reports are read leniently (anything outside
// the base64 alphabet skipped, leftover bits dropped); the host's packets go out
// as unpadded base64 in a 65-byte output report.

#include "device/framing.h"
#include "fuzz_support.h"

namespace {

bool in_alphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

QByteArray alphabet_only(const QByteArray &text)
{
    QByteArray kept;
    for (const char c : text)
        if (in_alphabet(c))
            kept.append(c);
    return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::input_bytes(data, size);

    // The input as report text from the device.
    const QByteArray packet = framing::decode_text(input);
    const QByteArray kept = alphabet_only(input);
    REQUIRE(packet.size() == kept.size() * 6 / 8, "four characters make three bytes; leftover bits are dropped",
            QStringLiteral("text %1 gave %2").arg(fuzz::hex(input), fuzz::hex(packet)));
    // Qt's own decoder, given only the alphabet, is the reference.
    REQUIRE(packet == QByteArray::fromBase64(kept), "bytes outside the alphabet are skipped, the rest decodes as base64",
            QStringLiteral("text %1 gave %2").arg(fuzz::hex(input), fuzz::hex(packet)));
    REQUIRE(framing::decode_text(framing::base64_text(packet)) == packet, "re-encoding a decoded packet gives its bytes");

    // The input as a packet the host sends.
    const QByteArray text = framing::base64_text(input);
    REQUIRE(!text.contains('=') && text.size() == (input.size() * 4 + 2) / 3, "report text is unpadded base64",
            QString::fromLatin1(text));
    REQUIRE(framing::decode_text(text) == input, "a packet's text decodes to the packet");
    const QByteArray report = framing::output_report(input);
    REQUIRE(report.size() == framing::output_report_size && report.at(0) == '\0',
            "an output report is 65 bytes with report id 0");
    const QByteArray carried = text.left(framing::output_report_size - 1);
    REQUIRE(report.mid(1, carried.size()) == carried
                && report.mid(1 + carried.size()) == QByteArray(report.size() - 1 - carried.size(), '\0'),
            "the report holds the text, then zeros");
    // 64 characters carry 48 bytes: every packet of the protocol (19 bytes at most) whole.
    REQUIRE(framing::decode_text(report) == input.left(48), "the report's text decodes to the packet",
            QStringLiteral("packet %1").arg(fuzz::hex(input)));
    return 0;
}
