#ifndef CTL_SETTINGS_CHANGE_H
#define CTL_SETTINGS_CHANGE_H

#include <QString>

#include "app/ctl/arguments.h"
#include "controls/settings_word.h"

namespace ctl {

// The standby and protocol the device holds (device/device_state.h).
struct HeldSettings
{
    bool auto_standby = false;
    QString standby;         // "U", "S" or "NOT SELECTED"
    bool auto_protocol = false;
    int protocol = -1;       // protocol number, -1 none
};

// The whole settings word for a `set standby` or `set protocol`: what the device
// holds with only the named field changed.
settings_word::Choice settings_choice(const HeldSettings &held, const Arguments &change);

} // namespace ctl

#endif // CTL_SETTINGS_CHANGE_H
