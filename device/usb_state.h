#ifndef USB_STATE_H
#define USB_STATE_H

#include <QByteArray>
#include <QElapsedTimer>

#include "app/wait.h"

struct hid_device_;
typedef struct hid_device_ hid_device;

// The open device's handle; null while none is open.
extern hid_device *usb_handle;

// The transfer state of the one exchange in flight with the device.
extern QByteArray TX_data;      // the message to send
extern QByteArray TX_packet;    // the packet being sent: the whole message or a framed chunk
extern QByteArray TX_base64;    // base64 text of TX_packet, no '=' padding
extern QByteArray TX_report;    // 65-byte output report
extern int TX_code;             // code the reply must echo
extern bool TX_query;           // TX_data is a query (0x09, code): its reply is decoded
extern bool TX_command;         // TX_data is a plain command: its reply is only stored
extern bool TX_multi;           // a chunked transmission of TX_data is under way
extern int TX_offset;           // offset the device acknowledged
extern QByteArray RX_report;    // 64-byte input report
extern QByteArray RX_base64;    // text of RX_report
extern QByteArray RX_packet;    // the decoded packet
extern QByteArray RX_chunk;     // payload of a received chunk
extern int RX_offset;           // offset carried by a received chunk
extern int RX_next_offset;      // RX_offset + chunk length, sent back in the acknowledgement
extern QByteArray RX_data;      // the reply: one packet or the chunks put together
extern bool RX_complete;        // RX_data holds a complete reply in this tick
extern int RX_miss_count;       // read ticks in a row without a report
extern bool USB_error;          // the current exchange failed
extern bool USB_write_error_shown; // the write-error box was shown since the device was opened

// A run that begins with its own exchanges starts without the last failure.
void reset_usb_error();

extern const int USB_miss_limit;   // read ticks without a report before the time-out: 20
// The device's timing; tests of many sequences shorten both in the same ratio.
extern int USB_pause;              // ms between two messages: 5
extern int USB_read_delay;         // ms between a write and the read of its answer: 50
extern const int USB_max_reply;    // longest reply taken from the device
extern const int USB_stall_limit;  // chunk packets in a row that make no progress before giving up

extern WaitTicket USB_wait;        // the wait of the exchange in flight
extern int USB_stall_count;        // chunk packets in a row without progress
extern int USB_high_offset;        // highest offset reached in the exchange's chunks
extern QElapsedTimer USB_last_end; // when the last exchange ended (for the pause between messages)
extern bool USB_drain_pending;     // the last exchange failed: its late reports may still come
extern bool USB_answer_missed;     // an answer timed out since the device was opened: it may still come
extern QElapsedTimer USB_opened;   // when the device was opened
extern bool USB_ended;             // the exchange in flight reached its end (USB_end_exchange)
extern const int USB_drain_limit;  // reports read away at most before the next message

// While one lives, a sequence writes into the device, from its first message
// to its last (the vehicle write, a settings write): a window closed now would
// leave the device half-written, so closing asks first.
class DeviceWrite
{
public:
    DeviceWrite();
    ~DeviceWrite();
    DeviceWrite(const DeviceWrite &) = delete;
    DeviceWrite &operator=(const DeviceWrite &) = delete;
};
bool device_write_running();

// The window has closed: the exchange in flight ends at once as failed, with
// no box, and nothing more is read from or sent to the device (USB_exchange
// and the read tick refuse, the presence tick stops). A new window opens the
// link again.
void close_exchanges();
bool exchanges_closed();
void open_exchanges();

// Puts every variable above back to its start-up value.
void reset_usb_state();

#endif // USB_STATE_H
