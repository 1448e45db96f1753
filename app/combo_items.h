#ifndef COMBO_ITEMS_H
#define COMBO_ITEMS_H

#include <QString>

class QComboBox;
struct SortedChoices;

// The vehicle boxes hold a placeholder ("BRAND", "MODEL", "ENGINE") at index 0
// and the sorted titles after it, every item centred. Their model is a plain
// list put in place at once: thousands of titles take a fraction of a
// millisecond, where an item per title took tens.

// Clears the box and leaves only its centred placeholder.
void show_placeholder_only(QComboBox *box, const QString &placeholder);

// The placeholder and the choices; an item carries its server-order position.
void show_choices(QComboBox *box, const QString &placeholder, const SortedChoices &choices);

// The server-order position of the chosen item; -1 for the placeholder or none.
int chosen_position(const QComboBox *box);

#endif // COMBO_ITEMS_H
