#include <QTimer>
#include <hidapi.h>

#include "app/logging.h"
#include "app/session_state.h"
#include "app/session_face.h"
#include "app/wait.h"
#include "device/device_state.h"
#include "device/framing.h"
#include "device/hid_error.h"
#include "device/link.h"
#include "device/usb_state.h"

namespace {

// How long the next message must still wait. Two messages are always at least
// USB_pause apart. A device just opened may still hold a report it had for the
// last program (a late answer): the kernel fetches it at its first poll after the
// open, up to the endpoint's interval later (commonly 1 to 10 ms, more behind a
// hub), so the first message waits for the read delay after the open, and the
// reports read away before it include that one.
qint64 wait_before_message()
{
    qint64 left = 0;
    if (USB_last_end.isValid())
        left = USB_pause - USB_last_end.elapsed();
    if (USB_drain_pending && USB_opened.isValid())
        left = qMax(left, USB_read_delay - USB_opened.elapsed());
    return left;
}

// An answer that timed out may still come, and answers carry no number: taken
// for the next message's, it would acknowledge a message the device never took,
// and every answer after it would belong to the message before. So after a
// time-out the link listens as long as the time-out lasted, reading away what
// comes, before the next message goes out. False when the window closed
// meanwhile.
bool listen_after_time_out()
{
    if (!USB_answer_missed)
        return true;
    USB_answer_missed = false;
    qCDebug(orv_usb) << "listening for a late answer before the next message";
    for (int i = 0; i < USB_miss_limit; ++i) {
        if (!link::read_away())
            break;  // gone: the next write finds out
        if (!wait_pause(USB_read_interval + USB_read_delay) || exchanges_closed())
            return false;
    }
    USB_drain_pending = true;  // and once more just before the message
    return true;
}

} // namespace

namespace link {

// One exchange of a sequence: the message goes out, the sender waits until the
// read tick (or a failure) ends it. The gap before a message is a wait, not a
// sleep, so the window stays live.
bool exchange(const QByteArray &message)
{
    if (!exchanges_closed()) {
        const qint64 left = wait_before_message();
        if ((left > 0 && !wait_pause(int(left))) || !listen_after_time_out()) {
            USB_error = true;
            return false;
        }
    }
    // The window has closed: the sequence unwinds without a word to the device.
    if (exchanges_closed()) {
        USB_error = true;
        return false;
    }

    clear_data();
    TX_data.append(message);
    check_tx();
    USB_wait = wait_open();
    if (USB_wait == 0) {
        USB_error = true;
        return false;
    }
    write();
    // An exchange that reached its end stands, even when the window closed
    // after that (its answer came while the close question was open).
    if (!wait_run(USB_wait) || !USB_ended) {
        // Left without an end (the application is quitting) or ended by the
        // window closing. Nothing may read for this exchange any more.
        qCDebug(orv_usb) << "exchange abandoned";
        if (QTimer *timer = session::face().read_timer)
            timer->stop();
        TX_multi = false;
        USB_error = true;
    }
    USB_wait = 0;
    return !USB_error;
}

// Reports that belong to an exchange that already ended (one that timed out
// or failed) would be taken as the answer to the next message.
void drain_reports()
{
    if (USB_drain_pending) {
        USB_drain_pending = false;
        read_away();
    }
}

bool read_away()
{
    if (!device_open || !usb_handle)
        return false;
    QByteArray report(framing::input_report_size, '\0');
    int drained = 0;
    int result = 0;
    while (drained < USB_drain_limit
           && (result = hid_read(usb_handle, reinterpret_cast<unsigned char *>(report.data()), size_t(report.size()))) > 0)
        ++drained;
    if (drained > 0)
        qCDebug(orv_usb) << "read away" << drained << "late reports";
    if (result < 0)
        qCDebug(orv_usb).noquote() << "read failed:" << hid_error_text(usb_handle);
    return result >= 0;
}

} // namespace link
