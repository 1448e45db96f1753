#include "controls/controls_state.h"

bool settings_locked = false;
bool protocol_list_edit = false;
