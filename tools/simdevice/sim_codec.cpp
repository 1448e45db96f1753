#include "sim_codec.h"

#include <algorithm>
#include <cstring>

namespace sim_wire {

namespace {
const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}  // namespace

QByteArray base64_encode(const QByteArray &bytes)
{
    QByteArray out;
    quint32 bits = 0;
    int nbits = 0;
    for (char c : bytes) {
        bits = (bits << 8) | quint8(c);
        nbits += 8;
        while (nbits >= 6) {
            nbits -= 6;
            out.append(alphabet[(bits >> nbits) & 0x3F]);
        }
    }
    if (nbits > 0)
        out.append(alphabet[(bits << (6 - nbits)) & 0x3F]);
    return out;
}

QByteArray base64_decode(const QByteArray &text)
{
    QByteArray out;
    quint32 bits = 0;
    int nbits = 0;
    for (char c : text) {
        const char *p = c ? std::strchr(alphabet, c) : nullptr;
        if (!p)
            continue;  // padding, '=' and noise carry no bits
        bits = (bits << 6) | quint32(p - alphabet);
        nbits += 6;
        if (nbits >= 8) {
            nbits -= 8;
            out.append(char((bits >> nbits) & 0xFF));
        }
    }
    return out;  // bits that do not make a whole byte are dropped
}

QByteArray make_report(const QByteArray &packet)
{
    QByteArray report(report_size, '\0');
    const QByteArray text = base64_encode(packet);
    std::memcpy(report.data(), text.constData(), size_t(std::min<int>(text.size(), report_size)));
    return report;
}

QByteArray checksum_bytes(quint64 sum)
{
    QByteArray hex = QByteArray::number(sum, 16);
    while (hex.size() < 4)
        hex.prepend('0');
    QByteArray out;
    for (int end = hex.size(); end >= 2; end -= 2)
        out.append(char(hex.mid(end - 2, 2).toInt(nullptr, 16)));
    return out;
}

}  // namespace sim_wire
