#include "replies.h"

namespace apiserver {

const char *reason_text(int status)
{
    switch (status) {
    case 400: return "Bad request";
    case 401: return "Unauthorized token";
    case 403: return "Forbidden";
    case 404: return "Not found";
    case 405: return "Method not allowed";
    case 413: return "Payload too large";
    case 414: return "URI too long";
    case 415: return "Unsupported media type";
    case 500: return "Internal server error";
    case 502: return "Bad gateway";
    case 503: return "Service unavailable";
    default: return "Error";
    }
}

void send_json(httplib::Response &res, int status, const json &body)
{
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void send_error(httplib::Response &res, int status, const std::string &text)
{
    send_json(res, status, json{{"error", text}});
}

std::optional<std::int64_t> whole_number(const std::string &text)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (std::size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9')
            return std::nullopt;
    return std::stoll(text);
}

std::string dump(const json &j)
{
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace apiserver
