// The data the local API server serves: vehicle catalogue, settings records, chip
// software files and the devices it knows. Loaded from a hand-editable JSON file
// (tools/apiserver/catalogue.json); see README.md beside this file for its format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace apiserver {

struct Engine {
    std::string id;                 // vehicle id: the "vehicleId" of the settings request
    std::string title;
    std::optional<double> power;    // absent in the file: the member is left out of replies
    std::optional<double> moment;
    std::int64_t settings_id = 0;   // "id" of the settings record
    std::string software_id;
    std::size_t software_size = 0;  // bytes of the software file
};

struct Model {
    std::string id;
    std::string title;
    std::vector<Engine> engines;
};

struct Brand {
    std::int64_t id = 0;
    std::string title;
    std::vector<Model> models;
};

struct Device {
    std::string serial;  // the X-Auth-Token
    std::string key;     // the authKey, not encoded
    int count = 0;       // configurations the device may still install
};

class Catalogue {
public:
    // Parses the catalogue text. On failure returns nothing and says where in `error`.
    static std::optional<Catalogue> from_json(const std::string &text, std::string *error = nullptr);
    static std::optional<Catalogue> load(const std::string &path, std::string *error = nullptr);

    const std::vector<Brand> &brands() const { return brands_; }
    const std::vector<Device> &devices() const { return devices_; }

    const Brand *find_brand(std::int64_t id) const;
    const Model *find_model(const std::string &id) const;
    // The first engine for which `match` holds (by vehicle, settings or software id).
    template <class Match>
    const Engine *find_engine(Match match) const
    {
        for (const auto &b : brands_)
            for (const auto &m : b.models)
                for (const auto &e : m.engines)
                    if (match(e))
                        return &e;
        return nullptr;
    }

    std::size_t model_count() const;
    std::size_t engine_count() const;

private:
    std::vector<Brand> brands_;
    std::vector<Device> devices_;
};

// The contents of a software file, made up from its id so that nothing binary is stored
// and any reader (tests, tools) can recompute what the server sends.
std::string software_bytes(const std::string &software_id, std::size_t size);

} // namespace apiserver
