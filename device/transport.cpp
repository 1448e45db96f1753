// The HID transport: one message at a time, base64 reports, chunked messages
// both ways. A sender calls link::clear_data, fills TX_data, link::check_tx,
// link::write and waits (device/exchange.cpp); the read tick collects the answer,
// hands a complete query reply to its decoder and ends the exchange.

#include <QTimer>
#include <hidapi.h>

#include "app/boxes.h"
#include "app/logging.h"
#include "app/recorder.h"
#include "app/session_face.h"
#include "app/session_state.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "device/framing.h"
#include "device/hid_error.h"
#include "device/link.h"
#include "device/messages.h"
#include "device/trace_mask.h"
#include "device/usb_state.h"
#include "server/server_state.h"

namespace {

// Marked for the translation tools; show_box translates them.
const char *const text_write_error = QT_TRANSLATE_NOOP("MainWindow", "USB write error! Please reconnect device!");
const char *const text_transmission_error =
    QT_TRANSLATE_NOOP("MainWindow", "Transmission error! Please reconnect device!");
const char *const text_connection_error = QT_TRANSLATE_NOOP("MainWindow", "Connection error! Please reconnect device!");
const char *const text_no_connection = QT_TRANSLATE_NOOP("MainWindow", "No connection! Please reconnect device!");
const char *const text_too_long = QT_TRANSLATE_NOOP("MainWindow", "Message too long for the device! Nothing was sent.");

bool starts_with(const QByteArray &bytes, unsigned char code)
{
    return !bytes.isEmpty() && static_cast<unsigned char>(bytes.at(0)) == code;
}

// A failure of the exchange: its box is shown once, however many packets of
// the exchange still arrive afterwards.
void fail_exchange(const char *text)
{
    if (!USB_error) {
        qCDebug(orv_usb) << "exchange failed:" << text;
        USB_error = true;
        show_box("Error!", text);
    }
    USB_error = true;
}

// 0xF1 0xF3 is the device's connection failure; 0xF1 alone any other failure.
void fail_by_reply(const QByteArray &reply)
{
    fail_exchange(framing::byte_at(reply, 1) == framing::connection_failure
                      ? text_connection_error
                      : text_transmission_error);
}

// The packet as the trace shows it: a reply to the serial number or key query
// shows only its framing, and the known secrets never show anywhere.
QString traced(const QByteArray &packet, bool from_device)
{
    const bool secret_reply = from_device && TX_query
                             && (TX_code == int(message::Code::SerialNumber) || TX_code == int(message::Code::Key));
    return trace_mask::packet_hex(packet, {serial_number.toUtf8(), device_key.toUtf8()}, secret_reply);
}

void stop_read_timer()
{
    if (QTimer *timer = session::face().read_timer)
        timer->stop();
}

void start_read_timer(int ms)
{
    if (QTimer *timer = session::face().read_timer)
        timer->start(ms);
}

} // namespace

namespace link {

void reject_reply()
{
    fail_exchange(text_transmission_error);
}

void clear_data()
{
    drain_reports();
    USB_ended = false;
    RX_complete = false;
    TX_query = false;
    TX_command = false;
    TX_multi = false;
    RX_next_offset = 0;
    USB_error = false;
    reset_server_error();
    TX_data.clear();
    RX_base64.clear();
    RX_packet.clear();
    RX_data.clear();
    RX_report.fill('\0', framing::input_report_size);
    TX_report.fill('\0', framing::output_report_size);
    USB_stall_count = 0;
    USB_high_offset = 0;
}

void check_tx()
{
    if (!TX_data.isEmpty() && framing::byte_at(TX_data, 0) == int(message::Code::Query)) {
        TX_query = true;
        TX_code = framing::byte_at(TX_data, 1);
    } else {
        TX_command = true;
        TX_code = framing::byte_at(TX_data, 0);
    }
}

void write()
{
    if (TX_data.size() > framing::chunk_size) {
        if (!TX_multi && TX_data.size() > framing::max_message) {
            // The 16-bit offsets cannot address it: refuse before the first chunk.
            fail_exchange(text_too_long);
            end_exchange();
            return;
        }
        packets();
        if (USB_error) {
            end_exchange();
            return;
        }
    } else {
        TX_multi = false;
        TX_packet = TX_data;
    }

    TX_base64 = framing::base64_text(TX_packet);
    TX_report = framing::output_report(TX_packet);
    if (QTimer *presence = session::face().presence_timer)
        presence->stop();
    qCDebug(orv_usb).noquote() << "H>D" << traced(TX_packet, false);

    const int result = device_open && usb_handle
        ? hid_write(usb_handle, reinterpret_cast<const unsigned char *>(TX_report.constData()),
                    size_t(TX_report.size()))
        : -1;
    recorder::packet_out(TX_packet, TX_base64, result != -1);
    if (result != -1) {
        RX_miss_count = 0;
        start_read_timer(USB_read_delay);
        return;
    }

    qCDebug(orv_usb).noquote() << "write failed:" << hid_error_text(usb_handle);
    TX_multi = false;
    if (!USB_write_error_shown) {
        USB_write_error_shown = true;
        fail_exchange(text_write_error);
    }
    USB_error = true;
    end_exchange();
}

void packets()
{
    if (!TX_multi) {
        TX_multi = true;
        TX_offset = 0;
        RX_chunk.clear();
        TX_packet = framing::chunk_packet(TX_data, 0);
        session::view().transfer_progress(0, TX_data.size());
        return;
    }

    const framing::SendStep step = framing::next_send_step(TX_data, RX_packet, TX_offset);
    if (step.error) {
        TX_multi = false;
        fail_exchange(text_transmission_error);
        return;
    }
    // A device that keeps asking for what it already has would never let the
    // message end.
    if (step.offset > USB_high_offset) {
        USB_high_offset = step.offset;
        USB_stall_count = 0;
    } else if (++USB_stall_count > USB_stall_limit) {
        TX_multi = false;
        fail_exchange(text_transmission_error);
        return;
    }
    TX_offset = step.offset;
    session::view().transfer_progress(qMin(TX_offset, TX_data.size()), TX_data.size());
    TX_packet = step.packet;
    if (step.end) {
        TX_multi = false;
        TX_data = TX_packet;
    }
}

void read_tick()
{
    stop_read_timer();
    // The window has closed: its exchange was ended with it.
    if (exchanges_closed())
        return;

    if (RX_miss_count >= USB_miss_limit) {
        qCDebug(orv_usb) << "no answer: time-out";
        recorder::answer_missed();
        USB_answer_missed = true;
        RX_miss_count = 0;
        TX_multi = false;
        fail_exchange(text_no_connection);
        end_exchange();
        return;
    }

    RX_report.fill('\0', framing::input_report_size);
    const int result = device_open && usb_handle
        ? hid_read(usb_handle, reinterpret_cast<unsigned char *>(RX_report.data()),
                   size_t(RX_report.size()))
        : -1;
    if (result <= 0 || RX_report.at(0) == '\0') {
        if (result < 0 && RX_miss_count == 0)
            qCDebug(orv_usb).noquote() << "read failed:" << hid_error_text(usb_handle);
        ++RX_miss_count;
        start_read_timer(USB_read_interval + USB_read_delay);
        return;
    }
    RX_miss_count = 0;

    RX_base64 = RX_report;
    RX_packet = framing::decode_text(RX_base64);
    recorder::packet_in(RX_packet, RX_base64);
    // A secret may be split across the chunks of a reply, where no one packet
    // holds it whole: a chunk shows only its framing, the reply is shown whole
    // once complete.
    qCDebug(orv_usb).noquote() << "D>H"
                               << (starts_with(RX_packet, framing::chunk_code)
                                       ? trace_mask::packet_hex(RX_packet, {}, true)
                                       : traced(RX_packet, true));

    RX_complete = false;
    // A chunked reply that began with a failure code is reported when its next
    // packet arrives; the exchange goes on to its end.
    if (starts_with(RX_data, framing::failure))
        fail_by_reply(RX_data);

    if (TX_multi) {
        if (!USB_error) {
            write();
        } else {
            TX_multi = false;
            end_exchange();
        }
        return;
    }

    if (!TX_query) {
        if (!TX_command) {
            // Nothing expects this packet: drop it and keep waiting for the answer.
            start_read_timer(USB_read_interval + USB_read_delay);
            return;
        }
        RX_data = RX_packet;
        if (starts_with(RX_data, framing::command_ok))
            TX_command = false;
        else if (starts_with(RX_data, framing::failure))
            fail_by_reply(RX_data);
        else
            fail_exchange(text_transmission_error);
        end_exchange();
        return;
    }

    switch (framing::byte_at(RX_packet, 0)) {
    case framing::chunk_code: {
        RX_chunk = RX_packet;
        const framing::Fold fold = framing::fold_chunk(RX_data, RX_chunk, USB_max_reply);
        RX_offset = fold.offset;
        RX_chunk.remove(0, 3);
        RX_next_offset = fold.next_offset;
        RX_data = fold.data;
        if (RX_next_offset > USB_high_offset) {
            USB_high_offset = RX_next_offset;
            USB_stall_count = 0;
        } else {
            ++USB_stall_count;
        }
        if (fold.error || USB_stall_count > USB_stall_limit) {
            // A chunk after a gap (it would be acknowledged as if the gap were
            // there), a reply that runs on and on, or one that never moves on.
            fail_exchange(text_transmission_error);
            end_exchange();
            return;
        }
        TX_data = framing::offset_packet(framing::ack_code, RX_next_offset);
        write();
        return;
    }
    case framing::end_code:
        RX_complete = true;
        qCDebug(orv_usb).noquote() << "reply" << traced(RX_data, true);
        break;
    default:
        RX_complete = true;
        RX_chunk.clear();
        RX_data = RX_packet;
        break;
    }

    TX_query = false;
    if (starts_with(RX_data, framing::failure)) {
        fail_by_reply(RX_data);
    } else if (RX_packet.isEmpty()) {
        // A report without one decodable byte: the device never sends that.
        fail_exchange(text_transmission_error);
    } else if (!RX_data.isEmpty() && framing::byte_at(RX_data, 0) == TX_code) {
        RX_data.remove(0, 1);
        decode_reply(TX_code, RX_data);
    } else {
        // Not the answer to this query: taken for it, an old value would stay shown.
        qCDebug(orv_usb) << "reply does not echo query" << TX_code;
        fail_exchange(text_transmission_error);
    }
    end_exchange();
}

void end_exchange()
{
    stop_read_timer();
    // A device that answered late or wrongly may still send the rest of that
    // answer: it is read away before the next message goes out.
    USB_drain_pending = USB_error;
    QTimer *presence = session::face().presence_timer;
    if (presence && !settings_locked)
        presence->start(USB_test_interval);
    USB_last_end.start();
    USB_ended = true;
    qCDebug(orv_usb) << "exchange ended:" << (USB_error ? "failed" : "ok");
    recorder::exchange_ended(!USB_error);
    wait_end(USB_wait);
}

} // namespace link

void session::read_tick()
{
    link::read_tick();
}
