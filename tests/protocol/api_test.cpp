// The API server's conventions: paths, headers, reply bodies, catalogue JSON.

#include <QtTest>

#include "server/api.h"
#include "server/catalogue_list.h"

class ApiTest : public QObject
{
    Q_OBJECT
private slots:
    void paths();
    void ids_are_percent_encoded();
    void traces_hide_the_auth_key();
    void success_statuses();
    void software_reply_acceptance_data();
    void software_reply_acceptance();
    void headers_in_order();
    void install_body();
    void result_of_body_data();
    void result_of_body();
    void whole_numbers_data();
    void whole_numbers();
    void brands_read_ids_as_numbers();
    void models_and_engines_read_ids_as_strings();
    void non_objects_give_empty_items();
    void engine_list_sorted_with_first_positions();
    void long_list_read_in_halves_keeps_first_positions();
    void count_data();
    void count();
    void settings_record();
};

void ApiTest::paths()
{
    QCOMPARE(api::limit_path(), "/api/v1/chip/limitInfo");
    QCOMPARE(api::brands_path(), "/api/v1/vehicle/brand?");
    QCOMPARE(api::models_path("13"), "/api/v1/vehicle/model?brandId=13");
    QCOMPARE(api::engines_path(""), "/api/v1/vehicle?modelId=");
    QCOMPARE(api::settings_path("v-1", "k%2By"), "/api/v1/vehicle/settings?vehicleId=v-1&authKey=k%2By");
    QCOMPARE(api::software_path("", "k"), "/api/v1/chip/software//file?authKey=k");
    QCOMPARE(api::install_success_path(), "/api/v1/vehicle/settings/install/success");
}

void ApiTest::ids_are_percent_encoded()
{
    QCOMPARE(api::models_path("a#b?c&d/e f"), "/api/v1/vehicle/model?brandId=a%23b%3Fc%26d%2Fe%20f");
    QCOMPARE(api::engines_path("m-1_2.3~"), "/api/v1/vehicle?modelId=m-1_2.3~");
    QCOMPARE(api::settings_path(QString::fromUtf8("v\xc3\xa9"), "k"), "/api/v1/vehicle/settings?vehicleId=v%C3%A9&authKey=k");
    QCOMPARE(api::software_path("../x", "k"), "/api/v1/chip/software/..%2Fx/file?authKey=k");
}

void ApiTest::traces_hide_the_auth_key()
{
    QCOMPARE(api::without_auth_key("/s?vehicleId=1&authKey=%D0%BA%2B&x=2"), "/s?vehicleId=1&authKey=***&x=2");
    QCOMPARE(api::without_auth_key("/f?authKey=abc"), "/f?authKey=***");
    QCOMPARE(api::without_auth_key("/api/v1/chip/limitInfo"), "/api/v1/chip/limitInfo");
}

void ApiTest::success_statuses()
{
    QVERIFY(api::status_ok(200) && api::status_ok(204) && !api::status_ok(302) && !api::status_ok(0));
}

void ApiTest::software_reply_acceptance_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("taken");
    QTest::newRow("a file") << 200 << QByteArray("application/octet-stream") << 3 << true;
    QTest::newRow("no type") << 200 << QByteArray() << 3 << true;
    QTest::newRow("empty body") << 200 << QByteArray("application/octet-stream") << 0 << false;
    QTest::newRow("not 200") << 204 << QByteArray("application/octet-stream") << 3 << false;
    QTest::newRow("HTML, any case") << 200 << QByteArray("Text/HTML; charset=utf-8") << 3 << false;
    QTest::newRow("any text") << 200 << QByteArray("text/csv") << 3 << false;
    QTest::newRow("JSON") << 200 << QByteArray("application/json;charset=UTF-8") << 3 << false;
    QTest::newRow("problem JSON") << 200 << QByteArray("application/problem+json") << 3 << false;
    QTest::newRow("a +json suffix") << 200 << QByteArray("application/vnd.api+json") << 3 << false;
    QTest::newRow("XML") << 200 << QByteArray("application/xml") << 3 << false;
    QTest::newRow("XHTML, a +xml suffix") << 200 << QByteArray("application/xhtml+xml") << 3 << false;
    for (const char *text : {"application/json-seq", "application/javascript", "application/ecmascript",
                             "application/yaml", "application/x-yaml", "application/toml", "application/ld+yaml"})
        QTest::newRow(text) << 200 << QByteArray(text) << 3 << false;
    QTest::newRow("an unknown binary type") << 200 << QByteArray("application/x-orv-firmware") << 3 << true;
    // Two Content-Type headers, as the network layer joins them.
    QTest::newRow("repeated header") << 200 << QByteArray("text/html, application/octet-stream") << 3 << false;
    QTest::newRow("quoted comma") << 200 << QByteArray(R"(application/octet-stream; name="a, text/plain")") << 3
                                  << true;
    QTest::newRow("escaped quote inside quotes")
        << 200 << QByteArray(R"(application/octet-stream; name="a\", text/plain")") << 3 << true;
    QTest::newRow("comma after the quotes") << 200 << QByteArray(R"(application/octet-stream; n="a", text/plain)")
                                            << 3 << false;
}

void ApiTest::software_reply_acceptance()
{
    QFETCH(int, status);
    QFETCH(QByteArray, type);
    QFETCH(int, size);
    QFETCH(bool, taken);
    QCOMPARE(api::software_file_acceptable(status, type, size), taken);
}

void ApiTest::headers_in_order()
{
    const auto headers = api::request_headers(QStringLiteral("1100000001"));
    QCOMPARE(headers.size(), 5);
    QCOMPARE(headers.at(0), qMakePair(QByteArray("X-Auth-Token"), QByteArray("1100000001")));
    QCOMPARE(headers.at(1), qMakePair(QByteArray("X-Device-Token"), QByteArray("718204593316")));
    QCOMPARE(headers.at(2), qMakePair(QByteArray("X-Device-Type"), QByteArray("DESKTOP")));
    QCOMPARE(headers.at(3), qMakePair(QByteArray("X-Device-Language"), QByteArray("RU")));
    QCOMPARE(headers.at(4), qMakePair(QByteArray("Accept"), QByteArray("application/json")));
    // A serial number that carries a line break and a header cannot add a header.
    QCOMPARE(api::request_headers(QStringLiteral("11\r\nX-Evil: 1")).at(0).second, QByteArray("11X-Evil: 1"));
}

void ApiTest::install_body()
{
    QCOMPARE(api::install_success_body("17"), QByteArray("{\"settingsId\":17}"));
}

void ApiTest::result_of_body_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("result");
    QTest::newRow("number") << QByteArray("{\"result\":3}") << 3;
    QTest::newRow("zero byte ends the body") << QByteArray("{\"result\":4}\0garbage", 20) << 4;
    QTest::newRow("zero byte inside the JSON") << QByteArray("{\"result\":\0 5}", 14) << 0;
    QTest::newRow("not JSON") << QByteArray("<html>502</html>") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("no result") << QByteArray("{\"count\":3}") << 0;
    QTest::newRow("top level array") << QByteArray("[1,2]") << 0;
    QTest::newRow("negative") << QByteArray("{\"result\":-2}") << -2;
    QTest::newRow("result a string") << QByteArray("{\"result\":\"3\"}") << 0;
}

void ApiTest::result_of_body()
{
    QFETCH(QByteArray, body);
    QFETCH(int, result);
    QCOMPARE(api::count(api::result_of(body)), result);
}

void ApiTest::whole_numbers_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << QJsonValue(17) << "17";
    QTest::newRow("17.0") << QJsonValue(17.0) << "17";
    QTest::newRow("17.6 rounds up") << QJsonValue(17.6) << "18";
    QTest::newRow("12.7") << QJsonValue(12.7) << "13";
    QTest::newRow("large") << QJsonValue(1234567890123.0) << "1234567890123";
    QTest::newRow("string reads 0") << QJsonValue("12") << "0";
    QTest::newRow("missing reads 0") << QJsonValue(QJsonValue::Undefined) << "0";
    QTest::newRow("small negative") << QJsonValue(-0.2) << "0";
    QTest::newRow("negative whole") << QJsonValue(-5.0) << "-5";
    QTest::newRow("above 2^53") << QJsonValue(1e20) << "100000000000000000000";
}

void ApiTest::whole_numbers()
{
    QFETCH(QJsonValue, value);
    QFETCH(QString, text);
    QCOMPARE(api::whole_number_text(value), text);
}

void ApiTest::brands_read_ids_as_numbers()
{
    const QJsonValue result = api::result_of(
        R"({"result":{"items":[{"id":12.7,"title":"Alpha"},{"id":"5","title":"Bravo"},{"title":"NoId"}]}})");
    const QList<api::Item> items = api::brands(result);
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.at(0).id, "13");
    QCOMPARE(items.at(0).title, "Alpha");
    QCOMPARE(items.at(1).id, "0");
    QCOMPARE(items.at(2).id, "0");
}

void ApiTest::models_and_engines_read_ids_as_strings()
{
    const QList<api::Item> models = api::models(
        api::result_of(R"({"result":{"items":[{"id":"m-1","title":"A4"},{"id":7,"title":"A6"}]}})"));
    QCOMPARE(models.size(), 2);
    QCOMPARE(models.at(0).id, "m-1");
    QCOMPARE(models.at(1).id, QString());

    const QList<api::Item> engines = api::engines(api::result_of(
        R"({"result":{"items":[{"id":"v-1","title":"2.0 TDI","power":150,"moment":320.4},{"id":"v-2","title":"1.4"}]}})"));
    QCOMPARE(engines.size(), 2);
    QCOMPARE(engines.at(0).power, "150");
    QCOMPARE(engines.at(0).torque, "320");
    QCOMPARE(engines.at(1).power, "0");
    QCOMPARE(engines.at(1).torque, "0");
    QCOMPARE(api::engine_text(engines.at(1).title, engines.at(1).power, engines.at(1).torque), "1.4 0HP 0NM");
}

void ApiTest::non_objects_give_empty_items()
{
    const QList<api::Item> items = api::engines(api::result_of(R"({"result":{"items":[1,"x",null]}})"));
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.at(0).id, QString());
    QCOMPARE(items.at(0).power, "0");
    QVERIFY(api::brands(api::result_of(R"({"result":{"items":{}}})")).isEmpty());
    QVERIFY(api::brands(api::result_of(R"({"result":[]})")).isEmpty());
}

void ApiTest::engine_list_sorted_with_first_positions()
{
    const QString long_title(150, QLatin1Char('x'));
    const CatalogueList list = read_catalogue_list(
        ListKind::Engines, QStringLiteral(R"({"result":{"items":[{"id":"v-1","title":"b","power":1,"moment":2},)"
                                          R"({"id":"v-2","title":"B","power":1,"moment":2},)"
                                          R"({"id":"v-3","title":"b","power":1,"moment":2},)"
                                          R"({"id":"v-4","title":"%1","power":1,"moment":2}]}})")
                               .arg(long_title)
                               .toUtf8());
    QCOMPARE(list.ids, QStringList({"v-1", "v-2", "v-3", "v-4"}));
    QCOMPARE(list.items.at(0), "b 1HP 2NM");
    // By UTF-16 code units; equal texts lead to the first; a long text is cut.
    QCOMPARE(list.choices.texts.mid(0, 3), QStringList({"B 1HP 2NM", "b 1HP 2NM", "b 1HP 2NM"}));
    QCOMPARE(list.choices.positions, QVector<int>({1, 0, 0, 3}));
    QCOMPARE(list.choices.texts.at(3).size(), 100);
    QVERIFY(list.choices.texts.at(3).endsWith(QChar(0x2026)));
}

void ApiTest::long_list_read_in_halves_keeps_first_positions()
{
    // Titles repeat across the two halves of a long list; each leads to its first.
    QStringList elements;
    for (int i = 0; i < 3001; ++i)
        elements << QStringLiteral(R"({"id":"m-%1","title":"T%2"})").arg(i).arg((3001 - i) % 7);
    const CatalogueList list =
        read_catalogue_list(ListKind::Models, QStringLiteral(R"({"result":{"items":[%1]}})").arg(elements.join(',')).toUtf8());
    QCOMPARE(list.ids.size(), 3001);
    QCOMPARE(list.ids.last(), "m-3000");
    QCOMPARE(list.choices.texts.size(), 3001);
    for (int i = 0; i < 3001; ++i) {
        const int position = list.choices.positions.at(i);
        QCOMPARE(list.titles.at(position), list.choices.texts.at(i));
        QCOMPARE(position, list.titles.indexOf(list.choices.texts.at(i)));
        QVERIFY(i == 0 || !(list.choices.texts.at(i) < list.choices.texts.at(i - 1)));
    }
}

void ApiTest::count_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<int>("count");
    QTest::newRow("3") << QJsonValue(3) << 3;
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << 0;
    QTest::newRow("object") << QJsonValue(QJsonObject{{"count", 3}}) << 0;
    QTest::newRow("huge clamps") << QJsonValue(1e12) << 2147483647;
}

void ApiTest::count()
{
    QFETCH(QJsonValue, value);
    QFETCH(int, count);
    QCOMPARE(api::count(value), count);
}

void ApiTest::settings_record()
{
    api::SettingsRecord record = api::settings_record(
        api::result_of(R"({"result":{"id":17.6,"softwareId":"SW-7"}})"));
    QCOMPARE(record.id, "18");
    QCOMPARE(record.software_id, "SW-7");
    QVERIFY(record.valid);
    record = api::settings_record(api::result_of("{}"));
    QCOMPARE(record.id, "0");
    QCOMPARE(record.software_id, QString());
    QVERIFY(!record.valid);
    QVERIFY(!api::settings_record(api::result_of(R"({"result":{"id":"17","softwareId":"SW"}})")).valid);
    QVERIFY(!api::settings_record(api::result_of(R"({"result":{"id":17,"softwareId":""}})")).valid);
}

#include "api_test.moc"
QObject *make_api_test() { return new ApiTest; }
