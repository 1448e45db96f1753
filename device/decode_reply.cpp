// A complete query reply read into the device state.

#include "app/session_face.h"
#include "app/session_state.h"
#include "device/decode.h"
#include "device/device_state.h"
#include "device/link.h"
#include "device/messages.h"
#include "server/server_state.h"

void decode_into_state(int code, const QByteArray &reply)
{
    using message::Code;
    switch (Code(code)) {
    case Code::SerialNumber: serial_number = decode::text(reply); break;
    case Code::Hardware: hardware_text = decode::version(reply); break;
    case Code::Firmware: firmware_text = decode::version(reply); break;
    case Code::Key: {
        const decode::Key key = decode::device_key(reply);
        if (key.valid) {
            device_key = key.key;
            auth_key = key.auth_key;
        }
        break;
    }
    case Code::ConfigId: config_id = decode::text(reply); break;
    case Code::Brand: car_brand = decode::text(reply); break;
    case Code::Model: car_model = decode::text(reply); break;
    case Code::Engine: car_engine = decode::text(reply); break;
    case Code::Power: car_power = decode::text(reply); break;
    case Code::Torque: car_torque = decode::text(reply); break;
    case Code::SoftwareLabel: software_label = decode::text(reply); break;
    case Code::ConfigCount: set_avail_config(decode::digits(reply)); break;
    case Code::DriveMode: {
        // Any other value changes nothing.
        const int mode = decode::drive_mode(reply);
        if (mode >= 0 && mode <= 2)
            drive_mode = mode;
        break;
    }
    case Code::Settings: {
        const decode::Settings settings = decode::settings(reply);
        standby_text = settings.standby;
        auto_standby = settings.auto_standby;
        auto_protocol = settings.auto_protocol;
        protocol_bit = settings.protocol_bit;
        // Protocol numbers 12 to 14 have no name and no pins here.
        const bool known = settings.protocol_index >= 0 && settings.protocol_index < protocol_names.size();
        protocol_index = known ? settings.protocol_index : -1;
        break;
    }
    case Code::PinActivity: pin_states = decode::active_protocols(reply); break;
    case Code::Indication: indication_state = decode::indication(reply) != 0 ? 1 : 0; break;
    default: break;
    }
}

void decode_reply(int code, const QByteArray &reply)
{
    decode_into_state(code, reply);
    session::view().reply_decoded(code);
}
