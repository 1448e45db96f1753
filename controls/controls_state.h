#ifndef CONTROLS_STATE_H
#define CONTROLS_STATE_H

// Set while the window shows no identified device: the protocol and
// automatic-standby handlers then ignore the changes made while filling it.
extern bool settings_locked;
// Set while the automatic-protocol handler edits the protocol list itself.
extern bool protocol_list_edit;

// While the window is filled from a device's answers, and until it shows an
// identified device, the settings handlers ignore what changes.
void lock_settings();
void unlock_settings();

// Puts every variable above back to its start-up value.
void reset_controls_state();

#endif // CONTROLS_STATE_H
