#ifndef CTL_MATCHING_H
#define CTL_MATCHING_H

#include <QList>
#include <QString>
#include <QStringList>

// Names typed on the command line found in the lists they name: protocol names
// and the catalogue's titles.
namespace ctl {

// The protocol number of a typed name: case-insensitive, a '-' standing for a
// space ("hs-can" is "HS CAN"); -1 when no protocol has that name.
int protocol_by_name(const QString &word, const QStringList &names);

// A protocol name as one shell word: its spaces written as '-'.
QString protocol_word(const QString &name);

// Positions (server order) of the items named `wanted`: those equal to it in
// `titles` or `others` (the second list may be empty); when none is equal, those
// equal ignoring case. Empty when nothing matches.
QList<int> matching_positions(const QString &wanted, const QStringList &titles,
                              const QStringList &others = QStringList());

// A few titles near `wanted`, for the message about an unknown one: those that
// contain it or start like it, ignoring case, at most `limit`, without repeats.
QStringList suggestions(const QString &wanted, const QStringList &titles, int limit = 5);

} // namespace ctl

#endif // CTL_MATCHING_H
