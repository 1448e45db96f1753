#ifndef MESSAGE_BOX_H
#define MESSAGE_BOX_H

#include <QStringList>

// Every message of the configurator: a modal information box without a parent
// and with the single button OK; title and text go through the window's tr().
void show_box(const char *title, const char *text);

// The same box with an informative text under the message, also through tr(), its %1, %2 ...
// filled from `arguments`. A null `informative` shows the plain box.
void show_box(const char *title, const char *text, const char *informative, const QStringList &arguments);

#endif // MESSAGE_BOX_H
