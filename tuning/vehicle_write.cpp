#include "app/mainwindow.h"
#include "device/usb_state.h"
#include "tuning/vehicle_messages.h"

// Writes the vehicle, its default settings and the software file into the
// device. Any exchange that fails stops the write: the device then holds part
// of the new vehicle, and the installation is not reported.
bool MainWindow::write_vehicle(const VehicleRecord &record)
{
    const DeviceWrite writing;
    const QList<QByteArray> messages = vehicle_messages(record);
    for (int i = 0; i < messages.size(); ++i) {
        const bool software = i == messages.size() - 1;
        if (software)
            set_transfer_progress_visible(true);
        const bool ok = USB_exchange(messages.at(i));
        if (software)
            set_transfer_progress_visible(false);
        if (!ok)
            return false;
    }
    return true;
}
