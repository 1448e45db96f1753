#ifndef COMBO_ITEMS_H
#define COMBO_ITEMS_H

#include <QStringList>

class QComboBox;

// The vehicle boxes hold a placeholder ("BRAND", "MODEL", "ENGINE") at index 0
// and the sorted titles after it, every item centred.

// Clears the box and leaves only its centred placeholder.
void show_placeholder_only(QComboBox *box, const QString &placeholder);

// Clears the box, then the placeholder and `titles` sorted by UTF-16 code
// units (case-sensitive, not by locale), every item centred. An item shows its
// title cut to a sane length and carries the position in `titles` (server
// order) of the first equal title, which leads back to its server id.
void show_sorted_items(QComboBox *box, const QString &placeholder, const QStringList &titles);

// The server-order position of the chosen item; -1 for the placeholder or none.
int chosen_position(const QComboBox *box);

#endif // COMBO_ITEMS_H
