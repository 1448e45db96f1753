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
#include "device/open_hint.h"
#include "device/usb_state.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

namespace {

constexpr unsigned short device_vendor = 0x1FC9;
constexpr unsigned short device_product = 0x0087;

} // namespace

void MainWindow::myTimer_USB_test()
{
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
        hid_device_info *match = device_list;
        while (match && !(match->vendor_id == device_vendor && match->product_id == device_product))
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
        const int open_error = errno;  // why it failed, before another call changes it
        hid_free_enumeration(device_list);
        device_list = nullptr;
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

        hid_set_nonblocking(handle, 1);
        timer_USB_test->stop();
        device_handle = handle;
        device_open = true;
        USB_error = false;
        reset_server_error();
        USB_open_error_shown = false;
        USB_write_error_shown = false;
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
        qCDebug(orv_usb) << "device lost";
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
