// orvctl's pure parts: its command line, name matching, the settings word a `set`
// builds, exit statuses, and what it prints.

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include "app/ctl/arguments.h"
#include "app/ctl/matching.h"
#include "app/ctl/progress.h"
#include "app/ctl/report.h"
#include "app/ctl/settings_change.h"
#include "device/protocol.h"

using namespace ctl;

class CtlTest : public QObject
{
    Q_OBJECT
private slots:
    void command_line_data();
    void command_line();
    void names();
    void settings_keep_what_is_held();
    void statuses();
    void device_output();
    void json_outcome();
    void progress();
};

void CtlTest::command_line_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("command");  // empty: a usage error
    QTest::newRow("options after the command") << "identify --json --device /dev/hidraw3 --offline" << "identify";
    QTest::newRow("drive mode in any case") << "set drive-mode ECO" << "set drive-mode";
    QTest::newRow("protocol with '-' for a space") << "set protocol k-l-line" << "set protocol";
    QTest::newRow("unknown protocol") << "set protocol frob" << "";
    QTest::newRow("option of another command") << "set standby u --offline" << "";
    QTest::newRow("install by id alone") << "--yes install --vehicle-id v-1" << "install";
    QTest::newRow("install with two names and no id") << "install Audi A4" << "";
    QTest::newRow("engines without a model") << "catalogue engines Audi" << "";
    QTest::newRow("option value missing") << "identify --device" << "";
}

void CtlTest::command_line()
{
    QFETCH(QString, words);
    QFETCH(QString, command);
    const Arguments a = parse_arguments(words.split(QLatin1Char(' ')), protocol::names());
    QCOMPARE(a.error.isEmpty(), !command.isEmpty());
    if (command.isEmpty())
        return;
    QCOMPARE(a.command, command);
    if (a.verb == Verb::Identify)
        QVERIFY(a.json && a.offline && a.device == QLatin1String("/dev/hidraw3"));
    if (a.field == Field::DriveMode)
        QCOMPARE(a.drive_mode, 1);
    if (a.field == Field::Protocol)
        QCOMPARE(a.protocol, 4);
}

void CtlTest::names()
{
    const QStringList names = protocol::names();
    QCOMPARE(protocol_by_name(QStringLiteral("hs-CAN"), names), 0);
    QCOMPARE(protocol_by_name(QStringLiteral("K Line"), names), 5);
    QCOMPARE(protocol_word(names.at(4)), QStringLiteral("K-L-Line"));
    // Exact titles first; ignoring case only when none is exact; an item text counts.
    const QStringList titles{"golf", "Golf", "Polo", "Golf"};
    QCOMPARE(matching_positions(QStringLiteral("Golf"), titles), (QList<int>{1, 3}));
    QCOMPARE(matching_positions(QStringLiteral("POLO"), titles), QList<int>{2});
    const QStringList engines{"1.8 TSI", "2.0"}, texts{"1.8 TSI 180HP 250NM", "x"};
    QCOMPARE(matching_positions(QStringLiteral("1.8 tsi 180HP 250NM"), engines, texts), QList<int>{0});
    QCOMPARE(suggestions(QStringLiteral("gol"), titles), (QStringList{"golf", "Golf"}));
    // The bash completion offers every protocol word.
    QFile completion(QStringLiteral(ORV_COMPLETION_FILE));
    QVERIFY(completion.open(QIODevice::ReadOnly));
    const QString script = QString::fromUtf8(completion.readAll());
    for (const QString &name : names)
        QVERIFY2(script.contains(QLatin1Char(' ') + protocol_word(name)), qPrintable(name));
}

void CtlTest::settings_keep_what_is_held()
{
    const HeldSettings held{true, QStringLiteral("S"), false, 7};
    Arguments change;
    change.field = Field::Standby;
    change.standby = Standby::U;
    QCOMPARE(settings_word::message(settings_choice(held, change)), QByteArray::fromHex("32020080"));
    change.field = Field::Protocol;
    change.protocol = -1;
    QCOMPARE(settings_word::message(settings_choice(held, change)), QByteArray::fromHex("320c0000"));
    change.protocol = 11;
    QCOMPARE(settings_word::message(settings_choice({false, QStringLiteral("S"), true, -1}, change)),
             QByteArray::fromHex("32010800"));
}

void CtlTest::statuses()
{
    session::WriteResult write;
    QCOMPARE(status_of_write(write), int(device_failed));
    write.value_sent = true;
    QCOMPARE(status_of_write(write), int(incomplete));
    write.refused = true;
    write.value_sent = false;
    QCOMPARE(status_of_write(write), int(refused));
    QCOMPARE(status_of_install(session::InstallStage::Written), int(incomplete));
    QCOMPARE(status_of_install(session::InstallStage::ServerFailed), int(server_failed));
    // A server that failed counts only for a command that needs it.
    QCOMPARE(status_of_identify(session::Identified::Yes, true, true), int(server_failed));
    QCOMPARE(status_of_identify(session::Identified::Yes, false, true), int(done));
    QCOMPARE(error_code(no_device), QStringLiteral("no-device"));
}

void CtlTest::device_output()
{
    DeviceReport d;
    d.serial_number = QStringLiteral("1000000002");
    d.model = model_name(d.serial_number);
    d.auto_standby = true;
    d.standby = QStringLiteral("S");
    d.protocol = 4;
    d.protocol_bit = 4;
    d.active = {15};
    d.brand = QStringLiteral("Bad\x1b[31m");
    d.configured = true;
    const QJsonObject o = device_json(d, protocol::names());
    QCOMPARE(o.value("model").toString(), QStringLiteral("OR"));
    QCOMPARE(o.value("standby").toString(), QStringLiteral("auto"));
    QCOMPARE(o.value("protocol").toString(), QStringLiteral("K L Line"));
    QVERIFY(o.value("drive_mode").isNull());
    QCOMPARE(o.value("pins_selected").toArray(), (QJsonArray{7, 15}));
    QCOMPARE(o.value("protocols_active").toArray(), QJsonArray{"HS CAN"});
    QVERIFY(!o.contains("configurations_left"));
    const QString text = device_text(d, protocol::names());
    QVERIFY(!text.contains(QChar(0x1b)));
    QVERIFY(text.contains(QStringLiteral("pins active:          6 14 (HS CAN)")));
}

void CtlTest::json_outcome()
{
    Outcome outcome;
    outcome.command = QStringLiteral("set drive-mode");
    outcome.status = incomplete;
    outcome.error_message = QStringLiteral("written");
    outcome.boxes = {{QStringLiteral("Error!"), QStringLiteral("Transmission error"), QString()}};
    const QByteArray json = outcome_json(outcome);
    QCOMPARE(json.count('\n'), 1);
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    QCOMPARE(o.value("status").toInt(), 5);
    QCOMPARE(o.value("error").toObject().value("code").toString(), QStringLiteral("incomplete"));
    const QJsonObject message = o.value("messages").toArray().at(0).toObject();
    QCOMPARE(message.value("text").toString(), QStringLiteral("Transmission error"));
}

void CtlTest::progress()
{
    ProgressText lines(false);
    QCOMPARE(lines.update(1, QStringLiteral("a 1%")), QStringLiteral("a 1%\n"));
    QCOMPARE(lines.update(1, QStringLiteral("a 1%, 5 s left")), QString());
    QCOMPARE(lines.end(), QString());
    ProgressText bar(true);
    const QString redraw = QStringLiteral("\r");
    QCOMPARE(bar.update(50, QStringLiteral("long text")), redraw + progress_bar(50) + QStringLiteral(" long text"));
    QCOMPARE(bar.update(60, QStringLiteral("short")), redraw + progress_bar(60) + QStringLiteral(" short    "));
    QCOMPARE(bar.end(), QStringLiteral("\n"));
    QCOMPARE(progress_bar(50, 4), QStringLiteral("[##--]"));
}

QTEST_GUILESS_MAIN(CtlTest)
#include "ctl_test.moc"
