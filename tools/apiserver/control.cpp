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

json to_json(const Fault &f)
{
    json j{{"endpoint", endpoint_name(f.endpoint)}, {"kind", fault_kind_name(f.kind)}, {"once", f.once}};
    if (f.kind == FaultKind::Delay)
        j["ms"] = f.delay_ms;
    if (f.kind == FaultKind::Status) {
        j["status"] = f.status;
        j["body"] = f.body;
    }
    if (f.kind == FaultKind::ContentType)
        j["content_type"] = f.content_type;
    if (f.kind == FaultKind::GzipBomb || f.kind == FaultKind::Stream)
        j["size"] = f.size;
    if (f.kind == FaultKind::Stream)
        j["chunked"] = f.chunked;
    if (!f.headers.empty()) {
        json headers = json::array();
        for (const auto &h : f.headers)
            headers.push_back(json::array({h.first, h.second}));
        j["headers"] = headers;
    }
    return j;
}

// "headers": [["Location","https://..."], ...] or {"Location":"https://...", ...}.
bool headers_from_json(const json &j, HeaderList &out, std::string &error)
{
    const auto add = [&](const json &name, const json &value) {
        if (!name.is_string() || !value.is_string()) {
            error = "\"headers\" holds names and values as strings";
            return false;
        }
        error = check_header(name.get<std::string>(), value.get<std::string>());
        if (!error.empty())
            return false;
        out.emplace_back(name.get<std::string>(), value.get<std::string>());
        return true;
    };
    if (j.is_object()) {
        for (const auto &item : j.items())
            if (!add(item.key(), item.value()))
                return false;
        return true;
    }
    if (!j.is_array()) {
        error = "\"headers\" must be an array of [name, value] pairs or an object";
        return false;
    }
    for (const auto &pair : j) {
        if (!pair.is_array() || pair.size() != 2) {
            error = "\"headers\" must be an array of [name, value] pairs or an object";
            return false;
        }
        if (!add(pair[0], pair[1]))
            return false;
    }
    return true;
}

json to_json(const Device &d)
{
    return json{{"serial", d.serial}, {"key", d.key}, {"count", d.count}};
}

// Control-interface fault: {"fault":"brand:delay:500","once":true} or the members of
// Fault spelled out: {"endpoint":"brand","kind":"delay","ms":500,"once":true}.
std::optional<Fault> fault_from_json(const json &j, std::string &error)
{
    if (!j.is_object()) {
        error = "expected a JSON object";
        return std::nullopt;
    }
    const bool once = j.value("once", false);
    HeaderList headers;
    if (j.contains("headers") && !headers_from_json(j["headers"], headers, error))
        return std::nullopt;
    if (j.contains("fault")) {
        if (!j["fault"].is_string()) {
            error = "\"fault\" must be a string";
            return std::nullopt;
        }
        auto f = parse_fault(j["fault"].get<std::string>(), once, &error);
        if (f)
            f->headers = headers;
        return f;
    }
    const auto endpoint = endpoint_from_name(j.value("endpoint", "all"));
    const auto kind = fault_kind_from_name(j.value("kind", ""));
    if (!endpoint || !kind) {
        error = "unknown endpoint or kind";
        return std::nullopt;
    }
    Fault f;
    f.endpoint = *endpoint;
    f.kind = *kind;
    f.once = once;
    f.delay_ms = j.value("ms", 0);
    f.status = j.value("status", 500);
    f.body = j.value("body", "");
    f.content_type = j.value("content_type", "");
    f.size = j.value("size", std::uint64_t(0));
    f.chunked = j.value("chunked", false);
    f.headers = headers;
    const std::uint64_t most = f.kind == FaultKind::GzipBomb ? max_bomb_size : max_stream_size;
    if (f.delay_ms < 0 || f.status < 100 || f.status > 599 || f.size > most) {
        error = "\"ms\", \"status\" or \"size\" out of range";
        return std::nullopt;
    }
    return f;
}

} // namespace

std::string log_line(const LoggedRequest &entry)
{
    return dump(to_json(entry));
}

void ApiServer::install_control_routes(TlsHttpServer &server)
{
    server.Get("/__sim/log", [this](const httplib::Request &, httplib::Response &res) {
        json entries = json::array();
        for (const auto &e : log())
            entries.push_back(to_json(e));
        send_json(res, 200, entries);
    });
    server.Post("/__sim/clear-log", [this](const httplib::Request &, httplib::Response &res) {
        clear_log();
        send_json(res, 200, json{{"result", true}});
    });
    server.Get("/__sim/faults", [this](const httplib::Request &, httplib::Response &res) {
        json list = json::array();
        for (const auto &f : faults())
            list.push_back(to_json(f));
        send_json(res, 200, list);
    });
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
    server.Post("/__sim/clear-faults", [this](const httplib::Request &, httplib::Response &res) {
        clear_faults();
        send_json(res, 200, json{{"result", true}});
    });
    server.Get("/__sim/device", [this](const httplib::Request &req, httplib::Response &res) {
        const HeaderList query = parse_query(req.target);
        const std::string *serial = find_value(query, "serial");
        if (!serial) {
            json list = json::array();
            for (const auto &d : devices())
                list.push_back(to_json(d));
            send_json(res, 200, list);
        } else if (const auto d = device(*serial)) {
            send_json(res, 200, to_json(*d));
        } else {
            send_error(res, 404, "Unknown device");
        }
    });
    server.Post("/__sim/device", [this](const httplib::Request &req, httplib::Response &res) {
        const json j = json::parse(req.body, nullptr, false);
        if (!j.is_object() || !j.contains("serial") || !j["serial"].is_string() || !j.contains("count")
            || !j["count"].is_number_integer() || (j.contains("key") && !j["key"].is_string())) {
            send_error(res, 400, "Expected {\"serial\":S,\"count\":N[,\"key\":K]}");
            return;
        }
        const std::string serial = j["serial"].get<std::string>();
        const auto known = device(serial);
        if (!known && !j.contains("key")) {
            send_error(res, 400, "A new device needs a \"key\"");
            return;
        }
        const std::string key = j.contains("key") ? j["key"].get<std::string>() : known->key;
        set_device(serial, key, j["count"].get<int>());
        send_json(res, 200, to_json(*device(serial)));
    });
    server.Post("/__sim/reset", [this](const httplib::Request &, httplib::Response &res) {
        reset();
        send_json(res, 200, json{{"result", true}});
    });
}

} // namespace apiserver
