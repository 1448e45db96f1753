// The server client against the local API server on 127.0.0.1: the requests
// on the wire, each handler's success and error paths, the watchdog, and TLS
// that does not give way.

#include <QtTest>
#include <QAbstractItemView>
#include <QComboBox>
#include <QNetworkAccessManager>
#include <QSslConfiguration>
#include <QPushButton>
#include <QScopeGuard>

#include "api_server.h"
#include "app/app_state.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "device/device_state.h"
#include "device/usb_state.h"
#include "server/server_state.h"
#include "sim_bus.h"
#include "support/connect_proxy.h"
#include "support/rig.h"
#include "support/trace_capture.h"

using apiserver::Endpoint;
using apiserver::Fault;
using apiserver::FaultKind;

namespace {

QString last_target(const apiserver::ApiServer &server)
{
    const auto log = server.log();
    return log.empty() ? QString() : QString::fromStdString(log.back().target);
}

const SimDeviceState device_state = configured_device("1100000001");  // known, 300 left

} // namespace

class ServerTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void requests_carry_the_headers_in_order();
    void brands_are_sorted_by_code_units();
    void brand_then_model_then_engine();
    void duplicate_brand_titles_resolve_to_the_first();
    void choosing_placeholders();
    void list_errors_data();
    void list_errors();
    void bodies_that_are_not_json_data();
    void bodies_that_are_not_json();
    void limit_errors_leave_no_count();
    void ids_go_out_percent_encoded();
    void requests_ask_for_tls_1_2_and_no_redirects();
    void redirect_to_a_valid_file_is_not_followed();
    void oversized_list_is_refused();
    void watchdog_ends_the_wait_and_unlocks();
    void late_reply_does_not_end_the_next_wait();
    void popup_follows_the_list();
    void untrusted_certificate_is_an_error();
    void catalogue_loads_through_a_proxy();
    void trace_masks_device_secrets();

private:
    void choose(const char *box, const QString &text);
    std::unique_ptr<Rig> rig;
    apiserver::ApiServer *server = nullptr;
};

void ServerTest::init()
{
    rig = std::make_unique<Rig>();
    server = &rig->start_server();
    rig->plug(device_state);
    rig->open_window();
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->boxes.count(), 0);
}

void ServerTest::cleanup()
{
    rig.reset();
    server = nullptr;
}

void ServerTest::choose(const char *box, const QString &text)
{
    auto *combo = rig->window().findChild<QComboBox *>(box);
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
}

void ServerTest::requests_carry_the_headers_in_order()
{
    const auto log = server->log();
    QCOMPARE(log.size(), size_t(2));
    QCOMPARE(QString::fromStdString(log.at(0).target), QStringLiteral("/api/v1/chip/limitInfo"));
    QCOMPARE(QString::fromStdString(log.at(1).target), QStringLiteral("/api/v1/vehicle/brand?"));
    for (const auto &entry : log) {
        QStringList ours;
        bool content_type = false;
        for (const auto &header : entry.headers) {
            const QString name = QString::fromStdString(header.first);
            if (name.startsWith("X-") || name == "Accept")
                ours << name + ": " + QString::fromStdString(header.second);
            content_type |= name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        }
        QCOMPARE(ours, (QStringList{"X-Auth-Token: 1100000001", "X-Device-Token: 718204593316",
                                    "X-Device-Type: DESKTOP", "X-Device-Language: RU",
                                    "Accept: application/json"}));
        QVERIFY(!content_type);
        QCOMPARE(QString::fromStdString(entry.method), QStringLiteral("GET"));
        // Uncompressed: a small reply cannot unpack into a huge one.
        QVERIFY(std::count(entry.headers.begin(), entry.headers.end(),
                           std::make_pair(std::string("Accept-Encoding"), std::string("identity"))) == 1);
    }
}

void ServerTest::brands_are_sorted_by_code_units()
{
    const QStringList items = rig->probe().items("comboBox_marka");
    QCOMPARE(items.first(), QStringLiteral("BRAND"));
    QCOMPARE(items.mid(1).size(), marka_titles.size());
    // Latin before Cyrillic; "Škoda" (U+0160) after every plain Latin title.
    QVERIFY(items.indexOf("Volvo") < items.indexOf(QStringLiteral("Škoda")));
    QVERIFY(items.indexOf(QStringLiteral("Škoda")) < items.indexOf(QStringLiteral("ГАЗ")));
    QVERIFY(items.indexOf("Audi") < items.indexOf("BMW"));
    auto *box = rig->window().findChild<QComboBox *>("comboBox_marka");
    for (int i = 0; i < box->count(); ++i)
        QCOMPARE(box->itemData(i, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

void ServerTest::brand_then_model_then_engine()
{
    choose("comboBox_marka", "Audi");
    QCOMPARE(last_target(*server), QStringLiteral("/api/v1/vehicle/model?brandId=1"));
    QCOMPARE(rig->probe().items("comboBox_model"), (QStringList{"MODEL", "A3", "A4", "A6", "Q3", "Q5", "Q7"}));
    QVERIFY(rig->probe().enabled("comboBox_model"));

    choose("comboBox_model", "A4");
    QCOMPARE(last_target(*server), QStringLiteral("/api/v1/vehicle?modelId=m-102"));
    const QStringList engines = rig->probe().items("comboBox_model_exactly");
    QCOMPARE(engines.first(), QStringLiteral("ENGINE"));
    QVERIFY(engines.contains("X 2.0 TDI 150HP 320NM"));
    QVERIFY(engines.contains("2.0 TDI quattro S tronic 190HP 400NM"));
    QCOMPARE(modif_ids.size(), 6);
    QVERIFY(rig->probe().enabled("comboBox_model_exactly"));
    QVERIFY(rig->probe().enabled("pushButton_apply_car"));

    // An engine without power and torque shows 0HP 0NM.
    choose("comboBox_marka", QStringLiteral("УАЗ"));
    choose("comboBox_model", QStringLiteral("Буханка"));
    QVERIFY(!rig->probe().items("comboBox_model_exactly").filter(QRegularExpression(" 0HP 0NM$")).isEmpty());
    QCOMPARE(rig->boxes.count(), 0);
}

void ServerTest::duplicate_brand_titles_resolve_to_the_first()
{
    QCOMPARE(marka_titles.count("Mercedes-Benz"), 2);
    QCOMPARE(rig->probe().items("comboBox_marka").count("Mercedes-Benz"), 2);
    choose("comboBox_marka", "Mercedes-Benz");
    QCOMPARE(last_target(*server), QStringLiteral("/api/v1/vehicle/model?brandId=12"));
}

void ServerTest::choosing_placeholders()
{
    choose("comboBox_marka", "Audi");
    choose("comboBox_model", "A4");
    const size_t requests = server->log().size();

    // "MODEL" leaves the engines; "BRAND" resets both lower boxes. Neither asks the server.
    choose("comboBox_model", "MODEL");
    QVERIFY(rig->probe().items("comboBox_model_exactly").size() > 1);
    choose("comboBox_marka", "BRAND");
    QCOMPARE(rig->probe().items("comboBox_model"), QStringList{"MODEL"});
    QCOMPARE(rig->probe().items("comboBox_model_exactly"), QStringList{"ENGINE"});
    QCOMPARE(server->log().size(), requests);
}

void ServerTest::list_errors_data()
{
    QTest::addColumn<int>("endpoint");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("box");
    QTest::newRow("model list fails") << int(Endpoint::Model) << 503 << "Error! / Server connection error!";
    QTest::newRow("engine list fails") << int(Endpoint::Vehicle) << 503 << "Error! / Server connection error!";
    // Qt reports a redirect as no error; its status makes it one.
    QTest::newRow("model list moved") << int(Endpoint::Model) << 302 << "Error! / Server connection error!";
}

void ServerTest::list_errors()
{
    QFETCH(int, endpoint);
    QFETCH(int, status);
    QFETCH(QString, box);
    choose("comboBox_marka", "Audi");
    const QStringList models = model_titles;
    server->add_fault(server_fault(Endpoint(endpoint), FaultKind::Status, status));
    if (Endpoint(endpoint) == Endpoint::Model)
        choose("comboBox_marka", "BMW");
    else
        choose("comboBox_model", "A4");
    QCOMPARE(rig->boxes.texts(), QStringList{box});
    const char *level = Endpoint(endpoint) == Endpoint::Model ? "comboBox_model" : "comboBox_model_exactly";
    QCOMPARE(rig->probe().items(level).size(), 1);
    QVERIFY(rig->probe().enabled("comboBox_marka"));
    QVERIFY(rig->probe().enabled("pushButton_apply_car"));
    if (Endpoint(endpoint) == Endpoint::Model)
        QCOMPARE(model_titles, models);  // lists unchanged
}

void ServerTest::bodies_that_are_not_json_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("models");
    QTest::newRow("HTML page") << int(FaultKind::NonJson) << 0;
    QTest::newRow("empty body") << int(FaultKind::Empty) << 0;
    QTest::newRow("zero byte after the JSON") << int(FaultKind::ZeroByte) << 6;
}

void ServerTest::bodies_that_are_not_json()
{
    QFETCH(int, kind);
    QFETCH(int, models);
    server->add_fault(server_fault(Endpoint::Model, FaultKind(kind)));
    choose("comboBox_marka", "Audi");
    QCOMPARE(rig->boxes.count(), 0);
    QCOMPARE(model_titles.size(), models);
    QCOMPARE(rig->probe().items("comboBox_model").size(), models + 1);
    QVERIFY(rig->probe().enabled("comboBox_model"));
}

void ServerTest::limit_errors_leave_no_count()
{
    // The limit request is sent again by identification: re-plug the device.
    rig->unplug(SimBus::instance().plugged_devices().first());
    QVERIFY(rig->wait_cleared());
    server->add_fault(server_fault(Endpoint::LimitInfo, FaultKind::Status, 500));
    avail_config = 5;
    rig->plug(device_state);
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error"});
    // No count is taken over from an earlier device: none known, no brands asked for.
    QCOMPARE(avail_config, 0);
    QVERIFY(rig->probe().text("label_avail_config").isEmpty());
    QCOMPARE(last_target(*server), QStringLiteral("/api/v1/chip/limitInfo"));
}

void ServerTest::ids_go_out_percent_encoded()
{
    server->add_fault(server_fault(Endpoint::Model, FaultKind::Status, 200,
                                   R"({"result":{"items":[{"id":"m#1?x&y/z","title":"Odd"}]}})"));
    choose("comboBox_marka", "Audi");
    choose("comboBox_model", "Odd");
    QCOMPARE(last_target(*server), QStringLiteral("/api/v1/vehicle?modelId=m%231%3Fx%26y%2Fz"));
}

void ServerTest::requests_ask_for_tls_1_2_and_no_redirects()
{
    auto *manager = rig->window().findChild<QNetworkAccessManager *>();
    QList<QNetworkRequest> sent;
    connect(manager, &QNetworkAccessManager::finished, this, [&](QNetworkReply *reply) { sent << reply->request(); });
    choose("comboBox_marka", "Audi");
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().sslConfiguration().protocol(), QSsl::TlsV1_2OrLater);
    QCOMPARE(sent.first().attribute(QNetworkRequest::RedirectPolicyAttribute).toInt(),
             int(QNetworkRequest::ManualRedirectPolicy));
    QCOMPARE(manager->redirectPolicy(), QNetworkRequest::ManualRedirectPolicy);
    // HTTP/1.1 on every Qt version (Qt 6 would offer HTTP/2).
    QCOMPARE(sent.first().attribute(QNetworkRequest::Http2AllowedAttribute).toBool(), false);
}

// A redirect to the real software file on the same server: had it been followed, the
// installation would have gone through. Only the one software request reaches the server.
void ServerTest::redirect_to_a_valid_file_is_not_followed()
{
    rig->register_device(device_state, 300);  // the server takes this device's key
    const QString file_path = "/api/v1/chip/software/SW-001001/file?authKey=" + auth_key;
    Fault moved = server_fault(Endpoint::Software, FaultKind::Status, 302, "<html><body>Moved</body></html>");
    moved.headers = {{"Location", (api_base_url + file_path).toStdString()}};
    server->add_fault(moved);
    SimDevice *device = SimBus::instance().plugged_devices().first();
    choose("comboBox_marka", "Audi");
    choose("comboBox_model", "A3");
    choose("comboBox_model_exactly", "1.4 TFSI 150HP 250NM");
    device->clear_log();
    server->clear_log();
    rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error"});
    QVERIFY(device->messages().isEmpty());
    QStringList targets;
    for (const auto &entry : server->log())
        targets << QString::fromStdString(entry.target);
    QCOMPARE(targets.filter("/api/v1/chip/software/"), QStringList{file_path});
}

void ServerTest::oversized_list_is_refused()
{
    // 9 MiB of a valid list: past what any list reply may bring.
    std::string body = R"({"result":{"items":[{"id":"m-1","title":"Big"}]}})";
    body += std::string(9 * 1024 * 1024, ' ');
    server->add_fault(server_fault(Endpoint::Model, FaultKind::Status, 200, body));
    choose("comboBox_marka", "Audi");
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error!"});
    QCOMPARE(rig->probe().items("comboBox_model"), QStringList{"MODEL"});
    QVERIFY(rig->probe().enabled("comboBox_marka"));
}

void ServerTest::watchdog_ends_the_wait_and_unlocks()
{
    server_timeout = 300;
    server->add_fault(server_fault(Endpoint::Model, FaultKind::Delay, 0, {}, 1500));
    QElapsedTimer clock;
    clock.start();
    choose("comboBox_marka", "Audi");
    QVERIFY(clock.elapsed() < 1400);
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / No connection to server!"});
    QVERIFY(server_error);
    QCOMPARE(rig->probe().items("comboBox_model"), QStringList{"MODEL"});
    // Nobody else would unlock the window after a time-out.
    QVERIFY(rig->probe().enabled("comboBox_marka"));
    QVERIFY(rig->probe().enabled("comboBox_model"));
    QVERIFY(server_pending.isNull());
}

void ServerTest::late_reply_does_not_end_the_next_wait()
{
    server_timeout = 300;
    // The first request answers after 900 ms, long after its time-out, while
    // the second (answering after 1500 ms) is being waited for.
    server->add_fault(server_fault(Endpoint::Model, FaultKind::Delay, 0, {}, 900));
    choose("comboBox_marka", "Audi");
    QCOMPARE(rig->boxes.count(), 1);
    rig->boxes.clear();

    server_timeout = 5000;
    server->add_fault(server_fault(Endpoint::Model, FaultKind::Delay, 0, {}, 1500));
    QElapsedTimer clock;
    clock.start();
    choose("comboBox_marka", "BMW");
    QVERIFY2(clock.elapsed() >= 1400, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig->boxes.count(), 0);
    QVERIFY(model_titles.contains("3 Series"));
    QVERIFY(!model_titles.contains("A4"));
}

void ServerTest::popup_follows_the_list()
{
    auto *box = rig->window().findChild<QComboBox *>("comboBox_marka");
    auto *button = rig->window().findChild<QPushButton *>("pushButton_marka");
    rig->window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig->window()));
    button->click();
    QVERIFY(box->view()->isVisible());
    QVERIFY(marka_popup);
    // Closed another way (as choosing an item or clicking elsewhere does).
    box->hidePopup();
    QTRY_VERIFY(!box->view()->isVisible());
    button->click();
    QVERIFY(box->view()->isVisible());
    button->click();
    QTRY_VERIFY(!box->view()->isVisible());
    QVERIFY(!marka_popup);
}

void ServerTest::untrusted_certificate_is_an_error()
{
    std::string error;
    auto catalogue = apiserver::Catalogue::load(ORV_TEST_CATALOGUE, &error);
    QVERIFY(catalogue);
    apiserver::ApiServer rogue(*catalogue, ORV_TEST_CERT_DIR "/rogue-server.pem", ORV_TEST_CERT_DIR "/rogue-server.key");
    const int port = rogue.start();
    QVERIFY(port > 0);

    api_base_url = QStringLiteral("https://127.0.0.1:%1").arg(port);
    const QStringList models_before = model_titles;
    choose("comboBox_marka", "Audi");
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error!"});
    QCOMPARE(model_titles, models_before);
    QCOMPARE(rig->probe().items("comboBox_model"), QStringList{"MODEL"});
    // The handshake failed before any request reached the server.
    QVERIFY(rogue.log().empty());
    rig.reset();
    rogue.stop();
}

// Behind a company proxy: with https_proxy set, identification and the catalogue go through a
// CONNECT tunnel, and the window itself still checks the server's certificate through it.
void ServerTest::catalogue_loads_through_a_proxy()
{
    auto proxy = std::make_unique<ConnectProxy>();
    qputenv("https_proxy", "http://127.0.0.1:" + QByteArray::number(proxy->port()));
    qunsetenv("no_proxy");
    const auto unset = qScopeGuard([] { qunsetenv("https_proxy"); });
    // Only the proxy leads this name to the server, whose certificate carries it.
    api_base_url = QStringLiteral("https://api.orv.test:%1").arg(server->port());
    const QString tunnel = QStringLiteral("api.orv.test:%1").arg(server->port());
    server->clear_log();
    rig->unplug(SimBus::instance().plugged_devices().first());
    QVERIFY(rig->wait_cleared());
    rig->plug(device_state);
    QVERIFY(rig->wait_identified());
    QCOMPARE(rig->boxes.count(), 0);
    QCOMPARE(server->log().size(), size_t(2));
    QCOMPARE(last_target(*server), QStringLiteral("/api/v1/vehicle/brand?"));
    QCOMPARE(rig->probe().items("comboBox_marka").size(), marka_titles.size() + 1);
    QVERIFY(!proxy->tunnels().isEmpty());
    QCOMPARE(proxy->tunnels().filter(tunnel).size(), proxy->tunnels().size());

    // The proxy passes the untrusted server's certificate on unread; the window refuses it.
    std::string error;
    auto catalogue = apiserver::Catalogue::load(ORV_TEST_CATALOGUE, &error);
    QVERIFY(catalogue);
    apiserver::ApiServer rogue(*catalogue, ORV_TEST_CERT_DIR "/rogue-server.pem", ORV_TEST_CERT_DIR "/rogue-server.key");
    const int rogue_port = rogue.start();
    QVERIFY(rogue_port > 0);
    api_base_url = QStringLiteral("https://api.orv.test:%1").arg(rogue_port);
    choose("comboBox_marka", "Audi");
    QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Server connection error!"});
    QCOMPARE(proxy->tunnels().last(), QStringLiteral("api.orv.test:%1").arg(rogue_port));
    QVERIFY(rogue.log().empty());
    // Tunnels first, so neither server waits out a keep-alive connection.
    proxy.reset();
    rig.reset();
    rogue.stop();
}

void ServerTest::trace_masks_device_secrets()
{
    TraceCapture trace("orv.server");
    auth_key = QStringLiteral("a%20b%2Bc%2Fd%3De");
    choose("comboBox_marka", "Audi");
    choose("comboBox_model", "A3");
    choose("comboBox_model_exactly", "1.4 TFSI 150HP 250NM");
    // The settings request carries the authKey; its failure ends the run there.
    server->add_fault(server_fault(Endpoint::Settings, FaultKind::Status, 500));
    rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();
    trace.stop();
    const QStringList &lines = trace.lines();
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines.at(0).startsWith("GET https://127.0.0.1:"));
    QVERIFY(lines.at(0).endsWith("/api/v1/vehicle/model?brandId=1"));
    QVERIFY(lines.at(1).contains("-> ok"));
    QVERIFY(lines.at(1).contains(" ms"));
    QVERIFY(lines.at(4).endsWith("&authKey=***"));
    for (const QString &line : qAsConst(lines))
        QVERIFY2(!line.contains("1100000001") && !line.contains(auth_key), qPrintable(line));
}

QTEST_MAIN(ServerTest)
#include "server_test.moc"
