#ifndef SETTINGS_WORD_H
#define SETTINGS_WORD_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The device's settings word: 0x32, flags, protocol mask high byte, low byte.
//   flags as protocol.h names them (standby S or U, automatic standby, automatic
//         protocol: the mask is then 0x00 0x00)
//   mask  one bit: 1 << protocol number, high byte first
namespace settings_word {

struct Choice {
    bool auto_standby = false;
    bool standby_u = false;   // U is the selected standby mode
    bool standby_s = false;   // S is the selected standby mode
    bool auto_protocol = false;
    int protocol = -1;        // protocol number when not automatic
};

// The flags byte; 0x00 when no standby mode is chosen at all.
int flags(const Choice &choice);

// The four-byte message.
QByteArray message(const Choice &choice);

// The protocol number of a protocol list item, found by its name, so that a
// "NOT SELECTED" item at the top of the list cannot shift it; -1 when the
// text is no protocol name.
int protocol_number(const QString &item_text, const QStringList &protocol_names);

} // namespace settings_word

#endif // SETTINGS_WORD_H
