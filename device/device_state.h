#ifndef DEVICE_STATE_H
#define DEVICE_STATE_H

#include <QList>
#include <QString>

struct hid_device_info;

// What the window knows of the connected device.
extern bool device_open;            // a device is open
extern bool widgets_cleared;        // the window shows its no-device state
extern bool USB_first_tick;         // the next presence tick is the first since start-up
extern bool USB_open_error_shown;   // the open-failure box was shown since the last open
extern hid_device_info *device_list;
extern QString enumeration_error;   // hidapi's text for the last enumeration that found nothing

// Decoded from the device's replies.
extern QString serial_number;       // query 0x0A; first two characters give the model
extern QString hardware_text;       // query 0x0B
extern QString firmware_text;       // query 0x0C
extern QString device_key;          // query 0x0D
extern QString auth_key;            // device_key percent-encoded, for the server's authKey
extern QString config_id;           // query 0x14; "ROVUncfg_CID" = no vehicle configured
extern QString car_brand, car_model, car_engine, car_power, car_torque; // queries 0x15-0x19
extern QString software_label;      // query 0x1A
extern int drive_mode;              // query 0x1C: 0 stock, 1 eco, 2 dynamic; -1 = not read
extern int indication_state;        // query 0x34: 1 on, 0 off, -1 = not read
extern QString standby_text;        // query 0x32: "U", "S" or "NOT SELECTED"
extern bool auto_standby;           // query 0x32: standby chosen by the device
extern bool auto_protocol;          // query 0x32: protocol chosen by the device
extern int protocol_bit;            // query 0x32: lowest protocol bit set, -1 = none
extern int protocol_index;          // query 0x32: selected protocol number, -1 = none
extern QList<int> pin_states;       // query 0x33: protocol numbers active on the bus

// Forgets every value read from a device (and the count the server gave for
// it), so nothing of one device can be taken for another's.
void forget_device_identity();

// What other folders may change of this state.
void mark_window_cleared();         // the window shows no device: none is open
void mark_window_filled();          // the window shows the identified device
// The values the window shows of the device and reads again after a write that
// did not end well: the stored vehicle, standby, protocol and pins.
void forget_device_values();

// The configuration id of a device that carries no vehicle.
extern const QString unconfigured_id;

// Puts every variable above back to its start-up value.
void reset_device_state();

#endif // DEVICE_STATE_H
