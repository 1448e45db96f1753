// Finding, opening, holding and dropping the device. Whoever opens a device holds it
// with an exclusive lock until it drops it (the kernel lets go of the lock of a
// program that dies), so two programs never talk to one device at once. The lock is
// on the device's entry in sysfs, not on its node: every open of a node is a reader
// of the device's reports, and an emulated node may hand each open a file of its own.

#include <QByteArray>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <hidapi.h>
#include <sys/file.h>
#include <unistd.h>

#include "app/boxes.h"
#include "app/logging.h"
#include "app/recorder.h"
#include "app/session_face.h"
#include "device/device_state.h"
#include "device/hid_error.h"
#include "device/protocol.h"
#include "device/usb_state.h"
#include "server/server_state.h"

namespace {

// The lock on the open device's node; -1 when none is held.
int node_lock = -1;

// Every tick without a device enumerates nothing: hidapi's text for that is traced when it
// changes, not twice a second.
void trace_enumeration_error(const QString &text)
{
    if (text != enumeration_error)
        qCDebug(orv_usb).noquote() << "nothing enumerated:" << text;
    enumeration_error = text;
}

bool of_the_kind(const hid_device_info *info)
{
    return info->vendor_id == protocol::vendor_id && info->product_id == protocol::product_id;
}

enum class Lock { Held, Taken, Unknown };

// Takes the lock of the device at node `path` (/dev/hidrawN: /sys/class/hidraw/hidrawN).
// A device without such an entry, or one this program cannot read, is not locked here.
Lock lock_node(const char *path, int *fd)
{
    *fd = -1;
    const QByteArray node(path);
    const QByteArray prefix("/dev/hidraw");
    if (!node.startsWith(prefix) || node.size() == prefix.size() || node.indexOf('/', prefix.size()) >= 0)
        return Lock::Unknown;
    const QByteArray entry = "/sys/class/hidraw/" + node.mid(int(sizeof "/dev/") - 1);
    *fd = ::open(entry.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (*fd < 0)
        return Lock::Unknown;
    if (::flock(*fd, LOCK_EX | LOCK_NB) == 0)
        return Lock::Taken;
    const int error = errno;
    ::close(*fd);
    *fd = -1;
    return error == EWOULDBLOCK ? Lock::Held : Lock::Unknown;
}

void release_node()
{
    if (node_lock >= 0)
        ::close(node_lock);
    node_lock = -1;
}

// The device at `path` opened for non-blocking reads, or null (`open_error`: errno of
// the failed open, 0 when the open went through but non-blocking reads were refused).
hid_device *open_path(const char *path, int *open_error)
{
    hid_device *handle = hid_open_path(path);
    *open_error = errno;  // why it failed, before another call changes it
    if (!handle)
        qCDebug(orv_usb).noquote() << "open failed:" << hid_error_text(nullptr);
    // Reads must never wait on the thread of the sequences: a handle that cannot read
    // without waiting is not used.
    if (handle && hid_set_nonblocking(handle, 1) != 0) {
        qCDebug(orv_usb).noquote() << "non-blocking reads refused:" << hid_error_text(handle);
        hid_close(handle);
        handle = nullptr;
        *open_error = 0;
    }
    return handle;
}

} // namespace

QList<session::DeviceNode> session::device_nodes()
{
    QList<DeviceNode> nodes;
    hid_device_info *list = hid_enumerate(0, 0);
    for (const hid_device_info *info = list; info; info = info->next)
        if (of_the_kind(info))
            nodes.append({QString::fromLocal8Bit(info->path),
                          info->serial_number ? QString::fromWCharArray(info->serial_number) : QString()});
    hid_free_enumeration(list);
    return nodes;
}

session::Opening session::open_device(const QString &path)
{
    Opening result;
    device_list = hid_enumerate(0, 0);
    if (!device_list)
        trace_enumeration_error(hid_error_text(nullptr));
    const QByteArray wanted = path.toLocal8Bit();
    hid_device *handle = nullptr;
    bool held = false;
    for (hid_device_info *info = device_list; info && !handle; info = info->next) {
        if (!of_the_kind(info) || (!wanted.isEmpty() && wanted != info->path))
            continue;
        enumeration_error.clear();
        int lock = -1;
        if (lock_node(info->path, &lock) == Lock::Held) {
            // Another program holds it: for this one it is not there yet.
            held = true;
            continue;
        }
        result.path = QString::fromLocal8Bit(info->path);
        int open_error = 0;
        handle = open_path(info->path, &open_error);
        if (!handle) {
            if (lock >= 0)
                ::close(lock);
            result.status = OpenStatus::Failed;
            result.hint = open_failure_hint(open_error, hid_error(nullptr));
            break;
        }
        node_lock = lock;
    }
    hid_free_enumeration(device_list);
    device_list = nullptr;
    if (!handle) {
        if (result.status != OpenStatus::Failed)
            result.status = held ? OpenStatus::InUse : OpenStatus::NoDevice;
        if (held && result.status == OpenStatus::InUse)
            qCDebug(orv_usb) << "device held by another program";
        return result;
    }

    if (QTimer *presence = face().presence_timer)
        presence->stop();
    usb_handle = handle;
    device_open = true;
    USB_error = false;
    reset_server_error();
    USB_open_error_shown = false;
    USB_write_error_shown = false;
    // A device may still send the tail of an exchange another program left
    // unfinished: it is read away before the first message.
    USB_drain_pending = true;
    USB_answer_missed = false;
    USB_opened.start();
    qCDebug(orv_usb) << "device opened";
    recorder::device_opened();
    result.status = OpenStatus::Opened;
    return result;
}

void session::report_open_failure(const Opening &opening)
{
    if (opening.status != OpenStatus::Failed)
        return;
    const bool show = !USB_open_error_shown;
    USB_open_error_shown = true;
    if (show)
        show_box("Error!", "USB not opened! Please reconnect device!", opening.hint.text, opening.hint.arguments);
}

bool session::device_present()
{
    return device_open && usb_handle
           && hid_read(usb_handle, reinterpret_cast<unsigned char *>(RX_report.data()), size_t(RX_report.size())) != -1;
}

// Its handle is closed at once, so re-plugging or failing identification again and
// again leaks nothing.
void session::drop_device()
{
    device_open = false;
    forget_device_identity();
    if (usb_handle) {
        hid_close(usb_handle);
        usb_handle = nullptr;
        qCDebug(orv_usb) << "device closed";
        recorder::device_dropped();
    }
    release_node();
}

void session::finish()
{
    if (device_open && usb_handle) {
        hid_close(usb_handle);
        usb_handle = nullptr;
        recorder::device_dropped();
    }
    release_node();
    if (hid_exit() != 0)
        qCDebug(orv_usb).noquote() << "hid_exit failed:" << hid_error_text(nullptr);
}
