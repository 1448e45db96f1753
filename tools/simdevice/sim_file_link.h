// Keeps the simulated bus in step with a state file: the device in the file is plugged into
// the bus (or not), changes made to the file by orv-simdev reach the running device, and
// what the host changes in the device is written back. Optionally appends a wire log.
//
// After each call the device's journal is moved to the wire log, so it does not grow for as
// long as the program runs. Wire log lines: "H>D 09 0a" (a host packet), "D>H 0a 31 30" (a device packet as the host
// read it), "MSG 09 0a" (a complete host message), "OPEN <path>", "CLOSE <path>".
#pragma once

#include "sim_bus.h"
#include "sim_state_file.h"

#include <QString>
#include <memory>
#include <sys/types.h>

class SimFileLink : public SimBusObserver {
public:
    explicit SimFileLink(const QString &state_file, const QString &wire_log = QString());

    void enter(SimBus &bus, Op op, SimDevice *device) override;
    void leave(SimBus &bus, Op op, SimDevice *device, const QByteArray &path) override;

    // Reads the file again if it changed since it was last read or written; true if it did.
    bool sync(SimBus &bus);
    SimDevice *device() const { return device_; }
    // The file as last read or written: identity and plugged status of the device.
    const SimDeviceFile &file() const { return file_; }

private:
    struct Stamp {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        qint64 mtime_ns = 0;
        qint64 ctime_ns = 0;
        bool operator==(const Stamp &o) const;
    };
    Stamp stamp() const;
    void apply(SimBus &bus, const SimDeviceFile &file);
    void save();
    void flush_log(SimDevice *device);
    void append_log(const QByteArray &text);
    void warn(const QString &text);

    QString path_;
    QString log_path_;
    SimDeviceFile file_;  // as last read or written
    bool have_file_ = false;
    bool have_stamp_ = false;
    Stamp stamp_;
    SimDevice *device_ = nullptr;
    std::unique_ptr<SimFileLock> lock_;
    quint64 revision_before_ = 0;
    QString last_warning_;
};
