// Closing the window: at once while nothing is written; during a device write
// only after "Yes", which abandons the write without another word to the
// device, the server or the user.

#include <QtTest>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "api_server.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "server/server_state.h"
#include "sim_bus.h"
#include "support/rig.h"
#include "tuning/checksum.h"

namespace {

const QString question = "Warning / A write to the device is running. Closing now leaves it incomplete. Close anyway?";

// A chunk of a long message (only the software file is one) has reached the device.
bool software_in_transfer(const SimDevice *device)
{
    for (const SimEvent &event : device->journal())
        if (event.kind == SimEvent::HostPacket && event.bytes.startsWith('\xDC'))
            return true;
    return false;
}

} // namespace

class CloseTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void closing_outside_a_write_asks_nothing_data();
    void closing_outside_a_write_asks_nothing();
    void no_lets_the_installation_finish();
    void yes_abandons_the_write_data();
    void yes_abandons_the_write();
    void closing_while_the_installation_is_reported_asks_data();
    void closing_while_the_installation_is_reported_asks();
    void an_exchange_answered_under_the_question_stands();
    void a_box_in_the_turn_of_the_answer_waits_for_nothing();

private:
    void choose_engine();
    // Closes the window once `when` holds, from inside the running sequence.
    void close_when(std::function<bool()> when);
    std::unique_ptr<Rig> rig;
    apiserver::ApiServer *server = nullptr;
    SimDevice *device = nullptr;
    QTimer sampler;
    bool close_result = false;
    int journal_at_close = -1;
    bool last_window_closed = false;  // the application would quit now
};

void CloseTest::init()
{
    rig = std::make_unique<Rig>();
    server = &rig->start_server();
    rig->register_device(configured_device(), 300);
    device = rig->plug(configured_device());
    rig->open_window().show();
    QVERIFY(rig->wait_identified());
    journal_at_close = -1;
    close_result = false;
    last_window_closed = false;
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] { last_window_closed = true; });
}

void CloseTest::cleanup()
{
    sampler.stop();
    sampler.disconnect();
    disconnect(qApp, nullptr, this, nullptr);
    rig.reset();
}

void CloseTest::choose_engine()
{
    // A 100-byte file: the software message goes in seven acknowledged chunks.
    for (const auto &[name, text] : {std::pair<const char *, QString>{"comboBox_marka", "Audi"},
                                     {"comboBox_model", "A3"}, {"comboBox_model_exactly", "2.0 TFSI 190HP 320NM"}}) {
        auto *box = rig->window().findChild<QComboBox *>(name);
        box->setCurrentIndex(box->findText(text));
    }
    device->clear_log();
}

void CloseTest::close_when(std::function<bool()> when)
{
    QObject::connect(&sampler, &QTimer::timeout, [this, when] {
        if (journal_at_close >= 0 || !when())
            return;
        close_result = rig->window().close();
        journal_at_close = device->journal().size();
    });
    sampler.start(5);
}

void CloseTest::closing_outside_a_write_asks_nothing_data()
{
    QTest::addColumn<int>("stage");
    QTest::newRow("idle") << 0;
    QTest::newRow("installation waiting for the server") << 1;
    // Written and reported: the close comes while the count left is asked for.
    QTest::newRow("installation waiting for its last request") << 2;
}

void CloseTest::closing_outside_a_write_asks_nothing()
{
    QFETCH(int, stage);
    choose_engine();
    const size_t requests_before = server->log().size();
    if (stage == 0) {
        close_result = rig->window().close();
    } else if (stage == 1) {
        server->add_fault(server_fault(apiserver::Endpoint::Settings, apiserver::FaultKind::Delay, 0, {}, 10000));
        close_when([this] { return rig->probe().visible("label_load"); });
        rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();
        // The run ended with the window, long before the server's answer (which
        // the server logs when it gives it): the request was given up.
        QCOMPARE(targets(*server, requests_before), QStringList());
    } else {
        server->add_fault(server_fault(apiserver::Endpoint::LimitInfo, apiserver::FaultKind::Delay, 0, {}, 10000));
        close_when([] { return reply_GetConfigCount && reply_GetConfigCount->isRunning(); });
        rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();
        // The success it had reached comes without its box: the window is gone.
        QVERIFY(device->state().software_checksum_ok);
    }
    QVERIFY(close_result);
    QVERIFY(!rig->window().isVisible());
    QCOMPARE(rig->boxes.count(), 0);
    if (stage < 2)
        QVERIFY(device->messages().isEmpty());
}

void CloseTest::no_lets_the_installation_finish()
{
    choose_engine();
    rig->boxes.answer = "No";
    close_when([this] { return software_in_transfer(device); });
    rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();

    QVERIFY(!close_result);
    QVERIFY(rig->window().isVisible());
    QCOMPARE(rig->boxes.texts(), (QStringList{question, "Info / Vehicle is changed!"}));
    const QByteArray file = QByteArray::fromStdString(apiserver::software_bytes("SW-001002", 100));
    QCOMPARE(hex(device->messages()),
             hex({QByteArray::fromHex("03"), "\x14v-1002", "\x15" "Audi", "\x16" "A3", "\x17" "2.0 TFSI",
                  "\x18" "190", "\x19" "320", "\x1a" "SW-001002", QByteArray::fromHex("320c0000"),
                  QByteArray::fromHex("1c02"), QByteArray::fromHex("1b2c"), QByteArray::fromHex("21"),
                  QByteArray::fromHex("24"), software_message(file)}));
    QVERIFY(device->state().software_checksum_ok);
}

void CloseTest::yes_abandons_the_write_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("installation");
    // The program runs every sequence inside the application's loop, which the
    // closed window ends; a test may run one on its own, with no such loop.
    QTest::addColumn<bool>("application_loop");
    QTest::newRow("installation, in the software transfer") << "pushButton_apply_car" << true << true;
    QTest::newRow("drive-mode write") << "pushButton_eco" << false << true;
    QTest::newRow("installation, no application loop") << "pushButton_apply_car" << true << false;
}

void CloseTest::yes_abandons_the_write()
{
    QFETCH(QString, button);
    QFETCH(bool, installation);
    QFETCH(bool, application_loop);
    if (installation)
        choose_engine();
    else
        device->clear_log();
    const size_t requests_before = server->log().size();
    rig->boxes.answer = "Yes";
    close_when([this, installation] {
        return installation ? software_in_transfer(device) : !device->messages().isEmpty();
    });

    auto *start = rig->window().findChild<QPushButton *>(button);
    if (application_loop) {
        QTimer::singleShot(0, start, [this, start] {
            start->click();
            if (!close_result)
                qApp->quit();  // not closed: the loop would run on
        });
        qApp->exec();
    } else {
        start->click();
    }

    QVERIFY(close_result);
    QVERIFY(!rig->window().isVisible());
    QCOMPARE(last_window_closed, application_loop);
    QCOMPARE(rig->boxes.texts(), QStringList{question});
    // Nothing reached the device after the answer: no chunk, no read-back.
    QCOMPARE(device->journal().size(), journal_at_close);
    QVERIFY(device->messages().size() < (installation ? 14 : 4));
    QCOMPARE(targets(*server, requests_before).size(), installation ? 2 : 0);  // settings and software only

    // The program's end: the window goes, the device is closed, the library shut down.
    QCOMPARE(SimBus::instance().exit_calls(), 0);
    rig->close_window();
    QCOMPARE(SimBus::instance().open_handles(), 0);
    QCOMPARE(SimBus::instance().exit_calls(), 1);
}

void CloseTest::closing_while_the_installation_is_reported_asks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

// The vehicle is in the device once the software is: closing before the server
// has the report would leave the installation unreported, so the window asks.
void CloseTest::closing_while_the_installation_is_reported_asks()
{
    QFETCH(bool, yes);
    choose_engine();
    const size_t requests_before = server->log().size();
    server->add_fault(server_fault(apiserver::Endpoint::Install, apiserver::FaultKind::Delay, 0, {}, 300));
    rig->boxes.answer = yes ? "Yes" : "No";
    // Closed once the server holds the report (its delay is taken): a close before
    // the request is on the wire would leave nothing for the server to log.
    const apiserver::ApiServer *api = server;
    close_when([api] {
        return reply_PostSettingsOk && reply_PostSettingsOk->isRunning() && api->fault_count() == 0;
    });
    rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();

    const QString reported = "Warning / The vehicle is in the device, but its installation is still being "
                             "reported. Closing now leaves it unreported. Close anyway?";
    QCOMPARE(close_result, yes);
    QStringList boxes{reported};
    if (!yes)
        boxes << "Info / Vehicle is changed!";
    QCOMPARE(rig->boxes.texts(), boxes);
    QVERIFY(device->state().software_checksum_ok);
    // After "Yes" nothing more is asked of the server (the count left is not). The
    // server logs the report when it answers it.
    QTRY_COMPARE(targets(*server, requests_before).size(), yes ? 3 : 4);
}

// The settings write's last answer comes while the question is open: the write
// is complete, and the window shows what it wrote, though the window then closes.
void CloseTest::an_exchange_answered_under_the_question_stands()
{
    auto *window = &rig->window();
    window->findChild<QPushButton *>("pushButton_stby_s")->click();
    device->clear_log();
    rig->boxes.answer = "Yes";
    rig->boxes.question_delay_ms = 300;
    close_when([this] { return device->messages().size() == 4; });
    window->findChild<QPushButton *>("pushButton_apply_settings")->click();

    QVERIFY(close_result);
    QCOMPARE(hex(device->messages()).value(3), QStringLiteral("24"));
    QCOMPARE(window->findChild<QLabel *>("label_stby")->text(), QStringLiteral("MANUAL, S"));
    QCOMPARE(rig->boxes.count(), 1);
}

// A device failure handled in the same turn of the event loop as the "Yes": the
// question is hidden, its loop not yet left, and it will not finish again.
void CloseTest::a_box_in_the_turn_of_the_answer_waits_for_nothing()
{
    bool may_show = true;
    rig->boxes.question_delay_ms = 60000;  // the answer is this test's
    rig->boxes.on_box = [&may_show](const BoxCatcher::Box &) {
        QTimer::singleShot(0, [&may_show] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                    for (QAbstractButton *button : box->buttons())
                        if (button->text() == "Yes")
                            button->click();
            may_show = wait_for_question("USB write error! Please reconnect device!");
        });
    };
    QVERIFY(show_box_yes_no("Warning", "Close anyway?"));
    QVERIFY(!may_show);
}

QTEST_MAIN(CloseTest)
#include "close_test.moc"
