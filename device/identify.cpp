// Identifying an opened device: the queries in order, each reply decoded into the
// device state (device/decode_reply.cpp), then the server's count and brands. The
// same queries read the device back after a write that did not end well.

#include <functional>

#include "app/boxes.h"
#include "app/logging.h"
#include "app/session_face.h"
#include "device/decode.h"
#include "device/device_state.h"
#include "device/link.h"
#include "device/messages.h"
#include "device/usb_state.h"
#include "server/api.h"
#include "server/request.h"
#include "server/server_state.h"

using message::Code;
using message::query;

namespace {

using Ask = std::function<bool(const QByteArray &)>;

// The configuration id has been read: reads the vehicle the device holds, asking
// for its texts when it holds one. False at the first failure.
bool read_stored_vehicle(const Ask &ask)
{
    const bool configured = config_id != unconfigured_id;
    session::view().stored_vehicle_known(configured);
    if (!configured)
        return true;
    for (const Code code : {Code::Brand, Code::Model, Code::Engine, Code::Power, Code::Torque})
        if (!ask(query(code)))
            return false;
    session::view().stored_vehicle_read();
    return ask(query(Code::SoftwareLabel));
}

// The configuration id has been read: reads every value the window shows of the
// device (the stored vehicle, the drive mode of a configured OR+, the indication,
// the pins in use, standby and protocol). False at the first failure.
bool read_device_values(const Ask &ask)
{
    if (!read_stored_vehicle(ask))
        return false;
    if (session::drive_modes_offered() && !ask(query(Code::DriveMode)))
        return false;
    for (const Code code : {Code::Indication, Code::PinActivity, Code::Settings})
        if (!ask(query(code)))
            return false;
    return true;
}

// The identification queries in order; false at the first failure. Nothing of an
// earlier device survives: its identity is forgotten before the first query, and a
// serial number or key that cannot go to the server fails here.
session::Identified identify_device(bool ask_server)
{
    forget_device_identity();
    auto ask = [](const QByteArray &bytes) {
        quiet_repeats_step(QString::fromLatin1(bytes.toHex()));
        return link::exchange(bytes);
    };

    const QByteArray first[] = {message::command(Code::Open), query(Code::SerialNumber), query(Code::Key),
                                query(Code::Firmware), query(Code::Hardware), query(Code::ConfigId)};
    for (const QByteArray &step : first) {
        if (!ask(step))
            break;
        const bool serial = step == query(Code::SerialNumber);
        const bool identity = serial || step == query(Code::Key);
        if (identity && !decode::printable_ascii(serial ? serial_number : device_key)) {
            // A reply that echoed another code, or a key without its marker,
            // leaves the identity empty; so does one with a line break in it.
            qCDebug(orv_usb) << "no usable identity from the device";
            link::reject_reply();
            break;
        }
    }
    session::view().identity_read();
    if (USB_error || !read_device_values(ask))
        return session::Identified::DeviceFailed;
    if (!ask_server)
        return session::Identified::Yes;

    // A device unplugged while the server is asked is noticed when the answer is in.
    quiet_repeats_step(QStringLiteral("limit"));
    server_request(Endpoint::LimitInfo, api::limit_path());
    if (token_rejected)
        return session::Identified::ServerFailed;
    if (!session::device_present())
        return session::Identified::DeviceFailed;
    if (avail_config > 0) {
        server_request(Endpoint::Brands, api::brands_path());
        if (!session::device_present())
            return session::Identified::DeviceFailed;
    }
    return session::Identified::Yes;
}

} // namespace

session::Identified session::identify(bool ask_server)
{
    // A device that keeps failing shows each of its boxes once per plug-in.
    quiet_repeats_begin();
    const Identified identified = identify_device(ask_server);
    quiet_repeats_end();
    return identified;
}

bool session::drive_modes_offered()
{
    return config_id != unconfigured_id && message::device_model(serial_number) == message::Model::ORPlus;
}

// Every value identification reads after the configuration id, with it. No box: the
// failure that led here has had its box.
bool session::read_back()
{
    // A closed face asks the device nothing more.
    if (exchanges_closed())
        return false;
    const MutedBoxes muted;
    forget_device_values();
    auto ask = [](const QByteArray &bytes) { return link::exchange(bytes); };
    return ask(query(Code::ConfigId)) && read_device_values(ask);
}
