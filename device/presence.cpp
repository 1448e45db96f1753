// Noticing the device and when it is gone. The presence tick searches while no device
// is open, opens and identifies the one it finds (app/session.h), and probes the open
// one; the window follows: emptied without a device, filled once one is identified.

#include <QLabel>
#include <QTimer>

#include "app/app_state.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/sequence_guard.h"
#include "app/session.h"
#include "device/device_state.h"
#include "device/hid_error.h"
#include "device/usb_state.h"
#include "ui_mainwindow.h"

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
        const session::Opening opening = session::open_device();
        if (opening.status == session::OpenStatus::NoDevice) {
            // Unplugged: a device plugged in next shows its failures afresh.
            quiet_repeats_forget();
            if (!widgets_cleared)
                clear_widgets();
            return;
        }
        if (opening.status != session::OpenStatus::Opened) {
            // Failed to open, or held by another program (not there yet: no box).
            if (!widgets_cleared)
                clear_widgets();
            session::report_open_failure(opening);
            return;
        }
        device_handle = usb_handle;
        prepare_device_window();
        if (session::identify() != session::Identified::Yes) {
            qCDebug(orv_usb) << "identification failed: device dropped";
            abandon_device();
            return;
        }
    }

    // Presence probe: a device that is gone answers -1.
    if (!session::device_present()) {
        qCDebug(orv_usb).noquote() << "device lost:" << hid_error_text(usb_handle);
        // Whatever identification or the window showed of it goes with it.
        abandon_device();
        return;
    }
    if (widgets_cleared)
        enter_device_state();
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

void MainWindow::drop_device()
{
    session::drop_device();
    device_handle = nullptr;
}
