#include "sim_codec.h"

#include <algorithm>
#include <cstring>

namespace sim_wire {

QByteArray make_report(const QByteArray &packet)
{
    QByteArray report(report_size, '\0');
    // The device sends no '=' padding.
    const QByteArray text = packet.toBase64(QByteArray::OmitTrailingEquals);
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
