#ifndef LINK_H
#define LINK_H

#include <QByteArray>

// The one exchange in flight with the open device (its state: device/usb_state.h).
namespace link {

// One message out, its answer in; false when it failed (its box shown). The gap
// before a message is a wait, not a sleep.
bool exchange(const QByteArray &message);

// The steps of an exchange (device/transport.cpp).
void clear_data();
void check_tx();
void write();
void packets();
void read_tick();
void end_exchange();
// A reply that arrived well framed but is unusable (an identity that cannot be
// sent to the server) fails its exchange.
void reject_reply();
// Reads away the reports of an exchange that failed, when one did.
void drain_reports();
// Reads away whatever reports wait now. False when the device cannot be read.
bool read_away();

} // namespace link

// A complete query reply (message::Code of the query) into the device state
// (device/decode_reply.cpp); decode_reply then lets the View show it.
void decode_into_state(int code, const QByteArray &reply);
void decode_reply(int code, const QByteArray &reply);

#endif // LINK_H
