#ifndef STATE_RESET_H
#define STATE_RESET_H

// Puts every piece of the window's file-scope state back to its start-up
// value, so each test's window starts as the program's first one does.
void reset_shared_state();

#endif // STATE_RESET_H
