// What the open-failure box says about the cause, from errno and the HID library's text.

#include <QtTest>
#include <cerrno>

#include "device/open_hint.h"

class OpenHintTest : public QObject
{
    Q_OBJECT
private slots:
    void cause_data();
    void cause();
};

void OpenHintTest::cause_data()
{
    QTest::addColumn<int>("error_number");
    QTest::addColumn<QString>("library_error");
    QTest::addColumn<QString>("text_starts");   // empty: no hint
    QTest::addColumn<QString>("last_argument");
    const QString denied = QStringLiteral("Failed to open a device with path '/dev/hidraw3': Permission denied");
    const QString command = QStringLiteral("sudo udevadm control --reload && sudo udevadm trigger");
    QTest::newRow("no error") << 0 << QStringLiteral("Success") << QString() << QString();
    QTest::newRow("no text") << 0 << QString() << QString() << QString();
    QTest::newRow("EACCES") << EACCES << denied << "Access to the device is missing" << command;
    // strerror follows the locale: the number decides.
    QTest::newRow("EACCES, German text") << EACCES << "Failed to open a device with path '/dev/hidraw3': Keine Berechtigung"
                                         << "Access to the device is missing" << command;
    QTest::newRow("errno lost, English text") << 0 << denied << "Access to the device is missing" << command;
    QTest::newRow("EBUSY") << EBUSY << QStringLiteral("... Device or resource busy") << "Another program" << QString();
    QTest::newRow("other: the library's text")
        << ENODEV << QStringLiteral("Failed to open a device with path 'x': No such device") << "The system reported"
        << QStringLiteral("Failed to open a device with path 'x': No such device");
}

void OpenHintTest::cause()
{
    QFETCH(int, error_number);
    QFETCH(QString, library_error);
    QFETCH(QString, text_starts);
    QFETCH(QString, last_argument);
    const std::wstring wide = library_error.toStdWString();
    const OpenHint hint = open_failure_hint(error_number, library_error.isNull() ? nullptr : wide.c_str());
    if (text_starts.isEmpty()) {
        QVERIFY(!hint.text);
        return;
    }
    QVERIFY(hint.text);
    QVERIFY2(QString::fromUtf8(hint.text).startsWith(text_starts), hint.text);
    QCOMPARE(hint.arguments.value(hint.arguments.size() - 1), last_argument);
    // Every placeholder is filled.
    QCOMPARE(QString::fromUtf8(hint.text).count(QRegularExpression("%[1-9]")), hint.arguments.size());
    if (error_number == EACCES)
        QVERIFY2(hint.arguments.value(1).endsWith("/udev/rules.d/70-orv.rules"), qPrintable(hint.arguments.value(1)));
}

#include "open_hint_test.moc"
QObject *make_open_hint_test() { return new OpenHintTest; }
