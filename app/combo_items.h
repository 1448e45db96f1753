#ifndef COMBO_ITEMS_H
#define COMBO_ITEMS_H

#include <QStringList>

class QComboBox;

// The vehicle boxes hold a placeholder ("BRAND", "MODEL", "ENGINE") at index 0
// and the sorted titles after it, every item centred.

// Clears the box and leaves only its centred placeholder.
void show_placeholder_only(QComboBox *box, const QString &placeholder);

// Clears the box, then the placeholder and `titles` sorted by UTF-16 code
// units (case-sensitive, not by locale), every item centred.
void show_sorted_items(QComboBox *box, const QString &placeholder, const QStringList &titles);

#endif // COMBO_ITEMS_H
