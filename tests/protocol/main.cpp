#include <QCoreApplication>
#include <QtTest>
#include <memory>

QObject *make_framing_test();
QObject *make_decode_test();
QObject *make_api_test();
QObject *make_tuning_test();
QObject *make_open_hint_test();
QObject *make_settings_word_test();
QObject *make_trace_mask_test();
QObject *make_obd_pin_table_test();
QObject *make_record_format_test();

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int failures = 0;
    for (QObject *(*make)() : {make_framing_test, make_decode_test, make_api_test, make_tuning_test,
                               make_open_hint_test, make_settings_word_test, make_trace_mask_test,
                               make_obd_pin_table_test, make_record_format_test}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
