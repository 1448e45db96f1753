#include "app/ctl/settings_change.h"

namespace ctl {

settings_word::Choice settings_choice(const HeldSettings &held, const Arguments &change)
{
    settings_word::Choice choice;
    choice.auto_standby = held.auto_standby;
    choice.standby_u = held.standby == QLatin1String("U");
    choice.standby_s = held.standby == QLatin1String("S");
    choice.auto_protocol = held.auto_protocol;
    choice.protocol = held.protocol;
    if (change.field == Field::Standby) {
        choice.auto_standby = change.standby == Standby::Auto;
        if (!choice.auto_standby) {
            choice.standby_u = change.standby == Standby::U;
            choice.standby_s = change.standby == Standby::S;
        }
    } else if (change.field == Field::Protocol) {
        choice.auto_protocol = change.protocol < 0;
        if (!choice.auto_protocol)
            choice.protocol = change.protocol;
    }
    return choice;
}

} // namespace ctl
