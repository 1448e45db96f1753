// The packet trace: the serial number and key never show, in any packet; every
// other byte shows as two hex digits.

#include <QStringList>
#include <QVector>
#include <vector>

#include "device/trace_mask.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Reader in(data, size);
    const int flags = in.byte();
    const bool secret_payload = flags & 1;
    std::vector<fuzz::Exact> memory;
    QList<QByteArray> secrets;
    for (int n = (flags >> 1) & 3; n > 0; --n) {
        memory.push_back(in.field());
        secrets << memory.back().bytes();
    }
    const fuzz::Exact packet_memory = in.rest();
    const QByteArray packet = packet_memory.bytes();

    const QString trace = trace_mask::packet_hex(packet, secrets, secret_payload);
    const QStringList tokens = packet.isEmpty() ? QStringList() : trace.split(QLatin1Char(' '));
    REQUIRE(tokens.size() == packet.size(), "one token per byte", trace);

    // What must be hidden: the payload of a secret reply, and each whole
    // occurrence of a secret of three bytes or more.
    QVector<bool> hidden(packet.size(), false);
    if (secret_payload) {
        const int code = packet.isEmpty() ? 0 : static_cast<unsigned char>(packet[0]);
        const int framing = code == 0xDC || code == 0xDD || code == 0xDE ? 3 : 1;
        for (int i = framing; i < packet.size(); ++i)
            hidden[i] = true;
    }
    for (const QByteArray &secret : secrets)
        if (secret.size() >= 3)
            for (int at = 0; at + secret.size() <= packet.size(); ++at)
                if (packet.mid(at, secret.size()) == secret)
                    for (int i = at; i < at + secret.size(); ++i)
                        hidden[i] = true;

    for (int i = 0; i < packet.size(); ++i) {
        const QString shown = QStringLiteral("%1").arg(static_cast<unsigned char>(packet[i]), 2, 16, QLatin1Char('0'));
        REQUIRE(tokens[i] == (hidden[i] ? QStringLiteral("**") : shown),
                hidden[i] ? "a secret byte never shows" : "a byte that is no secret shows as two hex digits",
                QStringLiteral("byte %1 of %2 -> %3").arg(i).arg(fuzz::hex(packet), trace));
    }
    return 0;
}
