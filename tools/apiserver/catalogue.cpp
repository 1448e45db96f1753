#include "catalogue.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace apiserver {

using nlohmann::json;

namespace {

// Used for the software files when the file gives no "softwareSizes": from an empty
// file up to tens of KiB, so every install exercises another size.
const std::vector<std::size_t> default_software_sizes = {0, 3, 100, 1000, 4096, 32768, 12288, 49152};

struct LoadError {
    std::string text;
};

[[noreturn]] void fail(const std::string &where, const std::string &what)
{
    throw LoadError{where + ": " + what};
}

const json &member(const json &obj, const char *name, const std::string &where)
{
    const auto it = obj.find(name);
    if (it == obj.end())
        fail(where, std::string("missing \"") + name + "\"");
    return *it;
}

std::string string_member(const json &obj, const char *name, const std::string &where)
{
    const json &v = member(obj, name, where);
    if (!v.is_string())
        fail(where, std::string("\"") + name + "\" must be a string");
    return v.get<std::string>();
}

std::int64_t integer_member(const json &v, const char *name, const std::string &where)
{
    if (!v.is_number_integer())
        fail(where, std::string("\"") + name + "\" must be a whole number");
    return v.get<std::int64_t>();
}

std::optional<double> optional_number(const json &obj, const char *name, const std::string &where)
{
    const auto it = obj.find(name);
    if (it == obj.end())
        return std::nullopt;
    if (!it->is_number())
        fail(where, std::string("\"") + name + "\" must be a number");
    return it->get<double>();
}

const json &array_member(const json &obj, const char *name, const std::string &where)
{
    const json &v = member(obj, name, where);
    if (!v.is_array())
        fail(where, std::string("\"") + name + "\" must be an array");
    return v;
}

// The settings id an engine gets when the file names none: the digits of its id
// ("v-1001" -> 1001), so ids stay put when engines are added or moved.
std::optional<std::int64_t> digits_of(const std::string &id)
{
    std::string digits;
    for (char c : id)
        if (c >= '0' && c <= '9')
            digits.push_back(c);
    if (digits.empty() || digits.size() > 12)
        return std::nullopt;
    return std::stoll(digits);
}

std::string default_software_id(std::int64_t settings_id)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "SW-%06lld", static_cast<long long>(settings_id));
    return buf;
}

Engine read_engine(const json &e, const std::string &where, const std::vector<std::size_t> &sizes)
{
    if (!e.is_object())
        fail(where, "must be an object");
    Engine engine;
    engine.id = string_member(e, "id", where);
    engine.title = string_member(e, "title", where);
    engine.power = optional_number(e, "power", where);
    engine.moment = optional_number(e, "moment", where);

    if (const auto it = e.find("settingsId"); it != e.end()) {
        engine.settings_id = integer_member(*it, "settingsId", where);
    } else if (const auto d = digits_of(engine.id)) {
        engine.settings_id = *d;
    } else {
        fail(where, "id \"" + engine.id + "\" has no digits: give \"settingsId\"");
    }
    engine.software_id = e.contains("softwareId") ? string_member(e, "softwareId", where)
                                                 : default_software_id(engine.settings_id);
    if (const auto it = e.find("softwareSize"); it != e.end()) {
        const auto size = integer_member(*it, "softwareSize", where);
        if (size < 0 || size > 16 * 1024 * 1024)
            fail(where, "\"softwareSize\" out of range");
        engine.software_size = static_cast<std::size_t>(size);
    } else {
        const auto n = static_cast<std::int64_t>(sizes.size());
        engine.software_size = sizes[static_cast<std::size_t>(((engine.settings_id % n) + n) % n)];
    }
    return engine;
}

} // namespace

std::optional<Catalogue> Catalogue::from_json(const std::string &text, std::string *error)
{
    try {
        const json root = json::parse(text);
        if (!root.is_object())
            fail("catalogue", "top level must be an object");

        std::vector<std::size_t> sizes = default_software_sizes;
        if (const auto it = root.find("softwareSizes"); it != root.end()) {
            if (!it->is_array() || it->empty())
                fail("softwareSizes", "must be a non-empty array");
            sizes.clear();
            for (const auto &s : *it) {
                if (!s.is_number_unsigned())
                    fail("softwareSizes", "sizes must be whole numbers >= 0");
                sizes.push_back(s.get<std::size_t>());
            }
        }

        Catalogue cat;
        std::set<std::int64_t> brand_ids;
        std::set<std::string> model_ids, engine_ids;
        std::map<std::int64_t, std::string> settings_owner;
        std::map<std::string, std::size_t> software_size;

        const json &brands = array_member(root, "brands", "catalogue");
        for (std::size_t bi = 0; bi < brands.size(); ++bi) {
            const std::string bw = "brands[" + std::to_string(bi) + "]";
            const json &b = brands[bi];
            if (!b.is_object())
                fail(bw, "must be an object");
            Brand brand;
            brand.id = integer_member(member(b, "id", bw), "id", bw);
            brand.title = string_member(b, "title", bw);
            if (!brand_ids.insert(brand.id).second)
                fail(bw, "brand id " + std::to_string(brand.id) + " used twice");

            const json &models = array_member(b, "models", bw);
            for (std::size_t mi = 0; mi < models.size(); ++mi) {
                const std::string mw = bw + ".models[" + std::to_string(mi) + "]";
                const json &m = models[mi];
                if (!m.is_object())
                    fail(mw, "must be an object");
                Model model;
                model.id = string_member(m, "id", mw);
                model.title = string_member(m, "title", mw);
                if (model.id.empty() || !model_ids.insert(model.id).second)
                    fail(mw, "model id \"" + model.id + "\" is empty or used twice");

                const json &engines = array_member(m, "engines", mw);
                for (std::size_t ei = 0; ei < engines.size(); ++ei) {
                    const std::string ew = mw + ".engines[" + std::to_string(ei) + "]";
                    Engine engine = read_engine(engines[ei], ew, sizes);
                    if (engine.id.empty() || !engine_ids.insert(engine.id).second)
                        fail(ew, "engine id \"" + engine.id + "\" is empty or used twice");
                    const auto owner = settings_owner.emplace(engine.settings_id, engine.id);
                    if (!owner.second)
                        fail(ew, "settings id " + std::to_string(engine.settings_id) + " already belongs to "
                                     + owner.first->second + ": give \"settingsId\"");
                    const auto sw = software_size.emplace(engine.software_id, engine.software_size);
                    if (!sw.second && sw.first->second != engine.software_size)
                        fail(ew, "software \"" + engine.software_id + "\" appears with two sizes");
                    model.engines.push_back(std::move(engine));
                }
                brand.models.push_back(std::move(model));
            }
            cat.brands_.push_back(std::move(brand));
        }

        std::set<std::string> serials;
        if (const auto it = root.find("devices"); it != root.end()) {
            if (!it->is_array())
                fail("devices", "must be an array");
            for (std::size_t di = 0; di < it->size(); ++di) {
                const std::string dw = "devices[" + std::to_string(di) + "]";
                const json &d = (*it)[di];
                if (!d.is_object())
                    fail(dw, "must be an object");
                Device dev;
                dev.serial = string_member(d, "serial", dw);
                dev.key = string_member(d, "key", dw);
                dev.count = static_cast<int>(integer_member(member(d, "count", dw), "count", dw));
                if (dev.serial.empty() || !serials.insert(dev.serial).second)
                    fail(dw, "serial \"" + dev.serial + "\" is empty or used twice");
                cat.devices_.push_back(std::move(dev));
            }
        }
        return cat;
    } catch (const LoadError &e) {
        if (error)
            *error = e.text;
    } catch (const json::exception &e) {
        if (error)
            *error = e.what();
    }
    return std::nullopt;
}

std::optional<Catalogue> Catalogue::load(const std::string &path, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot open " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string why;
    auto cat = from_json(text.str(), &why);
    if (!cat && error)
        *error = path + ": " + why;
    return cat;
}

const Brand *Catalogue::find_brand(std::int64_t id) const
{
    for (const auto &b : brands_)
        if (b.id == id)
            return &b;
    return nullptr;
}

const Model *Catalogue::find_model(const std::string &id) const
{
    for (const auto &b : brands_)
        for (const auto &m : b.models)
            if (m.id == id)
                return &m;
    return nullptr;
}

std::size_t Catalogue::model_count() const
{
    std::size_t n = 0;
    for (const auto &b : brands_)
        n += b.models.size();
    return n;
}

std::size_t Catalogue::engine_count() const
{
    std::size_t n = 0;
    for (const auto &b : brands_)
        for (const auto &m : b.models)
            n += m.engines.size();
    return n;
}

std::string software_bytes(const std::string &software_id, std::size_t size)
{
    // FNV-1a of the id seeds a xorshift64* stream: cheap, stable across platforms and
    // far from constant, so a byte lost or doubled on the way changes the checksum.
    std::uint64_t state = 0xcbf29ce484222325ULL;
    for (unsigned char c : software_id) {
        state ^= c;
        state *= 0x100000001b3ULL;
    }
    if (state == 0)
        state = 0x9e3779b97f4a7c15ULL;
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        out[i] = static_cast<char>((state * 0x2545f4914f6cdd1dULL) >> 56);
    }
    return out;
}

} // namespace apiserver
