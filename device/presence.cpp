// Finding the device and noticing when it is gone. The presence tick searches
// while no device is open, opens and identifies the one it finds
// (device/identify.cpp), and probes the open one.

#include <QLabel>
#include <QTimer>
#include <cerrno>

#include "app/app_state.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/sequence_guard.h"
#include "device/device_state.h"
#include "device/hid_error.h"
#include "device/open_hint.h"
#include "device/protocol.h"
#include "device/usb_state.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

namespace {

// Every tick without a device enumerates nothing: hidapi's text for that is traced when it
// changes, not twice a second.
void trace_enumeration_error(const QString &text)
{
    if (text != enumeration_error)
        qCDebug(orv_usb).noquote() << "nothing enumerated:" << text;
    enumeration_error = text;
}

} // namespace

void MainWindow::myTimer_USB_test()
{
    // A closed window looks for no device any more.
    if (exchanges_closed()) {
        timer_USB_test->stop();
        return;
    }
    if (USB_first_tick) {
        style_language_box();
        USB_first_tick = false;
    }

    // Whoever runs a sequence owns the device until it ends; its own exchanges
    // notice a lost device, and the next tick after it probes again.
    SequenceGuard guard;
    if (guard.refused())
        return;

    if (!device_open) {
        device_list = hid_enumerate(0, 0);
        if (!device_list)
            trace_enumeration_error(hid_error_text(nullptr));
        hid_device_info *match = device_list;
        while (match && !(match->vendor_id == protocol::vendor_id && match->product_id == protocol::product_id))
            match = match->next;

        if (!match) {
            hid_free_enumeration(device_list);
            device_list = nullptr;
            // Unplugged: a device plugged in next shows its failures afresh.
            quiet_repeats_forget();
            if (!widgets_cleared)
                clear_widgets();
            return;
        }

        hid_device *handle = hid_open_path(match->path);
        int open_error = errno;  // why it failed, before another call changes it
        hid_free_enumeration(device_list);
        device_list = nullptr;
        enumeration_error.clear();
        if (!handle)
            qCDebug(orv_usb).noquote() << "open failed:" << hid_error_text(nullptr);
        // Reads must never wait on the GUI thread: a handle that cannot read without waiting
        // is not used.
        if (handle && hid_set_nonblocking(handle, 1) != 0) {
            qCDebug(orv_usb).noquote() << "non-blocking reads refused:" << hid_error_text(handle);
            hid_close(handle);
            handle = nullptr;
            open_error = 0;  // the open itself went through
        }
        if (!handle) {
            const bool show = !USB_open_error_shown;
            USB_open_error_shown = true;
            if (!widgets_cleared)
                clear_widgets();
            if (show) {
                const OpenHint hint = open_failure_hint(open_error, hid_error(nullptr));
                show_box("Error!", "USB not opened! Please reconnect device!", hint.text, hint.arguments);
            }
            return;
        }

        timer_USB_test->stop();
        device_handle = handle;
        device_open = true;
        USB_error = false;
        reset_server_error();
        USB_open_error_shown = false;
        USB_write_error_shown = false;
        // A device may still send the tail of an exchange another program left
        // unfinished: it is read away before the first message.
        USB_drain_pending = true;
        USB_opened.start();
        qCDebug(orv_usb) << "device opened";
        prepare_device_window();

        // A device that keeps failing shows each of its boxes once per plug-in.
        quiet_repeats_begin();
        const bool identified = identify_device();
        quiet_repeats_end();
        if (!identified) {
            qCDebug(orv_usb) << "identification failed: device dropped";
            abandon_device();
            return;
        }
    }

    // Presence probe: a device that is gone answers -1.
    if (!device_present()) {
        qCDebug(orv_usb).noquote() << "device lost:" << hid_error_text(device_handle);
        // Whatever identification or the window showed of it goes with it.
        abandon_device();
        return;
    }
    if (widgets_cleared)
        enter_device_state();
}

bool MainWindow::device_present()
{
    return device_open && device_handle
           && hid_read(device_handle, reinterpret_cast<unsigned char *>(RX_report.data()), size_t(RX_report.size()))
                  != -1;
}

// A device that failed identification, or was lost after it, is dropped and
// the window emptied at once; the search starts over on the next tick.
void MainWindow::abandon_device()
{
    drop_device();
    ui->label_marka_model->show();
    ui->label_modif_power_torque->show();
    clear_widgets();
    timer_USB_test->start(USB_test_interval);
}

// Forgets the open device. Its handle is closed at once, so re-plugging or
// failing identification again and again leaks nothing.
void MainWindow::drop_device()
{
    device_open = false;
    forget_device_identity();
    if (device_handle) {
        hid_close(device_handle);
        device_handle = nullptr;
        qCDebug(orv_usb) << "device closed";
    }
}
