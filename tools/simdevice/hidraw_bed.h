// The hidraw bed: simulated devices behind emulated /dev/hidraw nodes, for a program that
// runs unchanged with the system's hidapi under umockdev-wrapper. Each device follows its
// state file (SimFileLink), so orv-simdev plugs, unplugs, edits and faults it while the
// program runs; the answers come from the one device model, SimDevice.
//
// A node is a pseudo-terminal that umockdev hands to the program in place of the hidraw
// device: writes and ioctls reach the bed through umockdev's handler, answers go back as
// bytes on the terminal, which the program's poll() and read() see unchanged.
#pragma once

#include "sim_file_link.h"

#include <QString>
#include <memory>
#include <mutex>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

class HidrawBed {
public:
    struct DeviceOptions {
        QString state_file;
        QString wire_log;
        bool denied = false;  // the node is mode 0600, owned by whoever runs the bed
        // The device answers from this recording instead of its model (SimDevice::set_replay).
        std::shared_ptr<DeviceReplay> replay;
    };

    // Creates the empty testbed; sets UMOCKDEV_DIR for programs started afterwards.
    HidrawBed();
    ~HidrawBed();
    HidrawBed(const HidrawBed &) = delete;
    HidrawBed &operator=(const HidrawBed &) = delete;

    // Devices are listed in the order they are added (their USB ports 1-1, 1-2, ...).
    void add_device(const DeviceOptions &options);
    // Reads every state file that changed and plugs or unplugs nodes to match; hands on
    // answers that a late fault held back. Call every few milliseconds.
    void tick();
    // The testbed's root (its sys and dev folders), for a program started another way.
    QString root_dir() const;
    // Whether a program still holds a node open. umockdev lets go of a client on its own
    // worker thread a moment after the program has closed the node or ended, and calls the
    // bed when it does: the bed must not be destroyed before.
    bool held() const;

    struct Node;
    struct Slot;

private:
    void plug(Slot &slot, const std::shared_ptr<SimDevice> &device);
    void hang_up(Slot &slot);
    void pump(Node &node);

    static int on_write(void *handler, void *client, void *self);
    static int on_ioctl(void *handler, void *client, void *self);
    static void on_connected(void *handler, void *client, void *self);
    static void on_closed(void *self, void *client);

    UMockdevTestbed *testbed_ = nullptr;
    // The handlers run on umockdev's worker thread, the ticks on the main loop.
    mutable std::recursive_mutex mutex_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<std::unique_ptr<Node>> nodes_;
    int next_node_ = 0;
};
