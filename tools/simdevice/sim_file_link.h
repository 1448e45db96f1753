// Keeps a simulated device in step with its state file, for the hidraw bed: the device in the
// file is plugged in (or not), changes made to the file by orv-simdev reach the running
// device, and what the host changes in the device is written back. Optionally appends a
// wire log.
//
// The journal of a device is moved to the wire log as it goes, so it does not grow for as
// long as the program runs. Wire log lines: "H>D 09 0a" (a host packet), "D>H 0a 31 30" (a
// device packet as the host read it), "MSG 09 0a" (a complete host message), "OPEN <path>",
// "CLOSE <path>".
#pragma once

#include "sim_state_file.h"

#include <QString>
#include <memory>
#include <sys/types.h>

class SimFileLink {
public:
    explicit SimFileLink(const QString &state_file, const QString &wire_log = QString());

    // Reads the file again if it changed since it was last read or written; true if it did.
    // A new plug (or a file that says unplugged) unplugs the device of the last one; whoever
    // still holds that one may keep it until it lets go.
    bool sync();
    // The device of the file's current plug; null when the file says it is unplugged.
    std::shared_ptr<SimDevice> device() const { return device_; }
    // The file as last read or written: identity and plugged status of the device.
    const SimDeviceFile &file() const { return file_; }

    // One output report to `device` under the file's lock, with the file read before and,
    // when the device is the current one and the report changed it, written back after.
    int write(SimDevice &device, const unsigned char *data, size_t length);
    // Moves the device's journal to the wire log.
    void flush_log(SimDevice &device);
    // Appends one line ("OPEN /dev/hidraw0") to the wire log.
    void log_line(const QByteArray &line);

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
    void apply(const SimDeviceFile &file);
    void unplug();
    void save();
    void append_log(const QByteArray &text);
    void warn(const QString &text);

    QString path_;
    QString log_path_;
    SimDeviceFile file_;  // as last read or written
    bool have_file_ = false;
    bool have_stamp_ = false;
    Stamp stamp_;
    std::shared_ptr<SimDevice> device_;
    QString last_warning_;
};
