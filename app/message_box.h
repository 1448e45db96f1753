#ifndef MESSAGE_BOX_H
#define MESSAGE_BOX_H

#include <QStringList>

#include "app/boxes.h"

// The window's boxes: a box the rules let through (app/boxes.h), shown as a modal
// information box without a parent and with the single button OK; title, text and
// informative text through the window's tr(), the informative text's %1, %2 ...
// filled from `arguments` (null: none).
void display_box(const char *title, const char *text, const char *informative, const QStringList &arguments);

// A box of the running sequence raised while the close question is open waits for
// the answer, so that nothing covers the question. True when it may then be shown
// (no question, or "No"); false after "Yes": the window closes, and it is not.
bool wait_for_question(const char *text);

// A modal question without a parent: title and text through tr(), the buttons
// "Yes" and "No" in the chosen language, "No" the default and the Escape
// answer. True when the answer is "Yes". Never muted.
bool show_box_yes_no(const char *title, const char *text);

#endif // MESSAGE_BOX_H
