// A hidapi program for the bed test: it runs under orv-simbed on the system's hidapi and
// prints what it sees, one line per step (bed_test.sh compares the lines).
#include <hidapi.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

#include "device/framing.h"

namespace {

int count_devices()
{
    hid_device_info *list = hid_enumerate(0x1FC9, 0x0087);
    int n = 0;
    for (hid_device_info *d = list; d; d = d->next)
        ++n;
    hid_free_enumeration(list);
    return n;
}

// Sends a one-packet message and says whether the answer came at once, late, or not at all.
void query(hid_device *device, const char *hex)
{
    const QByteArray report = framing::output_report(QByteArray::fromHex(hex));
    const int written = hid_write(device, reinterpret_cast<const unsigned char *>(report.constData()),
                                  size_t(report.size()));
    unsigned char in[framing::input_report_size];
    QElapsedTimer clock;
    clock.start();
    int n = 0;
    while ((n = hid_read(device, in, sizeof in)) == 0 && clock.elapsed() < 1000)
        QThread::msleep(5);
    if (written < 0 || n <= 0)
        std::printf("%s: write %d, read %d\n", hex, written, n);
    else
        std::printf("%s: answered %s\n", hex, clock.elapsed() < 40 ? "at once" : "late");
}

// A report the device still held when it was opened comes at its first poll, some
// milliseconds after the open, not at once.
void leftover(hid_device *device)
{
    unsigned char in[framing::input_report_size];
    QElapsedTimer clock;
    clock.start();
    const int at_open = hid_read(device, in, sizeof in);
    int n = 0;
    while ((n = hid_read(device, in, sizeof in)) == 0 && clock.elapsed() < 1000)
        QThread::msleep(1);
    std::printf("leftover: %s at the open, %s\n", at_open == 0 ? "nothing" : "a report",
                n > 0 && clock.elapsed() >= 20 ? "a report later" : "none later");
}

}  // namespace

int main()
{
    hid_init();
    std::printf("devices %d\n", count_devices());
    hid_device_info *list = hid_enumerate(0x1FC9, 0x0087);
    hid_device *device = list ? hid_open_path(list->path) : nullptr;
    hid_free_enumeration(list);
    if (!device) {
        std::printf("no device\n");
        return 1;
    }
    hid_set_nonblocking(device, 1);
    leftover(device);
    query(device, "090c");
    query(device, "090a");
    query(device, "090b");
    hid_close(device);
    std::printf("devices %d\n", count_devices());
    hid_exit();
    return 0;
}
