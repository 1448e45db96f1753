#ifndef TRACE_MASK_H
#define TRACE_MASK_H

#include <QByteArray>
#include <QList>
#include <QString>

// The device's serial number and key are credentials for the server: the
// packet trace never shows them, in any form.
namespace trace_mask {

// Hex text of a packet for the trace. With `secret_payload` (a reply to the
// serial number or key query) only the framing stays readable: the echoed code
// of a single packet, or the three bytes of a chunk, ack or end packet; every
// other byte shows as "**". Besides, each whole occurrence of a secret (three
// bytes or longer) anywhere in the packet shows as "**" per byte.
QString packet_hex(const QByteArray &packet, const QList<QByteArray> &secrets, bool secret_payload);

} // namespace trace_mask

#endif // TRACE_MASK_H
