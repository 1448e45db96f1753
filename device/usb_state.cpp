#include "device/usb_state.h"

hid_device *usb_handle = nullptr;

QByteArray TX_data(64, '\0');
QByteArray TX_packet(64, '\0');
QByteArray TX_base64(64, '\0');
QByteArray TX_report;
int TX_code = 0;
bool TX_query = false;
bool TX_command = false;
bool TX_multi = false;
int TX_offset = 0;
QByteArray RX_report;
QByteArray RX_base64(64, '\0');
QByteArray RX_packet(64, '\0');
QByteArray RX_chunk(64, '\0');
int RX_offset = 0;
int RX_next_offset = 0;
QByteArray RX_data(64, '\0');
bool RX_complete = false;
int RX_miss_count = 0;
bool USB_error = false;
bool USB_write_error_shown = false;

void reset_usb_error()
{
    USB_error = false;
}

const int USB_miss_limit = 20;
int USB_pause = 5;
int USB_read_delay = 50;
// The device's longest replies are its stored texts, a few dozen bytes; a reply
// that runs on far beyond that is a device gone wrong, not data.
const int USB_max_reply = 2048;
const int USB_stall_limit = 16;

WaitTicket USB_wait = 0;
int USB_stall_count = 0;
int USB_high_offset = 0;
QElapsedTimer USB_last_end;
bool USB_drain_pending = false;
bool USB_answer_missed = false;
QElapsedTimer USB_opened;
bool USB_ended = false;
const int USB_drain_limit = 64;

namespace {
int writes_running = 0;
bool closed = false;
} // namespace

DeviceWrite::DeviceWrite()
{
    ++writes_running;
}

DeviceWrite::~DeviceWrite()
{
    --writes_running;
}

bool device_write_running()
{
    return writes_running > 0;
}

void close_exchanges()
{
    closed = true;
    wait_end(USB_wait);
}

bool exchanges_closed()
{
    return closed;
}

void open_exchanges()
{
    closed = false;
}

void reset_usb_state()
{
    usb_handle = nullptr;
    TX_data = TX_packet = TX_base64 = QByteArray(64, '\0');
    TX_report.clear();
    TX_code = TX_offset = 0;
    TX_query = TX_command = TX_multi = false;
    RX_report.clear();
    RX_base64 = RX_packet = RX_chunk = RX_data = QByteArray(64, '\0');
    RX_offset = RX_next_offset = RX_miss_count = 0;
    RX_complete = false;
    USB_error = USB_write_error_shown = false;
    USB_wait = 0;
    USB_stall_count = USB_high_offset = 0;
    USB_last_end.invalidate();
    USB_drain_pending = false;
    USB_answer_missed = false;
    USB_opened.invalidate();
    USB_ended = false;
    USB_pause = 5;
    USB_read_delay = 50;
    closed = false;
}
