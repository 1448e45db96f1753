// The state file of a simulated device: identity, stored values, plugged status and pending
// faults, as JSON. The hidraw bed runs the device from it and writes back what the host
// changes; orv-simdev edits it. Both sides change it only under SimFileLock and replace
// it by an atomic rename, so a reader always sees a whole file.
#pragma once

#include "sim_codec.h"
#include "sim_device.h"

#include <QJsonObject>
#include <QString>

struct SimDeviceFile {
    bool plugged = true;
    quint16 vendor_id = sim_wire::vendor_id;
    quint16 product_id = sim_wire::product_id;
    // Grows with every plug, so that plugging a plugged device is seen as a re-plug.
    int generation = 0;
    SimDeviceState state;
    QList<SimFault> faults;
};

QJsonObject device_file_to_json(const SimDeviceFile &file);
// Missing keys keep their defaults, so a hand-written file may be short.
bool device_file_from_json(const QJsonObject &json, SimDeviceFile *out, QString *error);

// One fault of the "faults" list; orv-simdev builds its faults with it too.
bool fault_from_json(const QJsonValue &value, SimFault *out, QString *error);

bool load_device_file(const QString &path, SimDeviceFile *out, QString *error);
bool save_device_file(const QString &path, const SimDeviceFile &file, QString *error);

// An exclusive flock on "<state file>.lock", held while the object lives.
class SimFileLock {
public:
    explicit SimFileLock(const QString &state_file);
    ~SimFileLock();
    SimFileLock(const SimFileLock &) = delete;
    SimFileLock &operator=(const SimFileLock &) = delete;
    bool locked() const { return fd_ >= 0; }
    QString error() const { return error_; }

private:
    int fd_ = -1;
    QString error_;
};
