#include "sim_bus.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

// Choices where the real library's behaviour is not something a simulation can copy:
// - A simulated device never sends a report on its own, so waiting cannot bring one: every
//   read polls once and returns 0 when nothing waits, blocking or not.
// - A call on a handle the bus does not know (closed, or from before reset()) fails with -1
//   instead of touching freed memory, and is counted (stale_handle_calls).

struct SimBus::Entry {
    std::unique_ptr<SimDevice> device;
    quint16 vendor_id = 0;
    quint16 product_id = 0;
    QByteArray path;
};

struct hid_device_ {
    SimBus::Entry *entry = nullptr;
    std::wstring error;
};

namespace {

const wchar_t gone_text[] = L"The device has been disconnected.";

std::wstring wide(const QByteArray &utf8)
{
    return QString::fromUtf8(utf8).toStdWString();
}

wchar_t *wide_dup(const std::wstring &s)
{
    auto *out = static_cast<wchar_t *>(std::malloc((s.size() + 1) * sizeof(wchar_t)));
    if (out)
        std::wcscpy(out, s.c_str());
    return out;
}

hid_device_info *make_info(const SimBus::Entry &e)
{
    auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
    if (!info)
        return nullptr;
    info->path = strdup(e.path.constData());
    info->vendor_id = e.vendor_id;
    info->product_id = e.product_id;
    info->serial_number = wide_dup(wide(e.device->state().serial));
    info->release_number = 0x0100;
    info->usage_page = 0xFF00;
    info->usage = 0x0001;
    info->interface_number = 0;
    info->next = nullptr;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

void free_info(hid_device_info *info)
{
    while (info) {
        hid_device_info *next = info->next;
        std::free(info->path);
        std::free(info->serial_number);
        std::free(info);
        info = next;
    }
}

}  // namespace

SimBus &SimBus::instance()
{
    // Never destroyed: a program may still close its handle from a static destructor.
    static SimBus *bus = new SimBus;
    return *bus;
}

SimDevice *SimBus::add(const SimDeviceState &state, quint16 vid, quint16 pid, bool silent)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto e = std::make_unique<Entry>();
    e->device = std::make_unique<SimDevice>(state);
    e->device->set_silent(silent);
    e->vendor_id = vid;
    e->product_id = pid;
    e->path = "sim-hid:" + QByteArray::number(next_path_++);
    SimDevice *device = e->device.get();
    entries_.push_back(std::move(e));
    return device;
}

SimDevice *SimBus::plug(const SimDeviceState &state, quint16 vendor_id, quint16 product_id)
{
    return add(state, vendor_id, product_id, false);
}

SimDevice *SimBus::plug_other(quint16 vendor_id, quint16 product_id)
{
    SimDeviceState state;
    state.serial = "OTHER-0001";
    return add(state, vendor_id, product_id, true);
}

void SimBus::unplug(SimDevice *device)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (entry_of(device))
        device->set_plugged(false);
}

void SimBus::reset()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (hid_device *h : handles_)
        delete h;
    handles_.clear();
    lists_.clear();  // their memory belongs to whoever holds them
    entries_.clear();
    global_error_.clear();
    fail_opens_ = 0;
    fail_opens_errno_ = EBUSY;
    next_path_ = 1;
    opens_ = closes_ = exits_ = stale_calls_ = 0;
}

void SimBus::fail_next_opens(int n, int error_number)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    fail_opens_ = std::max(0, n);
    fail_opens_errno_ = error_number;
}

QList<SimDevice *> SimBus::plugged_devices() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    QList<SimDevice *> out;
    for (const auto &e : entries_)
        if (listed(*e))
            out.append(e->device.get());
    return out;
}

QByteArray SimBus::path_of(const SimDevice *device) const
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const Entry *e = entry_of(device);
    return e ? e->path : QByteArray();
}

void SimBus::set_observer(SimBusObserver *observer)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    observer_ = observer;
}

SimBus::Entry *SimBus::entry_of(const SimDevice *device) const
{
    for (const auto &e : entries_)
        if (e->device.get() == device)
            return e.get();
    return nullptr;
}

bool SimBus::listed(const Entry &e) const
{
    return e.device->plugged();
}

bool SimBus::valid(hid_device *dev)
{
    if (!dev)
        return false;
    if (handles_.count(dev) > 0)
        return true;
    ++stale_calls_;
    return false;
}

void SimBus::enter(SimBusObserver::Op op, SimDevice *device)
{
    if (observer_)
        observer_->enter(*this, op, device);
}

void SimBus::leave(SimBusObserver::Op op, SimDevice *device, const QByteArray &path)
{
    if (observer_)
        observer_->leave(*this, op, device, path);
}

// ---------------------------------------------------------------- hidapi

int SimBus::hid_exit()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ++exits_;
    global_error_.clear();
    return 0;
}

hid_device_info *SimBus::hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    enter(SimBusObserver::Op::Enumerate, nullptr);
    hid_device_info *head = nullptr;
    hid_device_info *tail = nullptr;
    for (const auto &e : entries_) {
        if (!listed(*e) || (vendor_id && e->vendor_id != vendor_id) ||
            (product_id && e->product_id != product_id))
            continue;
        hid_device_info *info = make_info(*e);
        if (!info)
            break;
        (tail ? tail->next : head) = info;
        tail = info;
    }
    if (head) {
        lists_.insert(head);
        global_error_.clear();
    } else {
        global_error_ = (vendor_id || product_id)
                            ? L"No HID devices with requested VID/PID found in the system."
                            : L"No HID devices found in the system.";
    }
    leave(SimBusObserver::Op::Enumerate, nullptr);
    return head;
}

void SimBus::hid_free_enumeration(hid_device_info *devs)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!devs)
        return;
    lists_.erase(devs);
    free_info(devs);
}

hid_device *SimBus::hid_open_path(const char *path)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    enter(SimBusObserver::Op::Open, nullptr);
    Entry *found = nullptr;
    for (const auto &e : entries_) {
        if (path && listed(*e) && e->path == path) {
            found = e.get();
            break;
        }
    }
    hid_device *h = nullptr;
    if (!found) {
        global_error_ = L"Failed to open a device with path '" +
                        wide(QByteArray(path ? path : "")) + L"': No such file or directory";
        open_errno_ = ENOENT;
    } else if (fail_opens_ > 0) {
        --fail_opens_;
        // hidapi 0.13.1, hidraw: "Failed to open a device with path '%s': %s", strerror(errno),
        // and errno stays as open(2) left it.
        global_error_ = L"Failed to open a device with path '" + wide(found->path) + L"': " +
                        wide(QByteArray(std::strerror(fail_opens_errno_)));
        open_errno_ = fail_opens_errno_;
    } else {
        h = new hid_device_;
        h->entry = found;
        handles_.insert(h);
        ++opens_;
        global_error_.clear();
        found->device->host_opened();
    }
    leave(SimBusObserver::Op::Open, h ? found->device.get() : nullptr,
          h ? found->path : QByteArray());
    if (!h)
        errno = open_errno_;  // after the observer, which may change it
    return h;
}

int SimBus::hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!valid(dev))
        return -1;
    SimDevice *device = dev->entry->device.get();
    enter(SimBusObserver::Op::Write, device);
    const int n = device->write(data, length);
    dev->error = n < 0 ? (device->plugged() ? L"Write failed." : gone_text) : L"";
    leave(SimBusObserver::Op::Write, device);
    return n;
}

int SimBus::hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!valid(dev))
        return -1;
    SimDevice *device = dev->entry->device.get();
    enter(SimBusObserver::Op::Read, device);
    const int n = device->read(data, length);
    dev->error = n < 0 ? gone_text : L"";
    leave(SimBusObserver::Op::Read, device);
    return n;
}

int SimBus::hid_set_nonblocking(hid_device *dev, int)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return valid(dev) ? 0 : -1;
}

void SimBus::hid_close(hid_device *dev)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!valid(dev))
        return;
    SimDevice *device = dev->entry->device.get();
    const QByteArray path = dev->entry->path;
    enter(SimBusObserver::Op::Close, device);
    handles_.erase(dev);
    device->host_closed();
    ++closes_;
    delete dev;
    leave(SimBusObserver::Op::Close, device, path);
}

const wchar_t *SimBus::hid_error(hid_device *dev)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::wstring &text = valid(dev) ? dev->error : global_error_;
    return text.empty() ? L"Success" : text.c_str();
}
