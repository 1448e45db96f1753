// The settings word a settings write sends, from the choices in the window.

#include <QtTest>

#include "controls/settings_word.h"

class SettingsWordTest : public QObject
{
    Q_OBJECT
private slots:
    void message_data();
    void message();
    void protocol_by_name();
};

void SettingsWordTest::message_data()
{
    QTest::addColumn<bool>("auto_standby");
    QTest::addColumn<bool>("u");
    QTest::addColumn<bool>("s");
    QTest::addColumn<bool>("auto_protocol");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("both automatic") << true << false << false << true << 3 << QByteArray::fromHex("320c0000");
    QTest::newRow("S, J1850 VPW") << false << false << true << false << 7 << QByteArray::fromHex("32010080");
    QTest::newRow("U, OEM 2") << false << true << false << false << 11 << QByteArray::fromHex("32020800");
    QTest::newRow("U, HS CAN") << false << true << false << false << 0 << QByteArray::fromHex("32020001");
    QTest::newRow("automatic standby wins over a selected button")
        << true << true << false << false << 8 << QByteArray::fromHex("32040100");
    QTest::newRow("no standby at all") << false << false << false << true << 0 << QByteArray::fromHex("32080000");
}

void SettingsWordTest::message()
{
    QFETCH(bool, auto_standby);
    QFETCH(bool, u);
    QFETCH(bool, s);
    QFETCH(bool, auto_protocol);
    QFETCH(int, protocol);
    QFETCH(QByteArray, message);
    settings_word::Choice choice;
    choice.auto_standby = auto_standby;
    choice.standby_u = u;
    choice.standby_s = s;
    choice.auto_protocol = auto_protocol;
    choice.protocol = protocol;
    QCOMPARE(settings_word::message(choice), message);
}

void SettingsWordTest::protocol_by_name()
{
    const QStringList names{"HS CAN", "TOEM", "MS CAN"};
    QCOMPARE(settings_word::protocol_number("MS CAN", names), 2);
    QCOMPARE(settings_word::protocol_number("NOT SELECTED", names), -1);
    QCOMPARE(settings_word::protocol_number(QString(), names), -1);
}

#include "settings_word_test.moc"
QObject *make_settings_word_test() { return new SettingsWordTest; }
