// The control interface under /__sim/: what tests and engineers use to steer a running
// server over HTTPS. Not part of the real server; it needs none of the device headers.
#include "api_server.h"
#include "replies.h"
#include "tls_server.h"

#include <cstdio>
#include <ctime>

namespace apiserver {

std::string time_text(std::chrono::system_clock::time_point t, TimeStyle style)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    const bool log = style == TimeStyle::Log;
    std::tm tm{};
    if (log)
        gmtime_r(&secs, &tm);
    else
        localtime_r(&secs, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, log ? "%Y-%m-%dT%H:%M:%S" : "%H:%M:%S", &tm);
    char out[48];
    std::snprintf(out, sizeof out, log ? "%s.%03dZ" : "%s.%03d", buf, static_cast<int>(ms % 1000));
    return out;
}

namespace {

json to_json(const LoggedRequest &e)
{
    json headers = json::array();
    for (const auto &h : e.headers)
        headers.push_back(json::array({h.first, h.second}));
    return json{{"time", time_text(e.time, TimeStyle::Log)}, {"method", e.method}, {"target", e.target}, {"headers", headers},
                {"body", e.body},           {"status", e.status}, {"fault", e.fault}};
}

json to_json(const Device &d)
{
    return json{{"serial", d.serial}, {"key", d.key}, {"count", d.count}};
}

// Control-interface fault: {"fault":"brand:delay:500","once":true}, with reply headers
// {"headers":{"Location":"https://..."}} if it answers.
std::optional<Fault> fault_from_json(const json &j, std::string &error)
{
    if (!j.is_object() || !j.contains("fault") || !j["fault"].is_string()) {
        error = "expected {\"fault\":\"endpoint:kind[:arg]\"}";
        return std::nullopt;
    }
    HeaderList headers;
    if (j.contains("headers")) {
        if (!j["headers"].is_object()) {
            error = "\"headers\" must be an object of names and values";
            return std::nullopt;
        }
        for (const auto &item : j["headers"].items()) {
            error = item.value().is_string() ? check_header(item.key(), item.value().get<std::string>())
                                             : "\"headers\" holds values as strings";
            if (!error.empty())
                return std::nullopt;
            headers.emplace_back(item.key(), item.value().get<std::string>());
        }
    }
    auto f = parse_fault(j["fault"].get<std::string>(), j.value("once", false), &error);
    if (f)
        f->headers = headers;
    return f;
}

} // namespace

std::string log_line(const LoggedRequest &entry)
{
    return dump(to_json(entry));
}

void ApiServer::install_control_routes(TlsHttpServer &server)
{
    server.Post("/__sim/fault", [this](const httplib::Request &req, httplib::Response &res) {
        std::string error;
        const auto fault = fault_from_json(json::parse(req.body, nullptr, false), error);
        if (!fault) {
            send_error(res, 400, error);
            return;
        }
        add_fault(*fault);
        send_json(res, 200, json{{"result", true}});
    });
    server.Get("/__sim/device", [this](const httplib::Request &req, httplib::Response &res) {
        const HeaderList query = parse_query(req.target);
        const std::string *serial = find_value(query, "serial");
        if (const auto d = serial ? device(*serial) : std::nullopt)
            send_json(res, 200, to_json(*d));
        else
            send_error(res, 404, "Unknown device");
    });
}

} // namespace apiserver
