#include "controls/controls_state.h"

bool settings_locked = false;
bool protocol_list_edit = false;

void lock_settings()
{
    settings_locked = true;
}

void unlock_settings()
{
    settings_locked = false;
}

void reset_controls_state()
{
    settings_locked = protocol_list_edit = false;
}
