// Installing a vehicle: the fourteen messages on the wire, the server requests,
// the window afterwards, and every failure ending without success and with the
// window restored.

#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "api_server.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"
#include "sim_bus.h"
#include "support/rig.h"
#include "support/trace_capture.h"
#include "tuning/checksum.h"

using apiserver::Endpoint;
using apiserver::Fault;
using apiserver::FaultKind;

Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(Fault)

namespace {

// Known to the server with 300 configurations and the key "a b+c/d=e".
const QByteArray serial = "1100000001";
const QString encoded_key = "a%20b%2Bc%2Fd%3De";

QByteArray software(const char *id, size_t size)
{
    return QByteArray::fromStdString(apiserver::software_bytes(id, size));
}

// The messages of the write, without the queries that read the vehicle back.
int written(const SimDevice *device)
{
    int count = 0;
    for (const QByteArray &message : device->messages())
        count += message.startsWith('\x09') ? 0 : 1;
    return count;
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void whole_installation();
    void failures_end_without_success_data();
    void failures_end_without_success();
    void unplugging_at_each_step_never_succeeds_data();
    void unplugging_at_each_step_never_succeeds();
    void file_too_large_is_refused_before_writing();
    void failed_write_shows_what_the_device_holds();
    void unusable_ids_are_never_asked_about_data();
    void unusable_ids_are_never_asked_about();
    void title_too_long_is_refused_before_writing();
    void software_that_is_not_a_file_is_refused_data();
    void software_that_is_not_a_file_is_refused();
    void settings_without_ids_are_refused();
    void endless_download_is_given_up_at_once();
    void engine_is_the_chosen_item();
    void trace_never_shows_the_auth_key();
    void settings_id_is_rounded_in_the_report();
    void equal_engines_install_the_first();
    void run_locks_the_other_controls_and_shows_progress();
    void overlay_looks_as_over_the_live_window();

private:
    void choose(const QString &brand, const QString &model, const QString &engine);
    void apply();  // clicks apply; the whole run happens inside the click
    void verify_finished();
    std::unique_ptr<Rig> rig;
    apiserver::ApiServer *server = nullptr;
    SimDevice *device = nullptr;
    size_t requests_before = 0;
};

void InstallTest::init()
{
    rig = std::make_unique<Rig>();
    server = &rig->start_server();
    SimDeviceState state = configured_device(serial);
    state.key = "a b+c/d=e";
    rig->register_device(state, 300);
    device = rig->plug(state);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->boxes.count(), 0);
}

void InstallTest::cleanup()
{
    rig.reset();
}

void InstallTest::choose(const QString &brand, const QString &model, const QString &engine)
{
    for (const auto &[name, text] : {std::pair<const char *, QString>{"comboBox_marka", brand},
                                     {"comboBox_model", model}, {"comboBox_model_exactly", engine}}) {
        if (text.isEmpty())
            break;
        auto *box = rig->window().findChild<QComboBox *>(name);
        const int index = box->findText(text);
        QVERIFY2(index > 0, qPrintable(text));
        box->setCurrentIndex(index);
    }
    device->clear_log();
    requests_before = server->log().size();
}

void InstallTest::apply()
{
    rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();
}

// The finish of every path: animation gone, apply button idle, controls back, choice reset.
void InstallTest::verify_finished()
{
    const WindowProbe probe = rig->probe();
    QVERIFY(!probe.visible("label_load"));
    QVERIFY(probe.sheet("pushButton_apply_car").endsWith("image: url(:/eng/apply_car_on.png);"));
    for (const char *name : {"comboBox_marka", "comboBox_model", "comboBox_model_exactly", "pushButton_apply_car",
                             "pushButton_apply_settings", "pushButton_marka", "checkBox_auto_stby"})
        QVERIFY2(probe.enabled(name), name);
    QCOMPARE(probe.text("comboBox_marka"), QStringLiteral("BRAND"));
    QCOMPARE(probe.items("comboBox_model"), QStringList{"MODEL"});
    QCOMPARE(probe.items("comboBox_model_exactly"), QStringList{"ENGINE"});
}

void InstallTest::whole_installation()
{
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    TraceCapture capture("orv.server");
    apply();
    capture.stop();
    const QStringList &trace = capture.lines();
    QCOMPARE(rig->boxes.texts(), QStringList{"Info / Vehicle is changed!"});
    // The trace shows each request and its outcome, never the device's key or serial number.
    QCOMPARE(trace.size(), 8);
    QVERIFY(trace.at(0).endsWith("/api/v1/vehicle/settings?vehicleId=v-1001&authKey=***"));
    for (const QString &line : qAsConst(trace))
        QVERIFY2(!line.contains(encoded_key) && !line.contains(serial), qPrintable(line));

    const QByteArray file = software("SW-001001", 3);
    QCOMPARE(hex(device->messages()),
             hex({QByteArray::fromHex("03"), "\x14v-1001", "\x15" "Audi", "\x16" "A3", "\x17" "1.4 TFSI",
                  "\x18" "150", "\x19" "250", "\x1a" "SW-001001", QByteArray::fromHex("320c0000"),
                  QByteArray::fromHex("1c02"), QByteArray::fromHex("1b2c"), QByteArray::fromHex("21"),
                  QByteArray::fromHex("24"), software_message(file)}));

    QCOMPARE(targets(*server, requests_before),
             (QStringList{"GET /api/v1/vehicle/settings?vehicleId=v-1001&authKey=" + encoded_key,
                          "GET /api/v1/chip/software/SW-001001/file?authKey=" + encoded_key,
                          "POST /api/v1/vehicle/settings/install/success", "GET /api/v1/chip/limitInfo"}));
    const auto log = server->log();
    QCOMPARE(QString::fromStdString(log[requests_before + 2].body), QStringLiteral("{\"settingsId\":1001}"));
    for (size_t i = requests_before; i < log.size(); ++i) {
        bool json = false;
        for (const auto &header : log[i].headers)
            json |= QString::fromStdString(header.first).compare("Content-Type", Qt::CaseInsensitive) == 0
                    && header.second == "application/json";
        QCOMPARE(json, i < requests_before + 3);  // not on the limit refresh
    }
    QCOMPARE(server->device_count(serial.toStdString()), 299);
    QVERIFY(soft_file.isEmpty());  // released once it is in the device

    const SimDeviceState &stored = device->state();
    QCOMPARE(stored.config_id, QByteArray("v-1001"));
    QCOMPARE(stored.brand, QByteArray("Audi"));
    QCOMPARE(stored.software_label, QByteArray("SW-001001"));
    QCOMPARE(stored.drive_mode, 2);
    QCOMPARE(int(stored.settings_flags), 0x0C);
    QCOMPARE(stored.config_count, 44);  // the low 8 bits of 300
    QVERIFY(stored.software_checksum_ok);
    QCOMPARE(stored.software_file, file);

    const WindowProbe probe = rig->probe();
    QCOMPARE(probe.text("label_marka_model"), QStringLiteral("Audi   A3"));
    QCOMPARE(probe.sheet("label_marka_model"), "color: rgb(255, 219,10); background-color: none; image: noimage;");
    QCOMPARE(probe.text("label_modif_power_torque"), QStringLiteral("1.4 TFSI 150HP 250NM"));
    QCOMPARE(probe.text("label_software"), QStringLiteral("SW-001001"));
    QCOMPARE(probe.text("label_avail_config"), QStringLiteral("299"));
    QVERIFY(probe.check("checkBox_auto_proto"));
    QVERIFY(probe.check("checkBox_auto_stby"));
    QCOMPARE(probe.text("comboBox_protocol"), QStringLiteral("NOT SELECTED"));
    QVERIFY(probe.sheet("label_stby_u_s").contains("stby_no.png"));
    QVERIFY(probe.enabled("pushButton_stby_u") && probe.enabled("pushButton_stby_s"));
    QVERIFY(probe.sheet("pushButton_dynamic").contains("dynamic_on.png"));
    QVERIFY(probe.sheet("pushButton_eco").contains("eco_off.png"));
    QVERIFY(!probe.enabled("pushButton_dynamic"));
    QVERIFY(probe.enabled("pushButton_eco") && probe.enabled("pushButton_stock"));
    verify_finished();

    // Re-plugging reads the new vehicle back from the device.
    rig->unplug(device);
    QVERIFY(rig->wait_cleared());
    rig->plug(device->state());
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->probe().text("label_marka_model"), QStringLiteral("Audi   A3"));
    QCOMPARE(rig->probe().text("label_software"), QStringLiteral("SW-001001"));
}

void InstallTest::failures_end_without_success_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QList<Fault>>("faults");
    QTest::addColumn<SimFault>("device_fault");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("messages");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<bool>("read_back");  // the window was filled again from the device

    const QString engine = "1.4 TFSI 150HP 250NM";
    const SimFault none = SimFault::reply({}, "never");
    QTest::newRow("no engine chosen") << QString() << QList<Fault>() << none
                                      << QStringList{"Error! / Please select your vehicle!"} << 0 << false << false;
    QTest::newRow("settings request fails")
        << engine << QList<Fault>{server_fault(Endpoint::Settings, FaultKind::Status, 500)} << none
        << QStringList{"Error! / Server connection error"} << 0 << false << false;
    QTest::newRow("software request fails")
        << engine << QList<Fault>{server_fault(Endpoint::Software, FaultKind::Status, 404)} << none
        << QStringList{"Error! / Server connection error"} << 0 << false << false;
    QTest::newRow("settings request times out")
        << engine << QList<Fault>{server_fault(Endpoint::Settings, FaultKind::Delay, 0, {}, 1200)} << none
        << QStringList{"Error! / No connection to server!"} << 0 << false << false;
    QTest::newRow("device stops answering at the model")
        << engine << QList<Fault>() << SimFault::no_answer(100, QByteArray(1, 0x16))
        << QStringList{"Error! / No connection! Please reconnect device!"} << 4 << false << false;
    QTest::newRow("device refuses 0x03")
        << engine << QList<Fault>() << SimFault::fail(QByteArray(1, 0x03))
        << QStringList{"Error! / Transmission error! Please reconnect device!"} << 1 << false << true;
    QTest::newRow("device refuses 0x24")
        << engine << QList<Fault>() << SimFault::fail(QByteArray(1, 0x24))
        << QStringList{"Error! / Transmission error! Please reconnect device!"} << 13 << false << true;
    QTest::newRow("device refuses the software file")
        << engine << QList<Fault>() << SimFault::fail(QByteArray(1, 0x1E))
        << QStringList{"Error! / Transmission error! Please reconnect device!"} << 14 << false << true;
    QTest::newRow("install report refused: no success, read back")
        << engine << QList<Fault>{server_fault(Endpoint::Install, FaultKind::Status, 500)} << none
        << QStringList{"Error! / Server connection error"} << 14 << true << true;
    QTest::newRow("install report times out")
        << engine << QList<Fault>{server_fault(Endpoint::Install, FaultKind::Delay, 0, {}, 1200)} << none
        << QStringList{"Error! / No connection to server!"} << 14 << true << true;
    QTest::newRow("limit refresh fails: still installed")
        << engine << QList<Fault>{server_fault(Endpoint::LimitInfo, FaultKind::Status, 502)} << none
        << QStringList{"Error! / Server connection error", "Info / Vehicle is changed!"} << 14 << true << false;
}

void InstallTest::failures_end_without_success()
{
    QFETCH(QString, engine);
    QFETCH(QList<Fault>, faults);
    QFETCH(SimFault, device_fault);
    QFETCH(QStringList, boxes);
    QFETCH(int, messages);
    QFETCH(bool, reported);
    QFETCH(bool, read_back);

    choose("Audi", "A3", engine);
    server_timeout = 400;
    for (const Fault &f : faults)
        server->add_fault(f);
    device->add_fault(device_fault);
    apply();
    QCOMPARE(rig->boxes.texts(), boxes);
    QCOMPARE(written(device), messages);
    if (read_back) {
        // Queries 0x14 to 0x1A, then drive mode, indication, pins, standby and protocol.
        QCOMPARE(device->messages().size(), messages + 11);
        // The window shows what the device holds now, not the vehicle it had.
        const SimDeviceState &held = device->state();
        QCOMPARE(rig->probe().text("label_marka_model"), QString(held.brand + "   " + held.model));
        QCOMPARE(rig->probe().text("label_software"), QString(held.software_label));
    }
    if (QTest::currentDataTag() != QLatin1String("device stops answering at the model"))
        verify_finished();
    else
        QVERIFY(rig->wait_cleared());
    // The server logs a request when it answers, which may be after the time-out.
    QTRY_COMPARE_WITH_TIMEOUT(targets(*server, requests_before).contains("POST /api/v1/vehicle/settings/install/success"),
                              reported, 3000);
}

void InstallTest::unplugging_at_each_step_never_succeeds_data()
{
    QTest::addColumn<int>("step");
    for (int step = 1; step <= 14; ++step)
        QTest::newRow(qPrintable(QStringLiteral("unplugged at message %1").arg(step))) << step;
}

void InstallTest::unplugging_at_each_step_never_succeeds()
{
    QFETCH(int, step);
    choose("Audi", "A3", "2.0 TFSI 190HP 320NM");  // a 100-byte file: the last message is chunked
    device->add_fault(SimFault::unplug_after(step - 1));
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / USB write error! Please reconnect device!"});
    QCOMPARE(device->messages().size(), step - 1);
    QVERIFY(!targets(*server, requests_before).contains("POST /api/v1/vehicle/settings/install/success"));
    // The window falls back to its no-device state once the run has ended.
    QVERIFY(rig->wait_cleared());
    QCOMPARE(SimBus::instance().open_handles(), 0);
}

void InstallTest::file_too_large_is_refused_before_writing()
{
    // A file the download takes (65,530 bytes) whose sum needs three checksum
    // bytes: its message is one byte over what the device can take. The
    // download cap itself is what endless_download_is_given_up_at_once catches.
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    Fault file = server_fault(Endpoint::Software, FaultKind::Status, 200, std::string(65530, '\xff'));
    file.headers = {{"Content-Type", "application/octet-stream"}};
    server->add_fault(file);
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Software file too large for the device! Nothing was written."});
    QVERIFY(device->messages().isEmpty());
    QVERIFY(!targets(*server, requests_before).contains("POST /api/v1/vehicle/settings/install/success"));
    verify_finished();
}

void InstallTest::failed_write_shows_what_the_device_holds()
{
    // A device in ECO with manual standby U and protocol HS CAN.
    rig->unplug(device);
    QVERIFY(rig->wait_cleared());
    SimDeviceState state = device->state();
    state.drive_mode = 1;
    state.settings_flags = 0x02;
    state.protocol_mask = 0x0001;
    device = rig->plug(state);
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->probe().text("label_stby"), QStringLiteral("MANUAL, U"));
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    // Drive mode and settings are written, the closing 0x24 is refused.
    device->add_fault(SimFault::fail(QByteArray(1, 0x24)));
    apply();
    const WindowProbe probe = rig->probe();
    QVERIFY(probe.sheet("pushButton_dynamic").contains("dynamic_on.png"));
    QVERIFY(probe.sheet("pushButton_eco").contains("eco_off.png"));
    QVERIFY(probe.check("checkBox_auto_stby") && probe.check("checkBox_auto_proto"));
    QCOMPARE(probe.text("label_stby"), QStringLiteral("AUTO, NOT SELECTED"));
    QCOMPARE(probe.text("label_protocol"), QStringLiteral("AUTO, NOT SELECTED"));
    QCOMPARE(probe.text("comboBox_protocol"), QStringLiteral("NOT SELECTED"));
}

void InstallTest::unusable_ids_are_never_asked_about_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("requests");
    QTest::newRow("software id ..") << server_fault(Endpoint::Settings, FaultKind::Status, 200,
                                                    R"({"result":{"id":1001,"softwareId":".."}})")
                                    << 1;
    QTest::newRow("vehicle id .") << server_fault(Endpoint::Vehicle, FaultKind::Status, 200,
                                                  R"({"result":{"items":[{"id":".","title":"1.4 TFSI",)"
                                                  R"("power":150,"moment":250}]}})")
                                  << 0;
}

void InstallTest::unusable_ids_are_never_asked_about()
{
    QFETCH(Fault, fault);
    QFETCH(int, requests);
    server->add_fault(fault);
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error"});
    QCOMPARE(targets(*server, requests_before).size(), requests);
    QVERIFY(device->messages().isEmpty());
}

void InstallTest::title_too_long_is_refused_before_writing()
{
    const std::string title(70000, 'T');
    server->add_fault(server_fault(Endpoint::Vehicle, FaultKind::Status, 200,
                                   R"({"result":{"items":[{"id":"v-1001","title":")" + title
                                       + R"(","power":150,"moment":250}]}})"));
    choose("Audi", "A3", QString());
    rig->window().findChild<QComboBox *>("comboBox_model_exactly")->setCurrentIndex(1);
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Vehicle data too long for the device! Nothing was written."});
    QVERIFY(device->messages().isEmpty());
}

void InstallTest::software_that_is_not_a_file_is_refused_data()
{
    QTest::addColumn<Fault>("fault");
    Fault moved = server_fault(Endpoint::Software, FaultKind::Status, 302, "<html><body>Moved</body></html>");
    moved.headers = {{"Location", "https://elsewhere.example/file"}};
    QTest::newRow("redirect") << moved;
    QTest::newRow("no content") << server_fault(Endpoint::Software, FaultKind::Status, 204);
    QTest::newRow("an HTML page") << server_fault(Endpoint::Software, FaultKind::NonJson);
    Fault json = server_fault(Endpoint::Software, FaultKind::ContentType);
    json.content_type = "application/json; charset=utf-8";
    QTest::newRow("a JSON answer") << json;
    Fault empty = server_fault(Endpoint::Software, FaultKind::Empty);
    empty.headers = {{"Content-Type", "application/octet-stream"}};
    QTest::newRow("an empty file") << empty;
    QTest::newRow("a large error page")
        << server_fault(Endpoint::Software, FaultKind::Status, 500, std::string(70000, 'x'));
}

void InstallTest::software_that_is_not_a_file_is_refused()
{
    QFETCH(Fault, fault);
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    server->add_fault(fault);
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error"});
    QVERIFY(device->messages().isEmpty());
    QCOMPARE(targets(*server, requests_before).size(), 2);  // settings and software, no report
    verify_finished();
}

void InstallTest::settings_without_ids_are_refused()
{
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    server->add_fault(server_fault(Endpoint::Settings, FaultKind::Status, 200, R"({"result":{"id":1001}})"));
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error"});
    QCOMPARE(targets(*server, requests_before).size(), 1);  // no software request
    QVERIFY(device->messages().isEmpty());
}

void InstallTest::endless_download_is_given_up_at_once()
{
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    Fault endless = server_fault(Endpoint::Software, FaultKind::Stream);
    endless.size = 1ull << 30;
    server->add_fault(endless);
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Software file too large for the device! Nothing was written."});
    QVERIFY(device->messages().isEmpty());
    QVERIFY(soft_file.isEmpty());
    // The download was given up, not read to its end.
    QTRY_COMPARE_WITH_TIMEOUT(server->open_streams(), 0, 5000);
    verify_finished();
}

void InstallTest::engine_is_the_chosen_item()
{
    // An engine whose text is far too long to show or to split installs
    // itself, not the vehicle of an earlier run.
    const QString title(40000, QLatin1Char('T'));
    server->add_fault(server_fault(Endpoint::Vehicle, FaultKind::Status, 200,
                                   R"({"result":{"items":[{"id":"v-long","title":")" + title.toStdString()
                                       + R"(","power":1,"moment":2}]}})"));
    choose("Audi", "A3", QString());
    auto *engines = rig->window().findChild<QComboBox *>("comboBox_model_exactly");
    QCOMPARE(engines->count(), 2);
    QVERIFY(engines->itemText(1).size() <= 100);
    engines->setCurrentIndex(1);
    requests_before = server->log().size();
    apply();
    QVERIFY(targets(*server, requests_before).value(0).startsWith("GET /api/v1/vehicle/settings?vehicleId=v-long&"));

    // A choice that leads nowhere in the lists installs nothing.
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    rig->boxes.clear();
    modif_ids.clear();
    apply();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Please select your vehicle!"});
    QVERIFY(targets(*server, requests_before).isEmpty());
    QVERIFY(device->messages().isEmpty());
}

void InstallTest::trace_never_shows_the_auth_key()
{
    // A key whose characters a URL may carry in several forms.
    const QByteArray key = "k%y+ /=?&#7";
    rig->unplug(device);
    QVERIFY(rig->wait_cleared());
    SimDeviceState state = device->state();
    state.key = key;
    rig->register_device(state, 300);
    device = rig->plug(state);
    QVERIFY(rig->wait_identified());
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");

    TraceCapture trace("orv.server");
    server->add_fault(server_fault(Endpoint::Software, FaultKind::Status, 404));
    apply();
    trace.stop();
    QCOMPARE(trace.lines().size(), 4);
    const QString text = trace.text();
    QVERIFY(text.contains("authKey=***"));
    for (const QString &form : {QString::fromLatin1(key), QString::fromLatin1(key.toPercentEncoding()),
                                QString::fromLatin1(key.toPercentEncoding("+/ =?&")),
                                QString::fromLatin1(key.toPercentEncoding().toLower())})
        QVERIFY2(!text.contains(form), qPrintable(form));
}

void InstallTest::settings_id_is_rounded_in_the_report()
{
    choose("Audi", "A3", "1.4 TFSI 150HP 250NM");
    server->add_fault(server_fault(Endpoint::Settings, FaultKind::Status, 200,
                            R"({"result":{"id":17.6,"softwareId":"SW-001001"}})"));
    apply();
    const auto log = server->log();
    QCOMPARE(QString::fromStdString(log[requests_before + 2].body), QStringLiteral("{\"settingsId\":18}"));
    // The server knows no settings record 18: the report is refused, so no success is claimed.
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error"});
}

void InstallTest::equal_engines_install_the_first()
{
    choose("Volkswagen", "Golf", "2.0 TSI 220HP 350NM");
    QCOMPARE(rig->probe().items("comboBox_model_exactly").count("2.0 TSI 220HP 350NM"), 2);
    apply();
    QCOMPARE(targets(*server, requests_before).first(),
             "GET /api/v1/vehicle/settings?vehicleId=v-1420&authKey=" + encoded_key);
}

void InstallTest::run_locks_the_other_controls_and_shows_progress()
{
    choose("Audi", "A3", "2.0 TFSI 190HP 320NM");  // 100 bytes: seven acknowledged chunks
    server->add_fault(server_fault(Endpoint::Settings, FaultKind::Delay, 0, {}, 300));

    const WindowProbe probe = rig->probe();
    QStringList enabled_during_run;
    QList<int> progress;
    QString progress_text;
    bool second_sequence_refused = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!probe.visible("label_load"))
            return;
        for (const char *name : {"pushButton_dynamic", "pushButton_eco", "pushButton_stock", "pushButton_stby_u",
                                 "pushButton_stby_s", "checkBox_auto_stby", "checkBox_auto_proto",
                                 "pushButton_apply_settings", "comboBox_marka", "pushButton_indication_on",
                                 "pushButton_marka", "pushButton_apply_car"})
            if (probe.enabled(name) && !enabled_during_run.contains(name))
                enabled_during_run << name;
        if (!second_sequence_refused) {
            // A click that reaches a slot anyway starts nothing.
            const int before = device->messages().size();
            QMetaObject::invokeMethod(&rig->window(), "on_pushButton_eco_clicked");
            second_sequence_refused = device->messages().size() == before;
        }
        auto *bar = rig->window().findChild<QProgressBar *>("progress_software");
        if (bar && !bar->isHidden()) {
            if (progress.isEmpty() || progress.last() != bar->value())
                progress << bar->value();
            progress_text = rig->window().findChild<QLabel *>("label_progress")->text();
        }
    });
    sampler.start(5);
    apply();
    sampler.stop();

    QCOMPARE(rig->boxes.texts(), QStringList{"Info / Vehicle is changed!"});
    QCOMPARE(enabled_during_run, QStringList());
    QVERIFY(second_sequence_refused);
    QVERIFY2(progress.size() >= 3, qPrintable(QString::number(progress.size())));
    QVERIFY(std::is_sorted(progress.begin(), progress.end()));
    QVERIFY2(progress_text.contains("%"), qPrintable(progress_text));
    QVERIFY(rig->window().findChild<QProgressBar *>("progress_software")->isHidden());
}

// The overlay is painted over a picture of what lies under it, taken when it
// shows: it must look as the translucent overlay over the live window does,
// also once the language (free during a run) has changed the pictures under it.
void InstallTest::overlay_looks_as_over_the_live_window()
{
    MainWindow &window = rig->window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    choose("Audi", "A3", "2.0 TFSI 190HP 320NM");
    server->add_fault(server_fault(Endpoint::Settings, FaultKind::Delay, 0, {}, 300));
    auto *overlay = window.findChild<QLabel *>("label_load");
    const QRect area(overlay->mapTo(&window, QPoint()), overlay->size());
    const auto shot = [&] {
        window.repaint();
        return window.screen()->grabWindow(window.winId()).toImage().copy(area);
    };
    QImage painted;
    QImage live;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (overlay->isHidden() || !painted.isNull())
            return;
        overlay->movie()->setPaused(true);
        window.findChild<QComboBox *>("comboBox_language")->setCurrentIndex(1);
        painted = shot();
        delete overlay->findChild<QObject *>("loading_backdrop");
        overlay->setAttribute(Qt::WA_OpaquePaintEvent, false);
        live = shot();
    });
    sampler.start(5);
    apply();
    QVERIFY(!painted.isNull());
    QVERIFY(painted == live);
}

QTEST_MAIN(InstallTest)
#include "install_test.moc"
