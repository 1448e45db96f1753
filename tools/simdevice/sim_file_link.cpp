#include "sim_file_link.h"

#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The file is checked with one stat() per tick of the bed and per report: a change of inode,
// size or time stamps means someone replaced it. Writers always replace it by rename, so a reader never sees half
// a file and needs no lock; only read-modify-write needs the lock. A write from the host holds
// the lock from the check before the packet to the write-back after it, so a change made by
// orv-simdev at the same moment is never overwritten with older values.

bool SimFileLink::Stamp::operator==(const Stamp &o) const
{
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
           mtime_ns == o.mtime_ns && ctime_ns == o.ctime_ns;
}

SimFileLink::SimFileLink(const QString &state_file, const QString &wire_log)
    : path_(state_file), log_path_(wire_log)
{
}

SimFileLink::Stamp SimFileLink::stamp() const
{
    Stamp s;
    struct stat st;
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime_ns = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctime_ns = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

int SimFileLink::write(SimDevice &device, const unsigned char *data, size_t length)
{
    const SimFileLock lock(path_);
    if (!lock.locked())
        warn(QStringLiteral("cannot lock %1.lock: %2").arg(path_, lock.error()));
    sync();
    const quint64 before = device.revision();
    const int n = device.write(data, length);
    flush_log(device);
    if (&device == device_.get() && device.revision() != before)
        save();
    return n;
}

bool SimFileLink::sync()
{
    const Stamp now = stamp();
    if (have_stamp_ && now == stamp_)
        return false;
    have_stamp_ = true;
    stamp_ = now;
    if (!now.exists) {
        warn(QStringLiteral("state file %1 is missing; no device is plugged").arg(path_));
        unplug();
        have_file_ = false;
        return true;
    }
    SimDeviceFile file;
    QString error;
    if (!load_device_file(path_, &file, &error)) {
        // Keep the device as it was; the next change of the file is read again.
        warn(QStringLiteral("cannot read state file %1: %2").arg(path_, error));
        return false;
    }
    last_warning_.clear();
    apply(file);
    return true;
}

void SimFileLink::apply(const SimDeviceFile &file)
{
    const bool same_plug = have_file_ && device_ && device_->plugged() && file.plugged &&
                           file.generation == file_.generation &&
                           file.vendor_id == file_.vendor_id &&
                           file.product_id == file_.product_id;
    if (same_plug) {
        // Edited while plugged: the device keeps its connection and takes the new values.
        device_->set_state(file.state);
        device_->set_faults(file.faults);
    } else {
        unplug();
        if (file.plugged) {
            device_ = std::make_shared<SimDevice>(file.state);
            device_->set_faults(file.faults);
        }
    }
    file_ = file;
    have_file_ = true;
}

void SimFileLink::unplug()
{
    if (device_)
        device_->set_plugged(false);
    device_.reset();
}

void SimFileLink::save()
{
    file_.state = device_->state();
    file_.faults = device_->faults();
    file_.plugged = device_->plugged();
    QString error;
    if (!save_device_file(path_, file_, &error))
        warn(QStringLiteral("cannot write state file %1: %2").arg(path_, error));
    stamp_ = stamp();  // our own write is no news
    have_stamp_ = true;
}

void SimFileLink::flush_log(SimDevice &device)
{
    if (!log_path_.isEmpty() && !device.journal().isEmpty()) {
        QByteArray text;
        for (const SimEvent &e : device.journal()) {
            text += e.kind == SimEvent::HostPacket     ? "H>D"
                    : e.kind == SimEvent::DevicePacket ? "D>H"
                                                       : "MSG";
            if (!e.bytes.isEmpty())
                text += ' ' + e.bytes.toHex(' ');
            text += '\n';
        }
        append_log(text);
    }
    // The journal would otherwise grow for as long as the program runs.
    device.clear_log();
}

void SimFileLink::log_line(const QByteArray &line)
{
    append_log(line + '\n');
}

void SimFileLink::append_log(const QByteArray &text)
{
    if (log_path_.isEmpty())
        return;
    const int fd = ::open(QFile::encodeName(log_path_).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        warn(QStringLiteral("cannot open wire log %1").arg(log_path_));
        return;
    }
    const ssize_t n = ::write(fd, text.constData(), size_t(text.size()));
    ::close(fd);
    if (n != text.size())
        warn(QStringLiteral("cannot write wire log %1").arg(log_path_));
}

void SimFileLink::warn(const QString &text)
{
    if (text == last_warning_)
        return;  // once per problem, not once per read tick
    last_warning_ = text;
    std::fprintf(stderr, "orv-simbed: %s\n", text.toLocal8Bit().constData());
}
