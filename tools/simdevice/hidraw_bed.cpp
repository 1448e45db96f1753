#include "hidraw_bed.h"

#include <umockdev.h>

#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

// Where the emulation differs from a kernel hidraw node:
// - The node is a terminal, a byte stream: a report stays whole only while the program reads
//   64 bytes at a time, and the terminal holds about 16 KiB where hidraw queues 64 reports
//   (and drops the oldest). An answer that does not fit is dropped here, with a warning.
// - A late fault holds an answer back for one read spacing (50 ms) per read it names: the
//   bed cannot see the program's reads on the terminal.
// - The kernel drops report id 0 before the device sees the report; a report that starts
//   with another byte reaches the device whole.
// - A node of an unplugged device answers writes and ioctls with ENODEV, like hidraw; its
//   handler stays attached until the bed ends (umockdev aborts a client whose handler goes).

namespace {

// Vendor page 0xFF00, usage 1: one 64-byte input and one 64-byte output report, no ids.
const unsigned char report_descriptor[] = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0,
};
constexpr int report_size = 64;
constexpr qint64 read_spacing_ms = 50;
const char product_name[] = "ORV drive-mode module (simulated)";

qint64 now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void warn(const QString &text)
{
    std::fprintf(stderr, "orv-simbed: %s\n", text.toLocal8Bit().constData());
}

// A text that a uevent line or a sysfs attribute can carry.
QByteArray printable(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes)
        if (c >= 0x20 && c < 0x7F)
            out.append(c);
    return out;
}

QByteArray hex4(int v)
{
    return QByteArray::number(v, 16).rightJustified(4, '0');
}

}  // namespace

struct HidrawBed::Slot {
    DeviceOptions options;
    int port = 0;  // 1-based: the device sits at USB port 1-<port>
    std::unique_ptr<SimFileLink> link;
    Node *node = nullptr;  // the node of the plugged device
};

struct HidrawBed::Node {
    HidrawBed *bed = nullptr;
    Slot *slot = nullptr;
    // Kept while the program holds the node, also after an unplug or a new plug.
    std::shared_ptr<SimDevice> device;
    QByteArray devnode;                         // "/dev/hidraw3"
    QByteArray usb, interface, hid, raw;        // sysfs paths, parents first
    int master = -1;                            // the bed's end of the terminal
    bool live = false;
    int clients = 0;
    qint64 next_pump = 0;
    UMockdevIoctlBase *handler = nullptr;
};

HidrawBed::HidrawBed()
{
    testbed_ = umockdev_testbed_new();
}

HidrawBed::~HidrawBed()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto &slot : slots_)
        if (slot->node)
            hang_up(*slot);
    // The testbed and the handlers stay: a program may still hold a node, and umockdev
    // removes its folder only when the testbed is finalized.
    g_object_unref(testbed_);
}

bool HidrawBed::held() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (const auto &node : nodes_)
        if (node->clients > 0)
            return true;
    return false;
}

QString HidrawBed::root_dir() const
{
    gchar *dir = umockdev_testbed_get_root_dir(testbed_);
    const QString out = QFile::decodeName(dir);
    g_free(dir);
    return out;
}

void HidrawBed::add_device(const DeviceOptions &options)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto slot = std::make_unique<Slot>();
    slot->options = options;
    slot->port = int(slots_.size()) + 1;
    slot->link = std::make_unique<SimFileLink>(options.state_file, options.wire_log);
    slots_.push_back(std::move(slot));
}

void HidrawBed::tick()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto &slot : slots_) {
        slot->link->sync();
        std::shared_ptr<SimDevice> want = slot->link->device();
        if (want && !want->plugged())
            want = nullptr;
        if (slot->node && slot->node->device != want)
            hang_up(*slot);
        if (!slot->node && want) {
            if (slot->options.replay)
                want->set_replay(slot->options.replay);
            plug(*slot, want);
        }
    }
    const qint64 now = now_ms();
    for (auto &node : nodes_)
        if (node->live && node->device && node->device->has_pending_report() && now >= node->next_pump)
            pump(*node);
}

void HidrawBed::plug(Slot &slot, const std::shared_ptr<SimDevice> &device)
{
    auto node = std::make_unique<Node>();
    node->bed = this;
    node->slot = &slot;
    node->device = device;
    const int number = next_node_++;
    const SimDeviceFile &file = slot.link->file();
    const QByteArray port = "1-" + QByteArray::number(slot.port);
    const QByteArray vid = hex4(file.vendor_id), pid = hex4(file.product_id);
    const QByteArray hid_name = "0003:" + vid.toUpper() + ':' + pid.toUpper() + '.' + hex4(number + 1).toUpper();
    const QByteArray serial = printable(device->state().serial);
    node->devnode = "/dev/hidraw" + QByteArray::number(number);
    node->usb = "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + port;
    node->interface = node->usb + '/' + port + ":1.0";
    node->hid = node->interface + '/' + hid_name;
    node->raw = node->hid + "/hidraw/hidraw" + QByteArray::number(number);

    QByteArray descriptor;
    for (unsigned char b : report_descriptor)
        descriptor += QByteArray::number(b, 16).rightJustified(2, '0');
    // hidapi takes vendor, product, name and serial from the HID device's uevent (it skips
    // a device without HID_ID, HID_NAME and HID_UNIQ), the usage from report_descriptor
    // behind the node's `device` link, strings and release from the USB device.
    const QList<QByteArray> records = {
        "P: " + node->usb.mid(4) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + vid +
            "\nA: idProduct=" + pid + "\nA: manufacturer=ORV\nA: product=" + product_name +
            "\nA: serial=" + serial + "\nA: bcdDevice=0100\nA: busnum=1\nA: devnum=" +
            QByteArray::number(number + 2) + "\n",
        "P: " + node->interface.mid(4) +
            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\nA: bInterfaceClass=03\n",
        "P: " + node->hid.mid(4) + "\nE: SUBSYSTEM=hid\nE: HID_ID=0003:0000" + vid.toUpper() +
            ":0000" + pid.toUpper() + "\nE: HID_NAME=" + product_name + "\nE: HID_UNIQ=" + serial +
            "\nE: HID_PHYS=usb-0000:00:14.0-" + QByteArray::number(slot.port) +
            "/input0\nH: report_descriptor=" + descriptor + "\n",
        "P: " + node->raw.mid(4) + "\nN: " + node->devnode.mid(5) +
            "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + node->devnode + "\nL: device=../../../" + hid_name + "\n",
    };
    for (const QByteArray &record : records) {
        GError *error = nullptr;
        if (!umockdev_testbed_add_from_string(testbed_, record.constData(), &error)) {
            warn(QStringLiteral("cannot add %1: %2").arg(QString::fromLatin1(record.left(80)),
                                                        QString::fromUtf8(error->message)));
            g_error_free(error);
        }
    }

    // The answers go in raw bytes; a full terminal must not block the bed.
    node->master = umockdev_testbed_get_dev_fd(testbed_, node->devnode.constData());
    if (node->master >= 0) {
        struct termios t;
        if (tcgetattr(node->master, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(node->master, TCSANOW, &t);
        }
        fcntl(node->master, F_SETFL, fcntl(node->master, F_GETFL) | O_NONBLOCK);
        // Only the bed may hold this end: a program that inherited it would never see the
        // hang-up of an unplug.
        fcntl(node->master, F_SETFD, fcntl(node->master, F_GETFD) | FD_CLOEXEC);
        // Anyone may open the node, as with the udev rule; a denied node only its owner.
        if (const char *terminal = ptsname(node->master)) {
            chmod(terminal, slot.options.denied ? 0600 : 0666);
            // udev tells devices apart by their numbers: without a `dev` attribute every node
            // would be 0:0 and the enumeration would list only the first.
            struct stat st;
            if (stat(terminal, &st) == 0) {
                const QByteArray numbers = QByteArray::number(major(st.st_rdev)) + ':' +
                                           QByteArray::number(minor(st.st_rdev));
                umockdev_testbed_set_attribute(testbed_, node->raw.constData(), "dev", numbers.constData());
            }
        }
    } else {
        warn(QStringLiteral("no terminal behind %1").arg(QString::fromLatin1(node->devnode)));
    }

    node->handler = umockdev_ioctl_base_new();
    g_signal_connect(node->handler, "handle-write", G_CALLBACK(&HidrawBed::on_write), node.get());
    g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(&HidrawBed::on_ioctl), node.get());
    g_signal_connect(node->handler, "client-connected", G_CALLBACK(&HidrawBed::on_connected), node.get());
    GError *error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node->devnode.constData(), node->handler, &error)) {
        warn(QStringLiteral("cannot attach to %1: %2")
                 .arg(QString::fromLatin1(node->devnode), QString::fromUtf8(error->message)));
        g_error_free(error);
    }
    // A program of another user must reach the tree and the handler's socket.
    const QString root = root_dir();
    chmod(QFile::encodeName(root).constData(), 0755);
    QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.isSymLink())
            continue;
        if (info.isDir())
            chmod(QFile::encodeName(info.filePath()).constData(), 0755);
        else if (!info.isFile())
            chmod(QFile::encodeName(info.filePath()).constData(), 0666);  // the sockets
    }

    node->live = true;
    slot.node = node.get();
    nodes_.push_back(std::move(node));
}

// The device is pulled out: it leaves the tree and its terminal is hung up, so a program that
// holds the node sees POLLHUP and its reads fail, as with hidraw.
void HidrawBed::hang_up(Slot &slot)
{
    Node &node = *slot.node;
    slot.node = nullptr;
    node.live = false;
    for (const QByteArray &path : {node.raw, node.hid, node.interface, node.usb})
        umockdev_testbed_remove_device(testbed_, path.constData());
    if (node.master >= 0)
        ::close(node.master);
    node.master = -1;
    if (node.clients == 0)
        node.device.reset();
}

// Hands on what the device has to say, one 64-byte report at a time.
void HidrawBed::pump(Node &node)
{
    unsigned char report[report_size];
    while (node.live && node.device->has_pending_report()) {
        const int n = node.device->read(report, sizeof report);
        if (n < 0)
            break;
        if (n == 0) {
            // A report due later (a leftover after the open), else a late answer: one read later.
            const qint64 due = node.device->report_due_ms();
            node.next_pump = due > now_ms() ? due : now_ms() + read_spacing_ms;
            break;
        }
        std::memset(report + n, 0, sizeof report - size_t(n));
        if (::write(node.master, report, sizeof report) != ssize_t(sizeof report))
            warn(QStringLiteral("%1: the terminal is full, a report is lost")
                     .arg(QString::fromLatin1(node.devnode)));
    }
    node.slot->link->flush_log(*node.device);
}

int HidrawBed::on_write(void *, void *client_ptr, void *node_ptr)
{
    auto *client = static_cast<UMockdevIoctlClient *>(client_ptr);
    auto *node = static_cast<Node *>(node_ptr);
    std::lock_guard<std::recursive_mutex> lock(node->bed->mutex_);
    if (!node->live || !node->device) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const QByteArray written(reinterpret_cast<const char *>(arg->data), arg->data_len);
    // The device model takes the report with its id byte in front, as hidapi hands it over.
    const QByteArray report = !written.isEmpty() && written[0] == '\0' ? written : '\0' + written;

    const int n = node->slot->link->write(*node->device, reinterpret_cast<const unsigned char *>(report.constData()),
                                          size_t(report.size()));
    if (n < 0 && node->device->replay() && node->device->plugged()) {
        // A replayed write that failed when it was recorded: it fails again, the device stays.
        umockdev_ioctl_client_complete(client, -1, EIO);
        return TRUE;
    }
    if (n < 0) {
        // Gone on this report (an unplug fault).
        node->bed->hang_up(*node->slot);
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    umockdev_ioctl_client_complete(client, written.size(), 0);
    node->bed->pump(*node);
    return TRUE;
}

int HidrawBed::on_ioctl(void *, void *client_ptr, void *node_ptr)
{
    auto *client = static_cast<UMockdevIoctlClient *>(client_ptr);
    auto *node = static_cast<Node *>(node_ptr);
    std::lock_guard<std::recursive_mutex> lock(node->bed->mutex_);
    if (!node->live) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    size_t size = 0;
    if (request == HIDIOCGRDESCSIZE)
        size = sizeof(int);
    else if (request == HIDIOCGRDESC)
        size = sizeof(hidraw_report_descriptor);
    else if (request == HIDIOCGRAWINFO)
        size = sizeof(hidraw_devinfo);
    if (size == 0) {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    GError *error = nullptr;
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, size, &error);
    if (!data) {
        g_error_free(error);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }
    if (request == HIDIOCGRDESCSIZE) {
        // hidapi asks this once, right after it opened the node.
        if (node->device) {
            node->device->host_opened();
            node->bed->pump(*node);
        }
        const int length = int(sizeof report_descriptor);
        std::memcpy(data->data, &length, sizeof length);
    } else if (request == HIDIOCGRDESC) {
        auto *d = reinterpret_cast<hidraw_report_descriptor *>(data->data);
        d->size = std::min<__u32>(d->size, sizeof report_descriptor);
        std::memcpy(d->value, report_descriptor, d->size);
    } else {
        const SimDeviceFile &file = node->slot->link->file();
        hidraw_devinfo info;
        info.bustype = BUS_USB;
        info.vendor = __s16(file.vendor_id);
        info.product = __s16(file.product_id);
        std::memcpy(data->data, &info, sizeof info);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(data);
    return TRUE;
}

void HidrawBed::on_connected(void *, void *client_ptr, void *node_ptr)
{
    auto *client = static_cast<UMockdevIoctlClient *>(client_ptr);
    auto *node = static_cast<Node *>(node_ptr);
    std::lock_guard<std::recursive_mutex> lock(node->bed->mutex_);
    ++node->clients;
    g_object_weak_ref(G_OBJECT(client), reinterpret_cast<GWeakNotify>(&HidrawBed::on_closed), node);
    if (node->device)
        node->slot->link->log_line("OPEN " + node->devnode);
}

// The program closed the node: umockdev lets go of the client when its socket ends.
void HidrawBed::on_closed(void *node_ptr, void *)
{
    auto *node = static_cast<Node *>(node_ptr);
    std::lock_guard<std::recursive_mutex> lock(node->bed->mutex_);
    --node->clients;
    if (!node->device)
        return;
    SimFileLink &link = *node->slot->link;
    node->device->host_closed();
    link.flush_log(*node->device);
    link.log_line("CLOSE " + node->devnode);
    // A device pulled out is gone for good once the program lets go of it: a long run of
    // plug-ins keeps nothing per device.
    if (!node->live && node->clients == 0)
        node->device.reset();
}
