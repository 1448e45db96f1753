#ifndef MESSAGE_BOX_H
#define MESSAGE_BOX_H

class QString;

// Every message of the configurator: a modal information box without a parent
// and with the single button OK; title and text go through the window's tr().
void show_box(const char *title, const char *text);

#endif // MESSAGE_BOX_H
