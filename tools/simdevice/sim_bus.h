// A USB bus of simulated HID devices behind the hidapi functions the configurator calls. Tests
// and benchmarks that link this library instead of hidapi talk to these devices through the
// unchanged hidapi calls, and plug, unplug and inspect the devices through SimBus.
#pragma once

#include "sim_codec.h"
#include "sim_device.h"

#include <hidapi.h>

#include <QByteArray>
#include <QList>
#include <cerrno>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class SimBus;

// Lets an owner watch the hidapi calls that touch devices (the benchmarks' clock). Called
// with the bus lock held, around each of them.
class SimBusObserver {
public:
    enum class Op { Enumerate, Open, Close, Write, Read };
    virtual ~SimBusObserver() = default;
    // Before the call; `device` is the handle's device for Close, Write and Read.
    virtual void enter(SimBus &bus, Op op, SimDevice *device) = 0;
    // After the call; `path` is the device's path for a successful Open and for Close.
    virtual void leave(SimBus &bus, Op op, SimDevice *device, const QByteArray &path) = 0;
};

class SimBus {
public:
    static SimBus &instance();

    // The device is owned by the bus until reset(); it stays readable after an unplug.
    SimDevice *plug(const SimDeviceState &state, quint16 vendor_id = sim_wire::vendor_id,
                    quint16 product_id = sim_wire::product_id);
    // A HID device of another kind (a keyboard, say): listed, opened, never answers.
    SimDevice *plug_other(quint16 vendor_id = 0x046D, quint16 product_id = 0xC31C);
    // The device leaves the enumeration; its open handles fail with -1 from now on.
    void unplug(SimDevice *device);
    // Unplugs and forgets every device, frees every handle and zeroes the counters.
    void reset();
    // The next n opens fail the way the hidraw backend reports a node that open(2) refused:
    // errno is set and hid_error(NULL) ends in strerror(errno).
    // EBUSY: the device is busy; EACCES: the user may not open it (no udev rule).
    void fail_next_opens(int n, int error_number = EBUSY);

    QList<SimDevice *> plugged_devices() const;  // in plug order
    QByteArray path_of(const SimDevice *device) const;

    int open_handles() const { return locked([this] { return int(handles_.size()); }); }
    int total_opens() const { return locked([this] { return opens_; }); }
    int total_closes() const { return locked([this] { return closes_; }); }
    int exit_calls() const { return locked([this] { return exits_; }); }
    // Lists returned by hid_enumerate and not yet freed.
    int live_enumerations() const { return locked([this] { return int(lists_.size()); }); }
    // Calls that passed a handle the bus does not know: closed, or from before reset().
    int stale_handle_calls() const { return locked([this] { return stale_calls_; }); }

    void set_observer(SimBusObserver *observer);

    // The hidapi functions, one to one (sim_hidapi.cpp forwards to these).
    int hid_exit();
    hid_device_info *hid_enumerate(unsigned short vendor_id, unsigned short product_id);
    void hid_free_enumeration(hid_device_info *devs);
    hid_device *hid_open_path(const char *path);
    int hid_write(hid_device *dev, const unsigned char *data, size_t length);
    int hid_read(hid_device *dev, unsigned char *data, size_t length);
    int hid_set_nonblocking(hid_device *dev, int nonblock);
    void hid_close(hid_device *dev);
    const wchar_t *hid_error(hid_device *dev);

    struct Entry;

private:
    SimBus() = default;
    template <class F>
    int locked(F f) const
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        return f();
    }
    SimDevice *add(const SimDeviceState &state, quint16 vid, quint16 pid, bool silent);
    Entry *entry_of(const SimDevice *device) const;
    bool listed(const Entry &e) const;
    bool valid(hid_device *dev);
    void enter(SimBusObserver::Op op, SimDevice *device);
    void leave(SimBusObserver::Op op, SimDevice *device, const QByteArray &path = {});

    mutable std::recursive_mutex mutex_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::set<hid_device *> handles_;
    std::set<hid_device_info *> lists_;
    SimBusObserver *observer_ = nullptr;
    std::wstring global_error_;
    int fail_opens_ = 0;
    int fail_opens_errno_ = EBUSY;
    int open_errno_ = 0;  // errno of the last failed open
    int next_path_ = 1;
    int opens_ = 0;
    int closes_ = 0;
    int exits_ = 0;
    int stale_calls_ = 0;
};
