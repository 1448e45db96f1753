#ifndef WAIT_H
#define WAIT_H

#include <QtGlobal>

// The window waits for one thing at a time: a device exchange, a server request
// or a short pause. The waiter opens a wait and gets its ticket, starts the work,
// then runs the one nested loop `wait_loop` until the work ends the wait with
// that same ticket. A ticket that is no longer the open one ends nothing, so a
// server reply can never end a device wait, and a reply that arrives late can
// never end a later wait. A wait may be ended before it is run (a write that
// fails at once): running it then returns at once.
//
// Qt cannot nest one QEventLoop inside itself (exec() on a running loop returns
// at once), so a second wait is refused while one is open; sequences take turns
// through SequenceGuard (app/sequence_guard.h) long before that.

using WaitTicket = quint64;

// Opens a wait. Returns 0 (no wait) when another wait is still open.
WaitTicket wait_open();

// Ends the wait `ticket` if it is the open one; otherwise does nothing.
void wait_end(WaitTicket ticket);

// Runs the nested loop until `ticket` is ended. Returns true when it was ended
// by its owner, false when the ticket was not the open one or the loop was
// left for another reason (the application is quitting). The wait is closed
// in every case.
bool wait_run(WaitTicket ticket);

// A pause of `ms` milliseconds during which the window stays live.
// Returns false when it could not wait (another wait open, application quitting).
bool wait_pause(int ms);

#endif // WAIT_H
