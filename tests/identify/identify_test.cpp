// Finding, identifying and losing the device: the queries on the wire, the
// server requests, the window's device state, and handles that never leak.

#include <QtTest>
#include <QLabel>
#include <cerrno>

#include "api_server.h"
#include "app/app_state.h"
#include "app/idle_work.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/pictures.h"
#include "device/usb_state.h"
#include "device/device_state.h"
#include "server/server_state.h"
#include "sim_bus.h"
#include "support/rig.h"
#include "support/trace_capture.h"

Q_DECLARE_METATYPE(SimDeviceState)
Q_DECLARE_METATYPE(SimFault)

namespace {

const QStringList first_queries{"03", "09 0a", "09 0d 04", "09 0c", "09 0b", "09 14"};
const QStringList vehicle_queries{"09 15", "09 16", "09 17", "09 18", "09 19", "09 1a"};
const QStringList state_queries{"09 34", "09 33", "09 32"};

QStringList requested_paths(const apiserver::ApiServer &server)
{
    QStringList paths;
    for (const auto &entry : server.log())
        paths << QString::fromStdString(entry.target);
    return paths;
}

} // namespace

class IdentifyTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void query_order_data();
    void query_order();
    void configured_device_fills_the_window();
    void unconfigured_device_shows_no_vehicle();
    void count_of_zero_skips_the_brand_list();
    void failure_at_serial_number_stops_and_drops_the_device();
    void unauthorized_token_drops_the_device();
    void first_of_two_devices_is_opened();
    void unplug_and_replug_identify_anew();
    void open_failure_box_shows_once();
    void unplug_while_the_server_answers_clears_at_once_data();
    void unplug_while_the_server_answers_clears_at_once();
    void rejected_token_box_shows_once_per_plug_in();
    void identity_is_the_devices_own_data();
    void identity_is_the_devices_own();
    void device_texts_are_plain_and_cut();
    void compressed_brand_list_is_not_unpacked();
    void trace_hides_serial_number_and_key();
    void denied_access_names_the_fix();
    void handles_are_closed_when_dropped();
    void a_dropped_device_keeps_nothing_made_ready();
    void window_close_releases_the_device();

private:
    std::unique_ptr<Rig> rig;
};

void IdentifyTest::init()
{
    rig = std::make_unique<Rig>();
    rig->start_server();
}

void IdentifyTest::cleanup()
{
    rig.reset();
}

void IdentifyTest::query_order_data()
{
    QTest::addColumn<SimDeviceState>("state");
    QTest::addColumn<QStringList>("queries");
    QTest::newRow("unconfigured OR") << unconfigured_device("1000000007") << first_queries + state_queries;
    QTest::newRow("configured OR")
        << configured_device("1000000008") << first_queries + vehicle_queries + state_queries;
    QTest::newRow("configured OR+: drive mode too")
        << configured_device("1100000009") << first_queries + vehicle_queries + QStringList{"09 1c"} + state_queries;
    QTest::newRow("unconfigured OR+: no drive mode") << unconfigured_device("1100000010") << first_queries + state_queries;
}

void IdentifyTest::query_order()
{
    QFETCH(SimDeviceState, state);
    QFETCH(QStringList, queries);
    rig->register_device(state, 3);
    SimDevice *device = rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    QCOMPARE(hex(device->messages()), queries);
    QCOMPARE(requested_paths(*rig->server()), (QStringList{"/api/v1/chip/limitInfo", "/api/v1/vehicle/brand?"}));
    QCOMPARE(rig->boxes.count(), 0);
}

void IdentifyTest::configured_device_fills_the_window()
{
    SimDeviceState state = configured_device("1100000001");
    state.settings_flags = 0x02;      // standby U, manual
    state.protocol_mask = 0x0080;     // J1850 VPW
    state.pin_activity = 0x0021;      // HS CAN and K Line active
    state.indication = 0;
    state.drive_mode = 1;
    rig->register_device(state, 300);
    rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());

    const WindowProbe probe = rig->probe();
    QCOMPARE(probe.text("label_serial_number"), QStringLiteral("1100000001"));
    QCOMPARE(probe.text("label_firmware"), QStringLiteral("1.0.3.0.12"));
    QCOMPARE(probe.text("label_hardware"), QStringLiteral("1.0.0.0.2"));
    QCOMPARE(probe.text("label_marka_model"), QStringLiteral("Sample Motors   Roadster"));
    QCOMPARE(probe.text("label_modif_power_torque"), QStringLiteral("2.0 TSI 150  150HP  320NM"));
    QCOMPARE(probe.text("label_software"), QStringLiteral("SW-0142-A"));
    QCOMPARE(probe.text("label_stby"), QStringLiteral("MANUAL, U"));
    QCOMPARE(probe.text("label_protocol"), QStringLiteral("MANUAL, J1850 VPW"));
    QCOMPARE(probe.text("label_avail_config"), QStringLiteral("300"));
    QCOMPARE(probe.text("comboBox_protocol"), QStringLiteral("J1850 VPW"));
    QCOMPARE(probe.items("comboBox_protocol"), protocol_names);
    QVERIFY(probe.sheet("label_device").contains(":/all/OR+.png"));
    QVERIFY(probe.sheet("label_text_select_vehicle").contains(":/eng/text_select_new_vehicle.png"));
    QVERIFY(probe.sheet("pushButton_apply_car").contains(":/eng/apply_car_on.png"));
    QVERIFY(probe.sheet("label_errors").contains(":/eng/no_errors.png"));
    QVERIFY(probe.sheet("pushButton_eco").contains("eco_on.png"));
    QVERIFY(probe.sheet("pushButton_dynamic").contains("dynamic_off.png"));
    QVERIFY(probe.sheet("label_indication_on_off").endsWith("transparent;image: url(:/all/indication_off.png);"));
    QVERIFY(probe.sheet("label_stby_u_s").contains("stby_u.png"));
    QVERIFY(!probe.enabled("pushButton_stby_u"));
    QVERIFY(probe.enabled("pushButton_stby_s"));
    QVERIFY(!probe.check("checkBox_auto_stby"));
    QVERIFY(!probe.check("checkBox_auto_proto"));
    for (const char *name : {"pushButton_dynamic", "pushButton_eco", "pushButton_stock", "label_drive_modes", "pin_1"})
        QVERIFY2(probe.visible(name), name);
    for (const char *name : {"pushButton_dynamic", "pushButton_eco", "pushButton_stock", "comboBox_marka",
                             "pushButton_apply_car", "pushButton_apply_settings", "pushButton_indication_on"})
        QVERIFY2(probe.enabled(name), name);
    // Both indication buttons are enabled with the other controls; the picture shows the state.
    QVERIFY(probe.enabled("pushButton_indication_off"));
    // Pins: J1850 VPW (2) red; HS CAN (6, 14) and K Line (7) yellow.
    QVERIFY(probe.sheet("pin_2").contains("red.png"));
    QVERIFY(probe.sheet("pin_6").contains("yellow.png"));
    QVERIFY(probe.sheet("pin_14").contains("yellow.png"));
    QVERIFY(probe.sheet("pin_7").contains("yellow.png"));
    QCOMPARE(probe.sheet("pin_1"), "background-color: none;image: none;");
    // The brand list, sorted, after its placeholder.
    const QStringList brands = probe.items("comboBox_marka");
    QVERIFY(brands.size() > 25);
    QCOMPARE(brands.first(), QStringLiteral("BRAND"));
    QStringList sorted = brands.mid(1);
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(brands.mid(1), sorted);
    QVERIFY(probe.missing_pictures().isEmpty());
}

void IdentifyTest::unconfigured_device_shows_no_vehicle()
{
    const SimDeviceState state = unconfigured_device("1000000001");
    rig->register_device(state, 3);
    rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    const WindowProbe probe = rig->probe();
    QVERIFY(probe.sheet("label_marka_model").contains(":/eng/no_vehicle.png"));
    QVERIFY(probe.sheet("label_text_select_vehicle").contains(":/eng/text_select_vehicle.png"));
    QVERIFY(probe.sheet("label_device").contains(":/all/OR.png"));
    QVERIFY(probe.text("label_marka_model").isEmpty());
    for (const char *name : {"pushButton_dynamic", "label_drive_modes"})
        QVERIFY2(!probe.visible(name), name);
    // Automatic protocol: the placeholder heads the list.
    QCOMPARE(probe.text("label_protocol"), QStringLiteral("AUTO, NOT SELECTED"));
    QCOMPARE(probe.text("comboBox_protocol"), QStringLiteral("NOT SELECTED"));
    QCOMPARE(probe.items("comboBox_protocol").size(), 13);
    QVERIFY(probe.check("checkBox_auto_proto"));
}

void IdentifyTest::count_of_zero_skips_the_brand_list()
{
    const SimDeviceState state = unconfigured_device("1000000002");
    rig->register_device(state, 0);
    rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    QCOMPARE(requested_paths(*rig->server()), QStringList{"/api/v1/chip/limitInfo"});
    QCOMPARE(rig->probe().text("label_avail_config"), QStringLiteral("0"));
    QCOMPARE(rig->probe().items("comboBox_marka"), QStringList{"BRAND"});
}

void IdentifyTest::failure_at_serial_number_stops_and_drops_the_device()
{
    const SimDeviceState state = unconfigured_device("1000000001");
    rig->register_device(state, 3);
    SimDevice *device = rig->plug(state);
    device->add_fault(SimFault::no_answer(1000, QByteArray::fromHex("090a")));
    rig->open_window();
    QVERIFY(QTest::qWaitFor([&] { return rig->boxes.count() > 0; }, 5000));
    QVERIFY(rig->wait_cleared());
    QCOMPARE(hex(device->messages()), (QStringList{"03", "09 0a"}));
    QVERIFY(rig->server()->log().empty());
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / No connection! Please reconnect device!"});
    QVERIFY(rig->probe().visible("label_marka_model"));
    QVERIFY(rig->probe().visible("label_modif_power_torque"));
    QVERIFY(rig->probe().text("label_serial_number").isEmpty());
    QCOMPARE(SimBus::instance().open_handles(), 0);

    // Still plugged in: a later tick identifies it anew.
    device->clear_faults();
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->probe().text("label_serial_number"), QStringLiteral("1000000001"));
}

void IdentifyTest::unauthorized_token_drops_the_device()
{
    const SimDeviceState state = unconfigured_device("1000000099");  // unknown to the server
    SimDevice *device = rig->plug(state);
    rig->open_window();
    QVERIFY(QTest::qWaitFor([&] { return rig->boxes.count() > 0; }, 5000));
    QVERIFY(rig->wait_cleared());
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error! Error code 110"});
    QCOMPARE(requested_paths(*rig->server()), QStringList{"/api/v1/chip/limitInfo"});
    QCOMPARE(SimBus::instance().open_handles(), 0);
    QVERIFY(!device->messages().isEmpty());
}

void IdentifyTest::first_of_two_devices_is_opened()
{
    SimBus::instance().plug_other();
    const SimDeviceState first = unconfigured_device("1000000001");
    const SimDeviceState second = unconfigured_device("1000000003");
    rig->register_device(first, 3);
    rig->register_device(second, 1);
    SimDevice *one = rig->plug(first);
    SimDevice *two = rig->plug(second);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->probe().text("label_serial_number"), QStringLiteral("1000000001"));
    QVERIFY(!one->messages().isEmpty());
    QVERIFY(two->messages().isEmpty());
    QCOMPARE(SimBus::instance().open_handles(), 1);
}

void IdentifyTest::unplug_and_replug_identify_anew()
{
    const SimDeviceState state = configured_device("1100000001");
    rig->register_device(state, 300);
    SimDevice *device = rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());

    QElapsedTimer clock;
    clock.start();
    rig->unplug(device);
    QVERIFY(rig->wait_cleared(1000));
    QVERIFY2(clock.elapsed() < 700, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig->boxes.count(), 0);
    const WindowProbe probe = rig->probe();
    QVERIFY(probe.text("label_serial_number").isEmpty());
    QCOMPARE(probe.items("comboBox_marka"), QStringList{"BRAND"});
    QVERIFY(!probe.visible("pushButton_dynamic"));
    QVERIFY(probe.sheet("label_device").contains("no_device.png"));
    QCOMPARE(SimBus::instance().open_handles(), 0);

    SimDevice *again = rig->plug(state);
    QVERIFY(rig->wait_identified());
    QCOMPARE(hex(again->messages()).mid(0, 2), (QStringList{"03", "09 0a"}));
    QCOMPARE(rig->probe().text("label_serial_number"), QStringLiteral("1100000001"));
}

void IdentifyTest::open_failure_box_shows_once()
{
    const SimDeviceState state = unconfigured_device("1000000001");
    rig->register_device(state, 3);
    rig->plug(state);
    SimBus::instance().fail_next_opens(4);
    rig->open_window();
    QVERIFY(rig->wait_identified(6000));
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / USB not opened! Please reconnect device!"});
    QCOMPARE(SimBus::instance().total_opens(), 1);
}

// A node the user may not open (no udev rule): the same box, once, with what fixes it.
void IdentifyTest::denied_access_names_the_fix()
{
    const SimDeviceState state = unconfigured_device("1000000001");
    rig->register_device(state, 3);
    rig->plug(state);
    SimBus::instance().fail_next_opens(3, EACCES);
    rig->open_window();
    QVERIFY(rig->wait_identified(6000));
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / USB not opened! Please reconnect device!"});
    const QString hint = rig->boxes.boxes().first().informative;
    QVERIFY2(hint.startsWith("Access to the device is missing") && hint.contains("/70-orv.rules")
                 && hint.endsWith("sudo udevadm control --reload && sudo udevadm trigger"),
             qPrintable(hint));
}

void IdentifyTest::handles_are_closed_when_dropped()
{
    const SimDeviceState state = unconfigured_device("1000000001");
    rig->register_device(state, 3);
    SimDevice *device = rig->plug(state);
    // Three failed identifications in a row, then a good one.
    for (int i = 0; i < 3; ++i)
        device->add_fault(SimFault::fail(QByteArray::fromHex("090d")));
    rig->open_window();
    QVERIFY(rig->wait_identified(8000));
    // The same failure at the same query is shown once per plug-in.
    QCOMPARE(rig->boxes.count(), 1);
    SimBus &bus = SimBus::instance();
    QCOMPARE(bus.total_opens(), 4);
    QCOMPARE(bus.total_closes(), 3);
    QCOMPARE(bus.open_handles(), 1);
    QCOMPARE(bus.live_enumerations(), 0);
}

// What is made ready for a device's window goes with the device, also when its
// first write fails before any of it was made (here nothing waits before it).
void IdentifyTest::a_dropped_device_keeps_nothing_made_ready()
{
    SimDevice *device = rig->plug(configured_device());
    device->set_write_failing(true);
    USB_read_delay = 0;
    rig->open_window();
    QTest::qWait(1200);
    QCOMPARE(SimBus::instance().total_opens(), 2);
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / USB write error! Please reconnect device!"});
    QCOMPARE(pictures::prepared_files(), QStringList());
    QCOMPARE(idle_work::pending(), 0);
}

void IdentifyTest::window_close_releases_the_device()
{
    const SimDeviceState state = unconfigured_device("1000000001");
    rig->register_device(state, 3);
    rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    const int exits = SimBus::instance().exit_calls();
    rig->close_window();
    QCOMPARE(SimBus::instance().open_handles(), 0);
    QCOMPARE(SimBus::instance().exit_calls(), exits + 1);
}

void IdentifyTest::unplug_while_the_server_answers_clears_at_once_data()
{
    QTest::addColumn<int>("endpoint");
    QTest::newRow("limit request") << int(apiserver::Endpoint::LimitInfo);
    QTest::newRow("brand request") << int(apiserver::Endpoint::Brand);
}

void IdentifyTest::unplug_while_the_server_answers_clears_at_once()
{
    QFETCH(int, endpoint);
    const SimDeviceState state = unconfigured_device("1000000001");  // automatic protocol
    rig->register_device(state, 3);
    SimDevice *device = rig->plug(state);
    rig->server()->add_fault(server_fault(apiserver::Endpoint(endpoint), apiserver::FaultKind::Delay, 0, {}, 600));
    rig->open_window();
    // Unplugged while the request is out; the window must not keep the device.
    QVERIFY(QTest::qWaitFor([] { return !serial_number.isEmpty(); }, 3000));
    rig->unplug(device);
    QVERIFY(QTest::qWaitFor([&] { return rig->server()->log().size() >= 1; }, 3000));
    QVERIFY(rig->wait_cleared(1000));
    QVERIFY(rig->probe().text("label_serial_number").isEmpty());
    QVERIFY(rig->probe().items("comboBox_marka").size() <= 1);
    QVERIFY(serial_number.isEmpty());

    rig->plug(state);
    QVERIFY(rig->wait_identified());
    // One placeholder and the twelve names, not a placeholder left over.
    QCOMPARE(rig->probe().items("comboBox_protocol"), QStringList{"NOT SELECTED"} + protocol_names);
}

void IdentifyTest::rejected_token_box_shows_once_per_plug_in()
{
    const SimDeviceState state = unconfigured_device("1000000099");  // unknown to the server
    SimDevice *device = rig->plug(state);
    rig->open_window();
    const QString box = "Error! / Server connection error! Error code 110";
    QVERIFY(QTest::qWaitFor([&] { return rig->server()->log().size() >= 3; }, 8000));
    QCOMPARE(rig->boxes.texts(), QStringList{box});
    rig->unplug(device);
    QVERIFY(rig->wait_cleared());
    QTest::qWait(600);
    rig->plug(state);
    QVERIFY(QTest::qWaitFor([&] { return rig->boxes.count() == 2; }, 5000));
    QCOMPARE(rig->boxes.texts(), (QStringList{box, box}));
}

void IdentifyTest::identity_is_the_devices_own_data()
{
    QTest::addColumn<SimFault>("fault");
    QTest::newRow("serial answered with another code")
        << SimFault::reply(QByteArray("\x0b" "1100000002"), QByteArray::fromHex("090a"));
    QTest::newRow("key without its marker") << SimFault::reply(QByteArray("\x0d" "KEY-2"), QByteArray::fromHex("090d"));
    QTest::newRow("serial with a header in it")
        << SimFault::reply(QByteArray("\x0a" "11\r\nX-Evil: 1"), QByteArray::fromHex("090a"));
}

void IdentifyTest::identity_is_the_devices_own()
{
    QFETCH(SimFault, fault);
    // Device A is identified and unplugged ...
    const SimDeviceState first = unconfigured_device("1000000001");
    rig->register_device(first, 3);
    SimDevice *a = rig->plug(first);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    rig->unplug(a);
    QVERIFY(rig->wait_cleared());
    const size_t requests = rig->server()->log().size();
    // ... device B gives no usable identity: it is not identified with A's.
    SimDevice *b = rig->plug(unconfigured_device("1000000002"));
    for (int i = 0; i < 3; ++i)
        b->add_fault(fault);
    QVERIFY(QTest::qWaitFor([&] { return b->faults().isEmpty(); }, 8000));
    QVERIFY(rig->wait_cleared());
    QCOMPARE(rig->server()->log().size(), requests);
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Transmission error! Please reconnect device!"});
    QVERIFY(serial_number.isEmpty() && device_key.isEmpty() && auth_key.isEmpty());
}

void IdentifyTest::device_texts_are_plain_and_cut()
{
    SimDeviceState state = configured_device("1100000001");
    QByteArray nested;
    for (int i = 0; i < 16; ++i)
        nested = "<table><tr><td>" + nested + "</td></tr></table>";
    state.brand = nested;
    rig->register_device(state, 3);
    rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    auto *label = rig->window().findChild<QLabel *>("label_marka_model");
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(label->text().startsWith("<table><tr><td>"));
    QVERIFY(label->text().size() <= 100);
}

void IdentifyTest::compressed_brand_list_is_not_unpacked()
{
    // About a megabyte on the wire that would unpack to a gigabyte: the
    // replies are asked for uncompressed, so it stays a megabyte of non-JSON.
    const SimDeviceState state = unconfigured_device("1000000001");
    rig->register_device(state, 3);
    rig->plug(state);
    apiserver::Fault bomb = server_fault(apiserver::Endpoint::Brand, apiserver::FaultKind::GzipBomb);
    bomb.size = 1ull << 30;
    rig->server()->add_fault(bomb);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->probe().items("comboBox_marka"), QStringList{"BRAND"});
    QCOMPARE(rig->boxes.count(), 0);
}

void IdentifyTest::trace_hides_serial_number_and_key()
{
    TraceCapture trace("orv.usb");
    SimDeviceState state = unconfigured_device("1000000001");
    state.key = "SECRET-KEY-0123456789";  // longer than one packet
    rig->register_device(state, 3);
    rig->plug(state);
    rig->open_window();
    const bool identified = rig->wait_identified();
    trace.stop();
    QVERIFY(identified);
    QVERIFY(trace.lines().size() > 20);
    const QString text = trace.text();
    for (const QByteArray &secret : {state.serial, state.key, state.key.mid(0, 8), state.key.mid(13)}) {
        QVERIFY2(!text.contains(QString::fromLatin1(secret.toHex(' '))), secret.constData());
        QVERIFY2(!text.contains(QString::fromLatin1(secret)), secret.constData());
    }
}

QTEST_MAIN(IdentifyTest)
#include "identify_test.moc"
