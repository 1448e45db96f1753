#ifndef RIG_H
#define RIG_H

#include <QByteArray>
#include <QString>
#include <memory>

#include "api_server.h"
#include "box_catcher.h"
#include "sim_device.h"
#include "window_probe.h"

class MainWindow;

// One test's world: the window, the simulated device behind the hidapi calls,
// and (when asked for) the local API server on 127.0.0.1 with the test CA
// trusted. Every box the window shows is caught and closed.
class Rig
{
public:
    Rig();
    ~Rig();

    // Starts the local API server with the project's catalogue, or with the one
    // in `catalogue_json`. Without it the window's requests go to a closed port
    // and fail at once. Its untrusted fault presents the rogue certificate.
    apiserver::ApiServer &start_server(const char *catalogue_json = nullptr);
    apiserver::ApiServer *server() const { return api.get(); }
    // The server knows the device: its serial number, key and count.
    void register_device(const SimDeviceState &state, int count);

    SimDevice *plug(const SimDeviceState &state);
    void unplug(SimDevice *device);

    // Creates the window; its presence tick finds a plugged device 500 ms later.
    MainWindow &open_window();
    MainWindow &window() const { return *main; }
    // Deletes the window, as the program's end does; the device and server stay.
    void close_window();
    WindowProbe probe() const;

    // Waits until the window shows an identified device (or `timeout_ms` passes).
    bool wait_identified(int timeout_ms = 10000);
    // Waits until the window is back in its no-device state.
    bool wait_cleared(int timeout_ms = 3000);

    // One exchange the way a sender does it, through the window's public slots;
    // true when it did not fail.
    bool exchange(const QByteArray &message);

    BoxCatcher boxes;

private:
    std::unique_ptr<apiserver::ApiServer> api;
    MainWindow *main = nullptr;
};

// A one-shot fault of the local API server.
apiserver::Fault server_fault(apiserver::Endpoint endpoint, apiserver::FaultKind kind, int status = 500,
                              const std::string &body = {}, int delay_ms = 0);

// A device with a vehicle stored, of model OR+ ("11...") unless a serial is given.
SimDeviceState configured_device(const QByteArray &serial = "1100000001");
// A device without a vehicle.
SimDeviceState unconfigured_device(const QByteArray &serial = "1000000002");

// The hex text of each message, for readable comparisons.
QStringList hex(const QList<QByteArray> &messages);

// "METHOD target" of each request the server logged from index `from` on.
QStringList targets(const apiserver::ApiServer &server, size_t from = 0);

#endif // RIG_H
