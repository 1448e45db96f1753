#include "app/record_format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace record_format {

namespace {

const char *const kinds[] = {"open", "drop", "out", "in", "miss", "end", "request", "reply", "box"};

bool plain(unsigned char c)
{
    return c > 0x20 && c < 0x7F && c != '%';
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Splits at spaces; empty words (two spaces) are dropped.
std::vector<std::string> words_of(const std::string &text)
{
    std::vector<std::string> words;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find(' ', from);
        if (end == std::string::npos)
            end = text.size();
        if (end > from)
            words.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return words;
}

bool to_int(const std::string &text, long long *value, int base = 10)
{
    if (text.empty() || text.size() > 18)
        return false;
    for (const char c : text)
        if (base == 10 ? !(c >= '0' && c <= '9') : hex_value(c) < 0)
            return false;
    *value = std::strtoll(text.c_str(), nullptr, base);
    return true;
}

std::string hex4(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

std::string at_line(int line, const std::string &what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// The fields of a line after its kind; false with the reason in `error`.
bool read_fields(const std::vector<std::string> &words, std::size_t from, int line,
                 std::vector<std::pair<std::string, std::string>> *fields, std::string *error)
{
    for (std::size_t i = from; i < words.size(); ++i) {
        const std::size_t equals = words[i].find('=');
        if (equals == std::string::npos || equals == 0) {
            *error = at_line(line, "\"" + words[i] + "\" is not a name=value field");
            return false;
        }
        std::string value;
        if (!percent_decode(words[i].substr(equals + 1), &value)) {
            *error = at_line(line, "a broken %-escape in \"" + words[i].substr(0, equals) + "\"");
            return false;
        }
        fields->emplace_back(words[i].substr(0, equals), value);
    }
    return true;
}

std::string field(const std::vector<std::pair<std::string, std::string>> &fields, const std::string &name)
{
    for (const auto &f : fields)
        if (f.first == name)
            return f.second;
    return std::string();
}

bool read_header(const std::vector<std::pair<std::string, std::string>> &fields, int line, Header *header,
                 std::string *error)
{
    long long format = 0;
    if (!to_int(field(fields, "format"), &format)) {
        *error = at_line(line, "the header names no format version");
        return false;
    }
    if (format != version) {
        *error = "a recording of format " + std::to_string(format) + "; this program reads format "
                 + std::to_string(version)
                 + (format > version ? ": it was made by a newer program" : ": it is no longer read");
        return false;
    }
    long long vendor = 0;
    long long product = 0;
    if (!to_int(field(fields, "vendor"), &vendor, 16) || !to_int(field(fields, "product"), &product, 16)
        || vendor > 0xFFFF || product > 0xFFFF) {
        *error = at_line(line, "the header has no vendor and product id");
        return false;
    }
    header->format = int(format);
    header->program = field(fields, "program");
    header->program_version = field(fields, "version");
    header->qt = field(fields, "qt");
    header->hidapi = field(fields, "hidapi");
    header->vendor = int(vendor);
    header->product = int(product);
    header->software_included = field(fields, "software") == "included";
    return true;
}

} // namespace

std::string Event::get(const std::string &name) const
{
    return field(fields, name);
}

bool Event::has(const std::string &name) const
{
    return std::any_of(fields.begin(), fields.end(), [&](const auto &f) { return f.first == name; });
}

void Event::set(const std::string &name, const std::string &value)
{
    for (auto &f : fields) {
        if (f.first == name) {
            f.second = value;
            return;
        }
    }
    fields.emplace_back(name, value);
}

bool known_kind(const std::string &kind)
{
    return std::find(std::begin(kinds), std::end(kinds), kind) != std::end(kinds);
}

std::string percent_encode(const std::string &value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(value.size());
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (plain(byte)) {
            text += c;
        } else {
            text += '%';
            text += digits[byte >> 4];
            text += digits[byte & 0x0F];
        }
    }
    return text;
}

bool percent_decode(const std::string &text, std::string *value)
{
    value->clear();
    value->reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            *value += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = hex_value(text[i + 1]);
        const int low = hex_value(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        *value += char(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string header_line(const Header &header)
{
    std::string line = std::string(marker) + " header format=" + std::to_string(header.format);
    line += " program=" + percent_encode(header.program);
    line += " version=" + percent_encode(header.program_version);
    line += " qt=" + percent_encode(header.qt);
    line += " hidapi=" + percent_encode(header.hidapi);
    line += " vendor=" + hex4(header.vendor) + " product=" + hex4(header.product);
    line += std::string(" software=") + (header.software_included ? "included" : "digest");
    return line;
}

std::string event_line(const Event &event)
{
    std::string line = std::string(marker) + " " + event.kind + " t=" + std::to_string(event.t);
    for (const auto &f : event.fields)
        line += " " + f.first + "=" + percent_encode(f.second);
    return line;
}

Parsed parse(const std::string &text)
{
    Parsed parsed;
    bool have_header = false;
    int line_number = 0;
    std::size_t from = 0;
    const std::string mark = std::string(marker) + " ";
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(from, end - from);
        from = end + 1;
        ++line_number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t at = line.find(mark);
        if (at == std::string::npos)
            continue;
        const std::vector<std::string> words = words_of(line.substr(at + mark.size()));
        if (words.empty()) {
            parsed.error = at_line(line_number, "a marker without a kind");
            return parsed;
        }
        std::vector<std::pair<std::string, std::string>> fields;
        if (!read_fields(words, 1, line_number, &fields, &parsed.error))
            return parsed;
        if (words[0] == "header") {
            if (have_header) {
                parsed.error = at_line(line_number, "a second header: two recordings in one file");
                return parsed;
            }
            if (!read_header(fields, line_number, &parsed.recording.header, &parsed.error))
                return parsed;
            have_header = true;
            continue;
        }
        if (!have_header) {
            parsed.error = at_line(line_number, "an event before the recording's header");
            return parsed;
        }
        if (!known_kind(words[0])) {
            parsed.error = at_line(line_number, "an unknown kind \"" + words[0] + "\"");
            return parsed;
        }
        Event event;
        event.kind = words[0];
        event.line = line_number;
        long long t = 0;
        if (fields.empty() || fields.front().first != "t" || !to_int(fields.front().second, &t)) {
            parsed.error = at_line(line_number, "an event without its time t=");
            return parsed;
        }
        event.t = t;
        fields.erase(fields.begin());
        event.fields = std::move(fields);
        parsed.recording.events.push_back(std::move(event));
    }
    if (!have_header) {
        parsed.error = "no recording here: no line holds \"" + std::string(marker) + " header\"";
        return parsed;
    }
    parsed.ok = true;
    return parsed;
}

std::string stand_in_software(std::size_t length, std::uint64_t byte_sum)
{
    if (byte_sum > std::uint64_t(255) * length)
        return std::string();
    std::string bytes(length, '\0');
    std::uint32_t state = 0x9E3779B9u ^ std::uint32_t(length);
    std::uint64_t sum = 0;
    for (char &b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = char(state & 0xFF);
        sum += state & 0xFF;
    }
    // Bring the sum to byte_sum, a byte at a time from the front.
    for (std::size_t i = 0; i < length && sum != byte_sum; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (sum > byte_sum) {
            const std::uint64_t down = std::min<std::uint64_t>(byte, sum - byte_sum);
            bytes[i] = char(byte - down);
            sum -= down;
        } else {
            const std::uint64_t up = std::min<std::uint64_t>(255u - byte, byte_sum - sum);
            bytes[i] = char(byte + up);
            sum += up;
        }
    }
    return bytes;
}

} // namespace record_format
