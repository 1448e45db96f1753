#include "state_reset.h"

#include "app/app_state.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "device/usb_state.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"

void reset_shared_state()
{
    reset_app_state();
    reset_usb_state();
    reset_device_state();
    reset_server_state();
    reset_tuning_state();
    reset_controls_state();
}
