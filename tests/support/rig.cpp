#include "rig.h"

#include <QFile>
#include <QtTest>

#include "api_server.h"
#include "app/app_state.h"
#include "app/mainwindow.h"
#include "app/sequence_guard.h"
#include "app/wait.h"
#include "device/device_state.h"
#include "device/usb_state.h"
#include "server/tls.h"
#include "sim_bus.h"
#include "state_reset.h"

namespace {

// Nothing listens there: requests fail at once with a connection error.
const char *const closed_port_url = "https://127.0.0.1:9";

void trust_test_ca()
{
    static bool done = false;
    if (done)
        return;
    QFile ca(QStringLiteral(ORV_TEST_CERT_DIR "/ca.pem"));
    if (!ca.open(QIODevice::ReadOnly))
        qFatal("test CA missing: %s (build the orv_test_certs target)", qPrintable(ca.fileName()));
    trust_extra_certificates(ca.readAll());
    done = true;
}

} // namespace

Rig::Rig()
{
    init_window_resources();
    reset_shared_state();
    SimBus::instance().reset();
}

Rig::~Rig()
{
    // The window (and its network manager) goes first, so the server does not
    // wait out a keep-alive connection the window still holds.
    delete main;
    main = nullptr;
    if (api)
        api->stop();
    SimBus::instance().reset();
}

void Rig::close_window()
{
    delete main;
    main = nullptr;
}

apiserver::ApiServer &Rig::start_server(const char *catalogue_json)
{
    trust_test_ca();
    std::string error;
    auto catalogue = catalogue_json ? apiserver::Catalogue::from_json(catalogue_json, &error)
                                    : apiserver::Catalogue::load(ORV_TEST_CATALOGUE, &error);
    if (!catalogue)
        qFatal("catalogue: %s", error.c_str());
    api = std::make_unique<apiserver::ApiServer>(*catalogue, ORV_TEST_CERT_DIR "/server.pem",
                                                 ORV_TEST_CERT_DIR "/server.key");
    api->set_untrusted_certificate(ORV_TEST_CERT_DIR "/rogue-server.pem", ORV_TEST_CERT_DIR "/rogue-server.key");
    if (api->start("127.0.0.1", 0) < 0)
        qFatal("API server: %s", api->last_error().c_str());
    return *api;
}

void Rig::register_device(const SimDeviceState &state, int count)
{
    api->set_device(state.serial.toStdString(), state.key.toStdString(), count);
}

SimDevice *Rig::plug(const SimDeviceState &state)
{
    return SimBus::instance().plug(state);
}

void Rig::unplug(SimDevice *device)
{
    SimBus::instance().unplug(device);
}

MainWindow &Rig::open_window()
{
    main = new MainWindow;
    api_base_url = api ? QStringLiteral("https://127.0.0.1:%1").arg(api->port()) : QString(closed_port_url);
    return *main;
}

WindowProbe Rig::probe() const
{
    return WindowProbe(main);
}

bool Rig::wait_identified(int timeout_ms)
{
    return QTest::qWaitFor([] { return device_open && !widgets_cleared && !SequenceGuard::busy(); }, timeout_ms);
}

bool Rig::wait_cleared(int timeout_ms)
{
    return QTest::qWaitFor([] { return !device_open && widgets_cleared && !SequenceGuard::busy(); }, timeout_ms);
}

bool Rig::exchange(const QByteArray &message)
{
    SequenceGuard guard;
    if (guard.refused())
        return false;
    main->USB_clear_data();
    TX_data.append(message);
    main->USB_check_TX();
    USB_wait = wait_open();
    main->USB_write();
    const bool ended = wait_run(USB_wait);
    USB_wait = 0;
    return ended && !USB_error;
}

apiserver::Fault server_fault(apiserver::Endpoint endpoint, apiserver::FaultKind kind, int status,
                              const std::string &body, int delay_ms)
{
    apiserver::Fault fault;
    fault.endpoint = endpoint;
    fault.kind = kind;
    fault.status = status;
    fault.body = body;
    fault.delay_ms = delay_ms;
    fault.once = true;
    return fault;
}

SimDeviceState configured_device(const QByteArray &serial)
{
    SimDeviceState state;
    state.serial = serial;
    state.set_sample_vehicle();
    return state;
}

SimDeviceState unconfigured_device(const QByteArray &serial)
{
    SimDeviceState state;
    state.serial = serial;
    state.config_id = "ROVUncfg_CID";
    return state;
}

QStringList hex(const QList<QByteArray> &messages)
{
    QStringList list;
    for (const QByteArray &message : messages)
        list << QString::fromLatin1(message.toHex(' '));
    return list;
}

QStringList targets(const apiserver::ApiServer &server, size_t from)
{
    QStringList list;
    const auto log = server.log();
    for (size_t i = from; i < log.size(); ++i)
        list << QString::fromStdString(log[i].method + " " + log[i].target);
    return list;
}
