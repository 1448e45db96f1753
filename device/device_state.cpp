#include "device/device_state.h"

#include "server/server_state.h"

bool device_open = false;
bool widgets_cleared = false;
bool USB_first_tick = true;
bool USB_open_error_shown = false;
hid_device_info *device_list = nullptr;
QString enumeration_error;

QString serial_number;
QString hardware_text;
QString firmware_text;
QString device_key;
QString auth_key;
QString config_id;
QString car_brand, car_model, car_engine, car_power, car_torque;
QString software_label;
int drive_mode = -1;
int indication_state = -1;
QString standby_text;
bool auto_standby = false;
bool auto_protocol = false;
int protocol_bit = -1;
int protocol_index = -1;
QList<int> pin_states;

const QString unconfigured_id = QStringLiteral("ROVUncfg_CID");

namespace {
void clear_identity()
{
    serial_number.clear();
    hardware_text.clear();
    firmware_text.clear();
    device_key.clear();
    auth_key.clear();
    forget_device_values();
}
} // namespace

void forget_device_identity()
{
    clear_identity();
    forget_avail_config();
}

void reset_device_state()
{
    device_open = widgets_cleared = USB_open_error_shown = false;
    USB_first_tick = true;
    device_list = nullptr;
    enumeration_error.clear();
    clear_identity();
}

void mark_window_cleared()
{
    device_open = false;
    widgets_cleared = true;
}

void mark_window_filled()
{
    widgets_cleared = false;
}

void forget_device_values()
{
    config_id.clear();
    car_brand.clear();
    car_model.clear();
    car_engine.clear();
    car_power.clear();
    car_torque.clear();
    software_label.clear();
    drive_mode = indication_state = -1;
    standby_text.clear();
    auto_standby = auto_protocol = false;
    protocol_bit = -1;
    protocol_index = -1;
    pin_states.clear();
}
