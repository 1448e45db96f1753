#include "http_text.h"

namespace apiserver {

namespace {

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

std::string trim_blanks(const std::string &s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

} // namespace

bool parse_request_head(const std::string &raw, RequestHead &head)
{
    head = RequestHead{};
    std::size_t pos = 0;
    bool first = true;
    while (pos < raw.size()) {
        const auto eol = raw.find('\n', pos);
        if (eol == std::string::npos)
            return !first;
        std::string line = raw.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (first) {
            const auto s1 = line.find(' ');
            const auto s2 = line.rfind(' ');
            if (s1 == std::string::npos || s2 == s1)
                return false;
            head.method = line.substr(0, s1);
            head.target = line.substr(s1 + 1, s2 - s1 - 1);
            head.version = line.substr(s2 + 1);
            first = false;
            continue;
        }
        if (line.empty())
            return true;
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        head.headers.emplace_back(line.substr(0, colon), trim_blanks(line.substr(colon + 1)));
    }
    return !first;
}

std::string percent_decode(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = hex_value(text[i + 1]);
            const int lo = hex_value(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

HeaderList parse_query(const std::string &target)
{
    HeaderList items;
    const auto q = target.find('?');
    if (q == std::string::npos)
        return items;
    const std::string query = target.substr(q + 1);
    std::size_t pos = 0;
    while (pos <= query.size()) {
        auto amp = query.find('&', pos);
        if (amp == std::string::npos)
            amp = query.size();
        const std::string part = query.substr(pos, amp - pos);
        if (!part.empty()) {
            const auto eq = part.find('=');
            if (eq == std::string::npos)
                items.emplace_back(percent_decode(part), std::string());
            else
                items.emplace_back(percent_decode(part.substr(0, eq)), percent_decode(part.substr(eq + 1)));
        }
        pos = amp + 1;
    }
    return items;
}

const std::string *find_value(const HeaderList &pairs, const std::string &name)
{
    for (const auto &p : pairs)
        if (p.first == name)
            return &p.second;
    return nullptr;
}

std::string target_path(const std::string &target)
{
    return target.substr(0, target.find('?'));
}

} // namespace apiserver
