#ifndef CTL_RECORD_VIEW_H
#define CTL_RECORD_VIEW_H

#include <QJsonObject>
#include <QString>

#include "app/record_format.h"

// A recording as a person reads it in a bug report: its header, then one line per
// packet, request, reply or box with the time in seconds, the direction, the
// message code and what it means where known. Packets carry the number a replay's
// report gives them (#1 the first packet either way).
namespace ctl {

QString record_text(const record_format::Recording &recording);
// The same for a program: {"header": {...}, "events": [{"t": ms, "kind": ..., fields...}]}.
QJsonObject record_json(const record_format::Recording &recording);

// What a packet is: "query serial number", "chunk at 32", "ok", ...; `query` is the
// code of the last query the host sent (its reply echoes it), -1 for none.
QString packet_meaning(const QByteArray &packet, bool from_host, int query);

} // namespace ctl

#endif // CTL_RECORD_VIEW_H
