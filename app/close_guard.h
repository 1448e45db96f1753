#ifndef CLOSE_GUARD_H
#define CLOSE_GUARD_H

class QWidget;

// Closing the window while a sequence writes into the device would leave the
// device half-written, and closing while an installation's report is on its way
// would leave the installed vehicle unreported, so the window asks first
// ("Warning"). "No" keeps it open and the sequence goes on untouched; a box it
// raises meanwhile waits for the answer. "Yes", or any close while nothing is
// being written or reported, lets the window close; from then on nothing more
// goes to the device or the server: the exchange or request in flight ends as
// abandoned (one that was answered before the close stands), and the sequence
// on the stack unwinds without a box. The program
// then ends the way it always does (the window's destructor closes the device
// and shuts the HID library down).
//
// An event filter on the window, installed once by its constructor; it also
// opens the device link and the server for the new window.
void install_close_guard(QWidget *window);

#endif // CLOSE_GUARD_H
