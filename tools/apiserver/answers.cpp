// The seven endpoints' answers: the device headers and credentials checked as the real
// server checks them, then the catalogue's reply. Faults are applied around this by
// ApiServer::serve.
#include "api_server.h"
#include "replies.h"

#include <cmath>

namespace apiserver {

namespace {

// The values every request of the configurator carries; anything else is refused
// with 400, as the real server does for a client it does not know.
const HeaderList fixed_headers = {
    {"X-Device-Token", "718204593316"},
    {"X-Device-Type", "DESKTOP"},
    {"X-Device-Language", "RU"},
    {"Accept", "application/json"},
};

const char *const unauthorized_text = "Unauthorized token";

// Whole values go out as JSON integers ("power":150, not 150.0), as the real server sends them.
json number(double v)
{
    if (std::floor(v) == v && std::fabs(v) < 9e15)
        return static_cast<std::int64_t>(v);
    return v;
}

} // namespace

bool ApiServer::check_device(const httplib::Request &req, httplib::Response &res, Device &device)
{
    for (const auto &h : fixed_headers) {
        if (!req.has_header(h.first.c_str())) {
            send_error(res, 400, "Missing header " + h.first);
            return false;
        }
        if (req.get_header_value(h.first.c_str()) != h.second) {
            send_error(res, 400, "Bad value of header " + h.first);
            return false;
        }
    }
    const std::string token = req.get_header_value("X-Auth-Token");
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = devices_.find(token);
    if (token.empty() || it == devices_.end()) {
        send_error(res, 401, unauthorized_text);
        return false;
    }
    device = it->second;
    return true;
}

bool ApiServer::check_key(const httplib::Request &req, httplib::Response &res, const Device &device)
{
    const HeaderList query = parse_query(req.target);
    const std::string *key = find_value(query, "authKey");
    if (!key || *key != device.key) {
        send_error(res, 403, key ? "Wrong authKey" : "Missing authKey");
        return false;
    }
    return true;
}

void ApiServer::answer(Endpoint endpoint, const httplib::Request &req, httplib::Response &res)
{
    Device device;
    if (!check_device(req, res, device))
        return;
    const HeaderList query = parse_query(req.target);
    const auto param = [&](const char *name) {
        const std::string *v = find_value(query, name);
        return v ? *v : std::string();
    };

    switch (endpoint) {
    case Endpoint::LimitInfo:
        send_json(res, 200, json{{"result", device.count}});
        return;

    case Endpoint::Brand: {
        json items = json::array();
        for (const auto &b : catalogue_.brands())
            items.push_back(json{{"id", b.id}, {"title", b.title}});
        send_json(res, 200, json{{"result", {{"items", items}}}});
        return;
    }

    case Endpoint::Model: {
        json items = json::array();
        const auto id = whole_number(param("brandId"));
        if (const Brand *b = id ? catalogue_.find_brand(*id) : nullptr)
            for (const auto &m : b->models)
                items.push_back(json{{"id", m.id}, {"title", m.title}});
        send_json(res, 200, json{{"result", {{"items", items}}}});
        return;
    }

    case Endpoint::Vehicle: {
        json items = json::array();
        if (const Model *m = catalogue_.find_model(param("modelId"))) {
            for (const auto &e : m->engines) {
                json item{{"id", e.id}, {"title", e.title}};
                if (e.power)
                    item["power"] = number(*e.power);
                if (e.moment)
                    item["moment"] = number(*e.moment);
                items.push_back(item);
            }
        }
        send_json(res, 200, json{{"result", {{"items", items}}}});
        return;
    }

    case Endpoint::Settings: {
        if (!check_key(req, res, device))
            return;
        const Engine *e = catalogue_.find_engine([id = param("vehicleId")](const Engine &x) { return x.id == id; });
        if (!e) {
            send_error(res, 404, "Unknown vehicle");
            return;
        }
        send_json(res, 200, json{{"result", {{"id", e->settings_id}, {"softwareId", e->software_id}}}});
        return;
    }

    case Endpoint::Software: {
        if (!check_key(req, res, device))
            return;
        const std::string id = req.matches.size() > 1 ? req.matches[1].str() : std::string();
        const Engine *e = catalogue_.find_engine([&id](const Engine &x) { return x.software_id == id; });
        if (!e) {
            send_error(res, 404, "Unknown software");
            return;
        }
        res.status = 200;
        res.set_content(software_bytes(e->software_id, e->software_size), "application/octet-stream");
        return;
    }

    case Endpoint::Install: {
        if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
            send_error(res, 415, "Expected application/json");
            return;
        }
        const json body = json::parse(req.body, nullptr, false);
        if (!body.is_object() || !body.contains("settingsId") || !body["settingsId"].is_number_integer()) {
            send_error(res, 400, "Expected {\"settingsId\":N}");
            return;
        }
        const auto settings_id = body["settingsId"].get<std::int64_t>();
        if (!catalogue_.find_engine([settings_id](const Engine &e) { return e.settings_id == settings_id; })) {
            send_error(res, 404, "Unknown settings");
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = devices_.find(device.serial);
            if (it != devices_.end() && it->second.count > 0)
                --it->second.count;
        }
        send_json(res, 200, json{{"result", true}});
        return;
    }

    case Endpoint::Any:
        break;
    }
    send_error(res, 404, "Not found");
}

} // namespace apiserver
