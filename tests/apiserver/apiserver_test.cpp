// Tests of the local API server over real HTTPS on 127.0.0.1, trusting only the test CA.
#include "api_server.h"
#include "raw_tls_client.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <zlib.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <fstream>
#include <future>
#include <memory>
#include <numeric>
#include <thread>

using namespace apiserver;
using nlohmann::json;

namespace {

const std::string cert_dir = ORV_TEST_CERT_DIR;
const std::string ca_file = cert_dir + "/ca.pem";

// Devices the tests set up themselves, so they do not depend on the data file's devices.
const std::string serial = "1000000001";
const std::string key = "Kq7+tR/2mZ==";
const std::string serial_plus = "1100000001";
const std::string key_plus = "a b+c/d=e";

// The five headers of every request, in the configurator's order.
const HeaderList client_headers = {
    {"X-Auth-Token", serial},
    {"X-Device-Token", "718204593316"},
    {"X-Device-Type", "DESKTOP"},
    {"X-Device-Language", "RU"},
    {"Accept", "application/json"},
};

// Percent-encoding as the configurator does it: every byte outside the unreserved set,
// upper-case hex.
std::string client_encode(const std::string &s)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

std::string request_text(const std::string &method, const std::string &target, const HeaderList &headers,
                         const std::string &body = {})
{
    std::string r = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const auto &h : headers)
        r += h.first + ": " + h.second + "\r\n";
    if (!body.empty())
        r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return r + "Connection: close\r\n\r\n" + body;
}

HeaderList with_header(HeaderList headers, const std::string &name, const std::string *value)
{
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        if (it->first == name) {
            if (value)
                it->second = *value;
            else
                headers.erase(it);
            return headers;
        }
    }
    if (value)
        headers.emplace_back(name, *value);
    return headers;
}

std::unique_ptr<httplib::SSLClient> make_client(int port)
{
    auto c = std::make_unique<httplib::SSLClient>("127.0.0.1", port);
    c->set_ca_cert_path(ca_file.c_str());
    c->enable_server_certificate_verification(true);
    c->set_url_encode(false);  // targets go out exactly as the tests write them
    c->set_connection_timeout(2);
    c->set_read_timeout(5);
    return c;
}

httplib::Headers as_httplib(const HeaderList &list)
{
    httplib::Headers h;
    for (const auto &p : list)
        h.emplace(p.first, p.second);
    return h;
}

json parse(const std::string &body)
{
    return json::parse(body, nullptr, false);
}

Catalogue load_catalogue()
{
    std::string error;
    auto cat = Catalogue::load(ORV_TEST_CATALOGUE, &error);
    if (!cat)
        qFatal("%s", error.c_str());
    return *cat;
}

const Engine *engine_with_size(const Catalogue &cat, std::size_t size)
{
    for (const auto &b : cat.brands())
        for (const auto &m : b.models)
            for (const auto &e : m.engines)
                if (e.software_size == size)
                    return &e;
    return nullptr;
}

// Inflates one gzip member; a failure or anything after the member gives an error text.
std::string gunzip(const std::string &data, std::size_t limit = 1 << 20)
{
    z_stream z{};
    inflateInit2(&z, 15 + 16);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    std::string out;
    std::string buf(1 << 16, '\0');
    int r = Z_OK;
    while (r == Z_OK && out.size() <= limit) {
        z.next_out = reinterpret_cast<Bytef *>(&buf[0]);
        z.avail_out = static_cast<uInt>(buf.size());
        r = inflate(&z, Z_NO_FLUSH);
        out.append(buf, 0, buf.size() - z.avail_out);
    }
    const bool whole = r == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? out : "inflate failed: " + std::to_string(r);
}

// A header line, exactly, in a reply head.
bool has_line(const std::string &head, const std::string &line)
{
    return (head + "\r\n").find("\r\n" + line + "\r\n") != std::string::npos;
}

} // namespace

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(HeaderList)

namespace QTest {
// Failure messages show both strings, zero bytes and all.
template <> char *toString(const std::string &s)
{
    return QTest::toString(QByteArray::fromStdString(s));
}
} // namespace QTest

class ApiServerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ApiServer> server;
    std::unique_ptr<httplib::SSLClient> client;
    int port = -1;

    httplib::Result get(const std::string &target, const HeaderList &headers = client_headers)
    {
        return client->Get(target.c_str(), as_httplib(headers));
    }

private slots:
    void initTestCase()
    {
        server = std::make_unique<ApiServer>(load_catalogue(), cert_dir + "/server.pem", cert_dir + "/server.key");
        server->set_untrusted_certificate(cert_dir + "/rogue-server.pem", cert_dir + "/rogue-server.key");
        port = server->start();
        QVERIFY2(port > 0, server->last_error().c_str());
        client = make_client(port);
    }

    void init()
    {
        server->reset();
        server->set_device(serial, key, 3);
        server->set_device(serial_plus, key_plus, 300);
    }

    void cleanupTestCase()
    {
        client.reset();
        server.reset();
    }

    // The data file is edited by hand; these are the cases the configurator's tests rely on.
    void catalogueHoldsTheCasesClientsNeed()
    {
        const Catalogue cat = load_catalogue();
        QVERIFY(cat.brands().size() >= 25);
        QVERIFY(cat.model_count() >= 100);
        QVERIFY(cat.engine_count() >= 300);

        bool cyrillic = false, above_ff = false, duplicate_brand = false, twin_engines = false;
        bool bare_engine = false, many_blanks = false;
        QSet<QString> brand_titles;
        const auto scan_title = [&](const std::string &t) {
            for (const QChar c : QString::fromStdString(t)) {
                cyrillic |= c.unicode() >= 0x0400 && c.unicode() <= 0x04FF;
                above_ff |= c.unicode() > 0xFF && !(c.unicode() >= 0x0400 && c.unicode() <= 0x04FF);
            }
        };
        for (const auto &b : cat.brands()) {
            scan_title(b.title);
            duplicate_brand |= brand_titles.contains(QString::fromStdString(b.title));
            brand_titles.insert(QString::fromStdString(b.title));
            for (const auto &m : b.models) {
                scan_title(m.title);
                for (std::size_t i = 0; i < m.engines.size(); ++i) {
                    const Engine &e = m.engines[i];
                    bare_engine |= !e.power && !e.moment;
                    many_blanks |= std::count(e.title.begin(), e.title.end(), ' ') >= 2;
                    for (std::size_t j = i + 1; j < m.engines.size(); ++j)
                        twin_engines |= e.title == m.engines[j].title && e.power == m.engines[j].power
                                        && e.moment == m.engines[j].moment;
                }
            }
        }
        QVERIFY(cyrillic);
        QVERIFY(above_ff);
        QVERIFY(duplicate_brand);
        QVERIFY(twin_engines);
        QVERIFY(bare_engine);
        QVERIFY(many_blanks);

        bool model_or = false, model_or_plus = false, key_needs_encoding = false;
        QSet<int> counts;
        for (const auto &d : cat.devices()) {
            model_or |= d.serial.rfind("10", 0) == 0;
            model_or_plus |= d.serial.rfind("11", 0) == 0;
            key_needs_encoding |= d.key.find_first_of("+/= ") != std::string::npos;
            counts.insert(d.count);
        }
        QVERIFY(model_or && model_or_plus && key_needs_encoding);
        QVERIFY(counts.contains(0) && counts.contains(3) && counts.contains(300));
        for (std::size_t size : {0, 3, 100, 1000, 4096, 32768})
            QVERIFY2(engine_with_size(cat, size), std::to_string(size).c_str());
    }

    void catalogueRejectsBrokenFiles_data()
    {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<QString>("error");
        const std::string engine = R"({"id":"v-1","title":"E","power":1,"moment":2})";
        const auto one = [&](const std::string &e) {
            return R"({"brands":[{"id":1,"title":"B","models":[{"id":"m-1","title":"M","engines":[)" + e + "]}]}]}";
        };
        QTest::newRow("not json") << std::string("{\"brands\":[") << QString("parse");
        QTest::newRow("no brands") << std::string("{}") << QString("\"brands\"");
        QTest::newRow("brand id as text")
            << std::string(R"({"brands":[{"id":"1","title":"B","models":[]}]})") << QString("brands[0]");
        QTest::newRow("power as text")
            << one(R"({"id":"v-1","title":"E","power":"150"})") << QString("brands[0].models[0].engines[0]");
        QTest::newRow("engine id twice") << one(engine + "," + engine) << QString("engines[1]");
        QTest::newRow("no digits, no settingsId") << one(R"({"id":"vx","title":"E"})") << QString("settingsId");
        QTest::newRow("settings id taken")
            << one(engine + R"(,{"id":"v-2","title":"F","settingsId":1})") << QString("already belongs to v-1");
        QTest::newRow("software with two sizes")
            << one(R"({"id":"v-1","title":"E","softwareId":"S","softwareSize":1},)"
                   R"({"id":"v-2","title":"F","softwareId":"S","softwareSize":2})")
            << QString("two sizes");
    }

    void catalogueRejectsBrokenFiles()
    {
        QFETCH(std::string, text);
        QFETCH(QString, error);
        std::string why;
        QVERIFY(!Catalogue::from_json(text, &why));
        QVERIFY2(QString::fromStdString(why).contains(error), why.c_str());
    }

    void faultTexts_data()
    {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("status");
        QTest::addColumn<std::string>("body");
        QTest::newRow("status") << std::string("limitInfo:status:401") << true << 401 << std::string();
        QTest::newRow("status body with colons")
            << std::string(R"(brand:status:200:{"result":{"items":[]}})") << true << 200
            << std::string(R"({"result":{"items":[]}})");
        QTest::newRow("delay") << std::string("all:delay:25000") << true << 0 << std::string();
        QTest::newRow("drop") << std::string("install:drop") << true << 0 << std::string();
        QTest::newRow("delay without time") << std::string("brand:delay") << false << 0 << std::string();
        QTest::newRow("status 99") << std::string("brand:status:99") << false << 0 << std::string();
        QTest::newRow("unknown endpoint") << std::string("brands:empty") << false << 0 << std::string();
        QTest::newRow("unknown kind") << std::string("brand:slow") << false << 0 << std::string();
        QTest::newRow("argument where none fits") << std::string("all:empty:1") << false << 0 << std::string();
        QTest::newRow("no kind") << std::string("brand") << false << 0 << std::string();
        QTest::newRow("no content type") << std::string("brand:ctype:") << true << 0 << std::string();
        QTest::newRow("bomb without size") << std::string("brand:gzipbomb") << false << 0 << std::string();
        QTest::newRow("stream with an option") << std::string("software:stream:10:chunked") << false << 0
                                               << std::string();
    }

    void faultTexts()
    {
        QFETCH(std::string, text);
        QFETCH(bool, valid);
        QFETCH(int, status);
        QFETCH(std::string, body);
        const auto f = parse_fault(text, false);
        QCOMPARE(bool(f), valid);
        if (f && f->kind == FaultKind::Status) {
            QCOMPARE(f->status, status);
            QCOMPARE(f->body, body);
        }
    }

    void percentDecoding_data()
    {
        QTest::addColumn<std::string>("in");
        QTest::addColumn<std::string>("out");
        QTest::newRow("upper hex") << std::string("a%2Bb%2F%3D%20") << std::string("a+b/= ");
        QTest::newRow("lower hex") << std::string("%2b%2f") << std::string("+/");
        QTest::newRow("plus is not a blank") << std::string("a+b") << std::string("a+b");
        QTest::newRow("decoded once only") << std::string("%2541") << std::string("%41");
        QTest::newRow("bad escape kept") << std::string("%zz%4") << std::string("%zz%4");
        QTest::newRow("utf-8 bytes") << std::string("%D0%96") << std::string("\xD0\x96");
    }

    void percentDecoding()
    {
        QFETCH(std::string, in);
        QFETCH(std::string, out);
        QCOMPARE(percent_decode(in), out);
    }

    void brandList()
    {
        const auto res = get("/api/v1/vehicle/brand?");
        QVERIFY(res);
        QCOMPARE(res->status, 200);
        QCOMPARE(res->get_header_value("Content-Type"), std::string("application/json"));
        const json items = parse(res->body)["result"]["items"];
        QCOMPARE(items.size(), server->catalogue().brands().size());
        for (const auto &item : items) {
            QVERIFY(item["id"].is_number_integer());
            QVERIFY(item["title"].is_string());
        }
        QCOMPARE(items[0]["id"].get<std::int64_t>(), server->catalogue().brands()[0].id);
        QCOMPARE(items[0]["title"].get<std::string>(), server->catalogue().brands()[0].title);
    }

    void modelAndEngineLists_data()
    {
        QTest::addColumn<std::string>("target");
        QTest::addColumn<int>("expected");  // -1: as many as the catalogue has
        const Catalogue &cat = server->catalogue();
        const Brand &b = cat.brands()[0];
        QTest::newRow("models of a brand") << "/api/v1/vehicle/model?brandId=" + std::to_string(b.id) << -1;
        QTest::newRow("models of an unknown brand") << std::string("/api/v1/vehicle/model?brandId=99999") << 0;
        QTest::newRow("models, empty id") << std::string("/api/v1/vehicle/model?brandId=") << 0;
        QTest::newRow("models, id not a number") << std::string("/api/v1/vehicle/model?brandId=1x") << 0;
        QTest::newRow("engines of a model") << "/api/v1/vehicle?modelId=" + b.models[0].id << -1;
        QTest::newRow("engines of an unknown model") << std::string("/api/v1/vehicle?modelId=m-0") << 0;
        QTest::newRow("engines, empty id") << std::string("/api/v1/vehicle?modelId=") << 0;
    }

    void modelAndEngineLists()
    {
        QFETCH(std::string, target);
        QFETCH(int, expected);
        const auto res = get(target);
        QVERIFY(res);
        QCOMPARE(res->status, 200);
        const json items = parse(res->body)["result"]["items"];
        QVERIFY(items.is_array());
        const bool engines = target.find("modelId") != std::string::npos;
        if (expected < 0) {
            const Brand &b = server->catalogue().brands()[0];
            expected = static_cast<int>(engines ? b.models[0].engines.size() : b.models.size());
            QVERIFY(expected > 0);
        }
        QCOMPARE(static_cast<int>(items.size()), expected);
        for (const auto &item : items) {
            QVERIFY(item["id"].is_string());
            QVERIFY(item["title"].is_string());
            if (engines)
                QVERIFY(item["power"].is_number() && item["moment"].is_number());
        }
    }

    void engineWithoutPowerLeavesMembersOut()
    {
        const Model *model = nullptr;
        for (const auto &b : server->catalogue().brands())
            for (const auto &m : b.models)
                for (const auto &e : m.engines)
                    if (!e.power && !e.moment)
                        model = &m;
        QVERIFY(model);
        const json items = parse(get("/api/v1/vehicle?modelId=" + client_encode(model->id))->body)["result"]["items"];
        int bare = 0;
        for (const auto &item : items)
            bare += !item.contains("power") && !item.contains("moment");
        QCOMPARE(bare, 1);
    }

    void settingsThenSoftware_data()
    {
        QTest::addColumn<std::size_t>("size");
        for (std::size_t size : {0, 3, 100, 1000, 4096, 32768})
            QTest::newRow(qPrintable(QString("%1 bytes").arg(size))) << size;
    }

    void settingsThenSoftware()
    {
        QFETCH(std::size_t, size);
        const Engine *engine = engine_with_size(server->catalogue(), size);
        QVERIFY(engine);
        const std::string auth = "&authKey=" + client_encode(key);
        const auto settings = get("/api/v1/vehicle/settings?vehicleId=" + engine->id + auth);
        QVERIFY(settings);
        QCOMPARE(settings->status, 200);
        const json result = parse(settings->body)["result"];
        QVERIFY(result["id"].is_number_integer());
        QCOMPARE(result["id"].get<std::int64_t>(), engine->settings_id);
        QCOMPARE(result["softwareId"].get<std::string>(), engine->software_id);

        const auto file = get("/api/v1/chip/software/" + engine->software_id + "/file?authKey=" + client_encode(key));
        QVERIFY(file);
        QCOMPARE(file->status, 200);
        QCOMPARE(file->get_header_value("Content-Type"), std::string("application/octet-stream"));
        QCOMPARE(file->body.size(), size);
        QVERIFY(file->body == software_bytes(engine->software_id, size));
    }

    void unknownVehicleOrSoftware_data()
    {
        QTest::addColumn<std::string>("target");
        const std::string auth = "authKey=" + client_encode(key);
        QTest::newRow("unknown vehicle") << "/api/v1/vehicle/settings?vehicleId=v-0&" + auth;
        QTest::newRow("empty vehicle id") << "/api/v1/vehicle/settings?vehicleId=&" + auth;
        QTest::newRow("unknown software") << "/api/v1/chip/software/SW-NONE/file?" + auth;
        QTest::newRow("empty software id") << "/api/v1/chip/software//file?" + auth;
        QTest::newRow("unknown path") << std::string("/api/v1/chip/limit");
        QTest::newRow("GET on the install report") << std::string("/api/v1/vehicle/settings/install/success");
    }

    void unknownVehicleOrSoftware()
    {
        QFETCH(std::string, target);
        const auto res = get(target);
        QVERIFY(res);
        QCOMPARE(res->status, 404);
        QVERIFY(parse(res->body).contains("error"));
    }

    void headerChecks_data()
    {
        QTest::addColumn<HeaderList>("headers");
        QTest::addColumn<int>("status");
        const std::string wrong_token = "999";
        const std::string empty;
        const std::string lower = "desktop";
        const std::string any = "*/*";
        const std::string en = "EN";
        const std::string short_token = "71820459331";
        QTest::newRow("all five") << client_headers << 200;
        QTest::newRow("names in lower case") << HeaderList{{"x-auth-token", serial}, {"x-device-token", "718204593316"},
                                                           {"x-device-type", "DESKTOP"}, {"x-device-language", "RU"},
                                                           {"accept", "application/json"}}
                                             << 200;
        QTest::newRow("no X-Device-Token") << with_header(client_headers, "X-Device-Token", nullptr) << 400;
        QTest::newRow("short X-Device-Token") << with_header(client_headers, "X-Device-Token", &short_token) << 400;
        QTest::newRow("no X-Device-Type") << with_header(client_headers, "X-Device-Type", nullptr) << 400;
        QTest::newRow("X-Device-Type lower case") << with_header(client_headers, "X-Device-Type", &lower) << 400;
        QTest::newRow("no X-Device-Language") << with_header(client_headers, "X-Device-Language", nullptr) << 400;
        QTest::newRow("X-Device-Language EN") << with_header(client_headers, "X-Device-Language", &en) << 400;
        QTest::newRow("no Accept") << with_header(client_headers, "Accept", nullptr) << 400;
        QTest::newRow("Accept */*") << with_header(client_headers, "Accept", &any) << 400;
        QTest::newRow("no X-Auth-Token") << with_header(client_headers, "X-Auth-Token", nullptr) << 401;
        QTest::newRow("empty X-Auth-Token") << with_header(client_headers, "X-Auth-Token", &empty) << 401;
        QTest::newRow("unknown X-Auth-Token") << with_header(client_headers, "X-Auth-Token", &wrong_token) << 401;
        QTest::newRow("wrong fixed header wins over unknown token")
            << with_header(with_header(client_headers, "X-Auth-Token", &wrong_token), "Accept", &any) << 400;
    }

    void headerChecks()
    {
        QFETCH(HeaderList, headers);
        QFETCH(int, status);
        const RawReply r = raw_https(port, ca_file, request_text("GET", "/api/v1/chip/limitInfo", headers));
        QVERIFY(r.ok);
        QCOMPARE(r.status, status);
        if (status == 200)
            QCOMPARE(r.body, std::string(R"({"result":3})"));
        else
            QVERIFY(parse(r.body)["error"].is_string());
        QCOMPARE(r.body.find("Unauthorized token") != std::string::npos, status == 401);
    }

    void unknownTokenOnEveryEndpoint_data()
    {
        QTest::addColumn<std::string>("method");
        QTest::addColumn<std::string>("target");
        const std::string auth = "authKey=" + client_encode(key);
        QTest::newRow("limitInfo") << std::string("GET") << std::string("/api/v1/chip/limitInfo");
        QTest::newRow("brand") << std::string("GET") << std::string("/api/v1/vehicle/brand?");
        QTest::newRow("model") << std::string("GET") << std::string("/api/v1/vehicle/model?brandId=1");
        QTest::newRow("vehicle") << std::string("GET") << std::string("/api/v1/vehicle?modelId=m-101");
        QTest::newRow("settings") << std::string("GET") << "/api/v1/vehicle/settings?vehicleId=v-1001&" + auth;
        QTest::newRow("software") << std::string("GET") << "/api/v1/chip/software/SW-001001/file?" + auth;
        QTest::newRow("install") << std::string("POST") << std::string("/api/v1/vehicle/settings/install/success");
    }

    void unknownTokenOnEveryEndpoint()
    {
        QFETCH(std::string, method);
        QFETCH(std::string, target);
        const std::string stranger = "1099999999";
        const HeaderList headers = with_header(client_headers, "X-Auth-Token", &stranger);
        const std::string body = method == "POST" ? R"({"settingsId":1001})" : "";
        const RawReply r = raw_https(port, ca_file, request_text(method, target, headers, body));
        QVERIFY(r.ok);
        QCOMPARE(r.status, 401);
        QVERIFY(r.body.find("Unauthorized token") != std::string::npos);
    }

    void authKeyCheck_data()
    {
        QTest::addColumn<std::string>("device");
        QTest::addColumn<std::string>("query_key");  // as it appears in the URL
        QTest::addColumn<int>("status");
        QTest::newRow("encoded like the client") << serial << client_encode(key) << 200;
        QTest::newRow("blank, plus, slash, equals") << serial_plus << client_encode(key_plus) << 200;
        QTest::newRow("lower-case hex") << serial << std::string("Kq7%2btR%2f2mZ%3d%3d") << 200;
        QTest::newRow("another device's key") << serial << client_encode(key_plus) << 403;
        QTest::newRow("plus left raw is still a plus") << serial << std::string("Kq7+tR/2mZ==") << 200;
        QTest::newRow("blank sent as plus") << serial_plus << std::string("a+b%2Bc%2Fd%3De") << 403;
        QTest::newRow("encoded twice") << serial << client_encode(client_encode(key)) << 403;
        QTest::newRow("empty key") << serial << std::string() << 403;
    }

    void authKeyCheck()
    {
        QFETCH(std::string, device);
        QFETCH(std::string, query_key);
        QFETCH(int, status);
        const HeaderList headers = with_header(client_headers, "X-Auth-Token", &device);
        const auto settings = get("/api/v1/vehicle/settings?vehicleId=v-1001&authKey=" + query_key, headers);
        const auto file = get("/api/v1/chip/software/SW-001001/file?authKey=" + query_key, headers);
        QVERIFY(settings && file);
        QCOMPARE(settings->status, status);
        QCOMPARE(file->status, status);
    }

    void missingAuthKeyIsForbidden()
    {
        const auto res = get("/api/v1/vehicle/settings?vehicleId=v-1001");
        QVERIFY(res);
        QCOMPARE(res->status, 403);
    }

    void installReport_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<std::string>("content_type");
        QTest::addColumn<std::string>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("count_after");
        const std::string js = "application/json";
        QTest::newRow("lowers the count") << 3 << js << std::string(R"({"settingsId":1001})") << 200 << 2;
        QTest::newRow("last configuration") << 1 << js << std::string(R"({"settingsId":1001})") << 200 << 0;
        QTest::newRow("never below zero") << 0 << js << std::string(R"({"settingsId":1001})") << 200 << 0;
        QTest::newRow("unknown settings") << 3 << js << std::string(R"({"settingsId":424242})") << 404 << 3;
        QTest::newRow("settings id as text") << 3 << js << std::string(R"({"settingsId":"1001"})") << 400 << 3;
        QTest::newRow("fraction") << 3 << js << std::string(R"({"settingsId":1001.5})") << 400 << 3;
        QTest::newRow("not json") << 3 << js << std::string("settingsId=1001") << 400 << 3;
        QTest::newRow("form content type")
            << 3 << std::string("application/x-www-form-urlencoded") << std::string(R"({"settingsId":1001})")
            << 415 << 3;
    }

    void installReport()
    {
        QFETCH(int, count);
        QFETCH(std::string, content_type);
        QFETCH(std::string, body);
        QFETCH(int, status);
        QFETCH(int, count_after);
        server->set_device(serial, key, count);
        const auto res = client->Post("/api/v1/vehicle/settings/install/success", as_httplib(client_headers), body,
                                      content_type.c_str());
        QVERIFY(res);
        QCOMPARE(res->status, status);
        QCOMPARE(server->device_count(serial), count_after);
        if (status == 200)
            QCOMPARE(res->body, std::string(R"({"result":true})"));
    }

    void faults_data()
    {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<bool>("once");
        QTest::addColumn<std::string>("target");
        QTest::addColumn<int>("status");      // 0: no reply at all
        QTest::addColumn<std::string>("body");
        const std::string limit = "/api/v1/chip/limitInfo";
        const std::string normal = R"({"result":3})";
        for (bool once : {true, false}) {
            const auto row = [&](const char *name) -> QTestData & {
                return QTest::newRow(qPrintable(QString("%1, %2").arg(name, once ? "once" : "persistent")));
            };
            row("status") << std::string("limitInfo:status:500") << once << limit << 500
                          << std::string(R"({"error":"Internal server error"})");
            row("401 says Unauthorized token") << std::string("limitInfo:status:401") << once << limit << 401
                                               << std::string(R"({"error":"Unauthorized token"})");
            row("status with own body") << std::string(R"(brand:status:200:{"result":{"items":[{"id":12.7}]}})")
                                        << once << std::string("/api/v1/vehicle/brand?") << 200
                                        << std::string(R"({"result":{"items":[{"id":12.7}]}})");
            row("not json") << std::string("limitInfo:nonjson") << once << limit << 200
                            << std::string("<html><body><h1>502 Bad Gateway</h1></body></html>\n");
            row("zero byte") << std::string("limitInfo:zerobyte") << once << limit << 200
                             << normal + std::string(1, '\0') + "\x01\xff garbage {\"result\":999}";
            row("empty") << std::string("limitInfo:empty") << once << limit << 200 << std::string();
            row("drop") << std::string("limitInfo:drop") << once << limit << 0 << std::string();
            row("all endpoints") << std::string("all:status:503") << once << limit << 503
                                 << std::string(R"({"error":"Service unavailable"})");
        }
        QTest::newRow("other endpoint unaffected")
            << std::string("brand:status:500") << false << limit << 200 << normal;
    }

    void faults()
    {
        QFETCH(std::string, text);
        QFETCH(bool, once);
        QFETCH(std::string, target);
        QFETCH(int, status);
        QFETCH(std::string, body);
        const auto fault = parse_fault(text, once);
        QVERIFY(fault);
        server->add_fault(*fault);

        const auto first = get(target);
        if (status == 0) {
            QVERIFY(!first);
        } else {
            QVERIFY(first);
            QCOMPARE(first->status, status);
            QCOMPARE(first->body, body);
        }
        // A one-shot fault is gone for the next request, a persistent one is not.
        const auto second = get(target);
        if (!once && status == 0) {
            QVERIFY(!second);
        } else {
            QVERIFY(second);
            QCOMPARE(second->status, once ? 200 : status);
            if (!once)
                QCOMPARE(second->body, body);
        }
        server->clear_faults();
        const auto third = get(target);
        QVERIFY(third);
        QCOMPARE(third->status, 200);
    }

    void faultReplacingInstallKeepsTheCount()
    {
        server->add_fault(*parse_fault("install:status:500", true));
        const auto res = client->Post("/api/v1/vehicle/settings/install/success", as_httplib(client_headers),
                                      R"({"settingsId":1001})", "application/json");
        QVERIFY(res);
        QCOMPARE(res->status, 500);
        QCOMPARE(server->device_count(serial), 3);
    }

    void delayCombinesWithAnotherFault()
    {
        server->add_fault(*parse_fault("limitInfo:delay:300", true));
        server->add_fault(*parse_fault("limitInfo:status:502", true));
        QElapsedTimer t;
        t.start();
        const auto res = get("/api/v1/chip/limitInfo");
        QVERIFY(res);
        QVERIFY2(t.elapsed() >= 300 && t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(res->status, 502);
        QCOMPARE(server->log().back().fault, std::string("delay+status"));
        t.restart();
        QCOMPARE(get("/api/v1/chip/limitInfo")->status, 200);
        QVERIFY(t.elapsed() < 300);
    }

    void statusFaultCarriesHeaders()
    {
        const auto added = client->Post("/__sim/fault",
                                        R"({"fault":"software:status:302:<html><body>Moved</body></html>",)"
                                        R"("headers":{"Location":"https://elsewhere.example/x"},"once":true})",
                                        "application/json");
        QCOMPARE(added->status, 200);
        const auto moved = get("/api/v1/chip/software/SW-001001/file?authKey=" + client_encode(key));
        QVERIFY(moved);
        QCOMPARE(moved->status, 302);
        QCOMPARE(moved->get_header_value("Location"), std::string("https://elsewhere.example/x"));
        QCOMPARE(moved->get_header_value("Content-Type"), std::string("text/html"));
        QCOMPARE(moved->body, std::string("<html><body>Moved</body></html>"));

        // No body, and no length either: a 204 never has one.
        server->add_fault(*parse_fault("limitInfo:status:204", true));
        const RawReply none = raw_https(port, ca_file, request_text("GET", "/api/v1/chip/limitInfo", client_headers));
        QCOMPARE(none.status, 204);
        QVERIFY2(none.head.find("Content-Length") == std::string::npos, none.head.c_str());
        QCOMPARE(none.body, std::string());
    }

    void contentTypeFault_data()
    {
        QTest::addColumn<std::string>("type");
        QTest::newRow("html") << std::string("text/html; charset=utf-8");
        QTest::newRow("none at all") << std::string();
    }

    void contentTypeFault()
    {
        QFETCH(std::string, type);
        server->add_fault(*parse_fault("limitInfo:ctype:" + type, true));
        const RawReply r = raw_https(port, ca_file, request_text("GET", "/api/v1/chip/limitInfo", client_headers));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, std::string(R"({"result":3})"));
        if (type.empty())
            QVERIFY2(r.head.find("Content-Type") == std::string::npos, r.head.c_str());
        else
            QVERIFY2(has_line(r.head, "Content-Type: " + type), r.head.c_str());
    }

    void gzipBomb()
    {
        const std::size_t size = 10 * 1000 * 1000;  // whole megabytes and a rest
        server->add_fault(*parse_fault("brand:gzipbomb:" + std::to_string(size), true));
        const RawReply bomb = raw_https(port, ca_file, request_text("GET", "/api/v1/vehicle/brand?", client_headers));
        QCOMPARE(bomb.status, 200);
        QVERIFY2(has_line(bomb.head, "Content-Encoding: gzip"), bomb.head.c_str());
        QVERIFY2(bomb.body.size() < size / 500, std::to_string(bomb.body.size()).c_str());
        const std::string inflated = gunzip(bomb.body, size);
        QCOMPARE(inflated.size(), size);
        QVERIFY(inflated.find_first_not_of(' ') == std::string::npos);
    }

    void streamEndsWhenTheClientHangsUp()
    {
        const std::string framing = "Content-Length: 1073741824";
        const std::string start("\0\1\2", 3);
        server->add_fault(*parse_fault("software:stream:1073741824", true));
        std::atomic<int> while_sending{-1};
        server->set_request_observer([&](const LoggedRequest &) { while_sending = server->open_streams(); });
        const std::string target = "/api/v1/chip/software/SW-001001/file?authKey=" + client_encode(key);
        const RawReply r = raw_https(port, ca_file, request_text("GET", target, client_headers), 64 * 1024);
        server->set_request_observer(nullptr);
        QCOMPARE(while_sending.load(), 1);
        QCOMPARE(r.status, 200);
        QVERIFY2(has_line(r.head, framing), r.head.c_str());
        QVERIFY2(has_line(r.head, "Content-Type: application/octet-stream"), r.head.c_str());
        QCOMPARE(r.body.substr(0, start.size()), start);
        QElapsedTimer t;
        t.start();
        while (server->open_streams() > 0 && t.elapsed() < 2000)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QVERIFY2(server->open_streams() == 0, "the server still writes to a client that is gone");
        QCOMPARE(server->log().back().fault, std::string("stream"));
        QCOMPARE(server->log().back().status, 200);
    }

    void logKeepsTheRequestAsSent()
    {
        const std::string target = "/api/v1/vehicle/settings?vehicleId=v-1001&authKey=" + client_encode(key);
        HeaderList reversed(client_headers.rbegin(), client_headers.rend());
        for (const HeaderList &order : {client_headers, reversed}) {
            server->clear_log();
            QCOMPARE(raw_https(port, ca_file, request_text("GET", target, order)).status, 200);
            const auto log = server->log();
            QCOMPARE(log.size(), std::size_t(1));
            QCOMPARE(log[0].method, std::string("GET"));
            QCOMPARE(log[0].target, target);  // still percent-encoded
            QCOMPARE(log[0].status, 200);
            HeaderList sent = order;
            sent.insert(sent.begin(), std::make_pair(std::string("Host"), std::string("127.0.0.1")));
            sent.emplace_back("Connection", "close");
            QCOMPARE(log[0].headers, sent);
        }

        server->clear_log();
        const std::string body = R"({"settingsId":1001})";
        HeaderList post = client_headers;
        post.insert(post.begin(), std::make_pair(std::string("Content-Type"), std::string("application/json")));
        raw_https(port, ca_file, request_text("POST", "/api/v1/vehicle/settings/install/success", post, body));
        raw_https(port, ca_file, request_text("GET", "/__sim/log", {}));
        server->add_fault(*parse_fault("brand:drop", true));
        raw_https(port, ca_file, request_text("GET", "/api/v1/vehicle/brand?", client_headers));
        const auto log = server->log();
        QCOMPARE(log.size(), std::size_t(2));  // the control request is not logged
        QCOMPARE(log[0].body, body);
        QCOMPARE(log[0].headers.at(1).first, std::string("Content-Type"));
        QCOMPARE(log[1].status, 0);
        QCOMPARE(log[1].fault, std::string("drop"));
    }

    void logFileHasOneJsonLinePerRequest()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("requests.jsonl").toStdString();
        QVERIFY(server->set_log_file(path));
        raw_https(port, ca_file, request_text("GET", "/api/v1/vehicle/brand?", client_headers));
        raw_https(port, ca_file,
                  request_text("GET", "/api/v1/chip/limitInfo", with_header(client_headers, "Accept", nullptr)));
        QVERIFY(server->set_log_file(""));

        std::ifstream in(path);
        std::vector<json> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(parse(line));
        QCOMPARE(lines.size(), std::size_t(2));
        QCOMPARE(lines[0]["target"].get<std::string>(), std::string("/api/v1/vehicle/brand?"));
        QCOMPARE(lines[1]["status"].get<int>(), 400);
        // Pairs in order, not an object, so a reader sees the order they came in.
        QVERIFY(lines[0]["headers"].is_array());
        QCOMPARE(lines[0]["headers"][1][0].get<std::string>(), std::string("X-Auth-Token"));
    }

    void controlInterface()
    {
        const auto post = [&](const std::string &body) {
            return client->Post("/__sim/fault", body, "application/json")->status;
        };
        QCOMPARE(post(R"({"fault":"limitInfo:status:418","once":true})"), 200);
        QCOMPARE(post(R"({"fault":"limitInfo:bogus"})"), 400);
        QCOMPARE(post(R"({"fault":"limitInfo:empty","headers":{"Bad Name":"x"}})"), 400);
        QCOMPARE(get("/api/v1/chip/limitInfo")->status, 418);
        QCOMPARE(get("/api/v1/chip/limitInfo")->status, 200);  // once only
        QCOMPARE(parse(client->Get("/__sim/device?serial=1000000001")->body)["count"].get<int>(), 3);
        QCOMPARE(client->Get("/__sim/device?serial=nobody")->status, 404);
        QCOMPARE(server->log().size(), std::size_t(2));  // the control requests are not logged
    }

    void startStopRepeatedlyWithOpenConnections()
    {
        ApiServer local(load_catalogue(), cert_dir + "/server.pem", cert_dir + "/server.key");
        QElapsedTimer total;
        total.start();
        for (int round = 0; round < 15; ++round) {
            const int p = local.start();
            QVERIFY(p > 0);
            auto c = make_client(p);
            c->set_keep_alive(true);  // the connection stays open when stop() comes
            QCOMPARE(c->Get("/api/v1/vehicle/brand?", as_httplib(client_headers))->status, 200);
            QElapsedTimer t;
            t.start();
            local.stop();
            QVERIFY2(t.elapsed() < 500, qPrintable(QString("stop took %1 ms").arg(t.elapsed())));
            QVERIFY(!local.running());
        }
        QVERIFY2(total.elapsed() < 5000, qPrintable(QString::number(total.elapsed())));
    }

    void stopCutsADelayShort()
    {
        ApiServer local(load_catalogue(), cert_dir + "/server.pem", cert_dir + "/server.key");
        const int p = local.start();
        QVERIFY(p > 0);
        local.add_fault(*parse_fault("all:delay:20000", false));
        auto pending = std::async(std::launch::async, [p] {
            return bool(make_client(p)->Get("/api/v1/vehicle/brand?", as_httplib(client_headers)));
        });
        QVERIFY(pending.wait_for(std::chrono::milliseconds(300)) == std::future_status::timeout);
        QElapsedTimer t;
        t.start();
        local.stop();
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(!pending.get());  // the waiting client gets no reply
    }

    void portInUseIsAnError()
    {
        ApiServer second(load_catalogue(), cert_dir + "/server.pem", cert_dir + "/server.key");
        QCOMPARE(second.start("127.0.0.1", port), -1);
        QVERIFY(!second.last_error().empty());
        QCOMPARE(get("/api/v1/chip/limitInfo")->status, 200);
    }

    void certificateProblemsAreReported()
    {
        ApiServer missing(load_catalogue(), cert_dir + "/absent.pem", cert_dir + "/server.key");
        QCOMPARE(missing.start(), -1);
        QVERIFY(missing.last_error().find("absent.pem") != std::string::npos);
        ApiServer mismatched(load_catalogue(), cert_dir + "/server.pem", cert_dir + "/rogue-server.key");
        QCOMPARE(mismatched.start(), -1);
    }

    void untrustedFaultShowsTheRogueCertificateOnce()
    {
        server->add_fault(*parse_fault("brand:untrusted", true));
        const std::string brand = request_text("GET", "/api/v1/vehicle/brand?", client_headers);
        QVERIFY(!raw_https(port, ca_file, brand).ok);
        // The next connection meets the rogue certificate, the one after it the usual one.
        QCOMPARE(raw_https(port, cert_dir + "/rogue-ca.pem", brand).status, 200);
        QCOMPARE(raw_https(port, ca_file, brand).status, 200);
        const auto log = server->log();
        QCOMPARE(log.size(), size_t(3));
        QCOMPARE(log[0].fault, std::string("untrusted"));
        QCOMPARE(log[0].status, 0);
    }

    // The rogue pair exists for the configurator's test that TLS errors are not ignored;
    // make sure a client that trusts only the test CA does refuse it.
    void rogueCertificateIsNotTrusted()
    {
        ApiServer rogue(load_catalogue(), cert_dir + "/rogue-server.pem", cert_dir + "/rogue-server.key");
        const int p = rogue.start();
        QVERIFY(p > 0);
        const auto res = make_client(p)->Get("/api/v1/chip/limitInfo", as_httplib(client_headers));
        QVERIFY(!res);
        QVERIFY(res.error() == httplib::Error::SSLConnection || res.error() == httplib::Error::SSLServerVerification);
        QVERIFY(!raw_https(p, ca_file, request_text("GET", "/api/v1/chip/limitInfo", client_headers)).ok);
        QVERIFY(rogue.log().empty());
    }
    void replayAnswersAsRecorded()
    {
        const std::string recording =
            "12:00 log line\norv-record header format=1 program=orv vendor=1fc9 product=0087\n"
            "orv-record request t=1 method=GET path=/api/v1/chip/limitInfo token=1000000001 type= body=\n"
            "orv-record out t=2 r=CQo\norv-record reply t=3 status=200 type=application/json body={\"result\":7}\n"
            "orv-record request t=4 method=GET path=/api/v1/chip/software/SW-9/file?authKey=a%2520b token=1000000001 "
            "type= body=\n"
            "orv-record reply t=5 status=200 type=application/octet-stream length=5000 sha256=00 checksum=300000\n"
            "orv-record request t=6 method=POST path=/api/v1/vehicle/settings/install/success token=1000000001 "
            "type=application/json body={\"settingsId\":1}\n"
            "orv-record reply t=306 status=0 error=time-out\n";
        std::string error;
        QVERIFY2(server->set_replay(recording, &error), error.c_str());
        const auto limit = get("/api/v1/chip/limitInfo");
        QVERIFY(limit);
        QCOMPARE(limit->body, std::string(R"({"result":7})"));  // the catalogue says 3
        const auto file = get("/api/v1/chip/software/SW-9/file?authKey=a%20b");  // not in the catalogue
        QVERIFY(file);
        QCOMPARE(file->status, 200);
        QCOMPARE(file->get_header_value("Content-Type"), std::string("application/octet-stream"));
        QCOMPARE(file->body.size(), std::size_t(5000));
        QCOMPARE(std::accumulate(file->body.begin(), file->body.end(), 0u,
                                 [](unsigned sum, char c) { return sum + static_cast<unsigned char>(c); }),
                 300000u);
        QVERIFY(!server->replay_finished());
        QElapsedTimer held;
        held.start();
        QVERIFY(!client->Post("/api/v1/vehicle/settings/install/success", as_httplib(client_headers),
                              R"({"settingsId":1})", "application/json"));  // dropped, as recorded
        QVERIFY(held.elapsed() >= 1300);  // past the recorded wait: the program gives up first
        QVERIFY(server->replay_finished());
    }

    void replayFailsAtTheFirstDifference()
    {
        QVERIFY(server->set_replay(
            "orv-record header format=1 program=orv vendor=1fc9 product=0087\n"
            "orv-record request t=1 method=GET path=/api/v1/chip/limitInfo token=1000000001 type= body=\n"
            "orv-record reply t=2 status=200 type=application/json body={\"result\":7}\n"
            "orv-record request t=3 method=POST path=/api/v1/vehicle/settings/install/success token=1000000001 "
            "type=application/json body={\"settingsId\":1}\n"
            "orv-record reply t=4 status=200 type=application/json body={\"result\":true}\n"));
        QCOMPARE(get("/api/v1/chip/limitInfo")->status, 200);
        const auto install = client->Post("/api/v1/vehicle/settings/install/success", as_httplib(client_headers),
                                          R"({"settingsId":2})", "application/json");
        QVERIFY(install);
        QCOMPARE(install->status, 500);
        QCOMPARE(server->replay_failure(), std::string("replay: request 2 differs (line 4 of the recording)\n"
                                                       "  body     expected: {\"settingsId\":1}\n"
                                                       "           came:     {\"settingsId\":2}\n"
                                                       "  before it:\n"
                                                       "    #1 GET /api/v1/chip/limitInfo\n"));
        QCOMPARE(get("/api/v1/chip/limitInfo")->status, 500);  // failed for good
    }
};

QTEST_GUILESS_MAIN(ApiServerTest)
#include "apiserver_test.moc"
