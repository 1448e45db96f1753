#include "api_server.h"
#include "replies.h"

namespace apiserver {

namespace {

struct EndpointName {
    Endpoint endpoint;
    const char *name;
};
const EndpointName endpoint_names[] = {
    {Endpoint::LimitInfo, "limitInfo"}, {Endpoint::Brand, "brand"},       {Endpoint::Model, "model"},
    {Endpoint::Vehicle, "vehicle"},     {Endpoint::Settings, "settings"}, {Endpoint::Software, "software"},
    {Endpoint::Install, "install"},     {Endpoint::Any, "all"},
};

struct FaultName {
    FaultKind kind;
    const char *name;
};
const FaultName fault_names[] = {
    {FaultKind::Delay, "delay"},       {FaultKind::Status, "status"}, {FaultKind::NonJson, "nonjson"},
    {FaultKind::ZeroByte, "zerobyte"}, {FaultKind::Empty, "empty"},   {FaultKind::Drop, "drop"},
    {FaultKind::ContentType, "ctype"}, {FaultKind::GzipBomb, "gzipbomb"}, {FaultKind::Stream, "stream"},
    {FaultKind::Untrusted, "untrusted"},
};

// A size in bytes from 0 to `most`.
std::optional<std::uint64_t> byte_count(const std::optional<std::string> &text, std::uint64_t most)
{
    const auto n = text ? whole_number(*text) : std::nullopt;
    if (!n || *n < 0 || static_cast<std::uint64_t>(*n) > most)
        return std::nullopt;
    return static_cast<std::uint64_t>(*n);
}

std::optional<Endpoint> endpoint_from_name(const std::string &name)
{
    for (const auto &e : endpoint_names)
        if (name == e.name)
            return e.endpoint;
    return std::nullopt;
}

std::optional<FaultKind> fault_kind_from_name(const std::string &name)
{
    for (const auto &f : fault_names)
        if (name == f.name)
            return f.kind;
    return std::nullopt;
}

} // namespace

const char *fault_kind_name(FaultKind kind)
{
    for (const auto &f : fault_names)
        if (f.kind == kind)
            return f.name;
    return "?";
}

std::optional<Fault> parse_fault(const std::string &text, bool once, std::string *error)
{
    const auto bad = [&](const std::string &why) -> std::optional<Fault> {
        if (error)
            *error = "fault \"" + text + "\": " + why;
        return std::nullopt;
    };
    const auto c1 = text.find(':');
    if (c1 == std::string::npos)
        return bad("expected endpoint:kind[:arg]");
    const auto c2 = text.find(':', c1 + 1);
    const std::string endpoint_text = text.substr(0, c1);
    const std::string kind_text = text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
    const std::optional<std::string> arg =
        c2 == std::string::npos ? std::nullopt : std::optional<std::string>(text.substr(c2 + 1));

    const auto endpoint = endpoint_from_name(endpoint_text);
    if (!endpoint)
        return bad("unknown endpoint \"" + endpoint_text + "\"");
    const auto kind = fault_kind_from_name(kind_text);
    if (!kind)
        return bad("unknown kind \"" + kind_text + "\"");

    Fault f;
    f.endpoint = *endpoint;
    f.kind = *kind;
    f.once = once;
    switch (f.kind) {
    case FaultKind::Delay: {
        const auto ms = arg ? whole_number(*arg) : std::nullopt;
        if (!ms || *ms < 0 || *ms > 3600 * 1000)
            return bad("delay needs milliseconds");
        f.delay_ms = static_cast<int>(*ms);
        break;
    }
    case FaultKind::Status: {
        // status:CODE or status:CODE:BODY; the body may itself contain colons.
        const std::string code_text = arg ? arg->substr(0, arg->find(':')) : std::string();
        const auto code = whole_number(code_text);
        if (!code || *code < 100 || *code > 599)
            return bad("status needs an HTTP status code");
        f.status = static_cast<int>(*code);
        if (arg->size() > code_text.size())
            f.body = arg->substr(code_text.size() + 1);
        break;
    }
    case FaultKind::ContentType:
        // "ctype:" and "ctype" both mean no Content-Type header at all.
        f.content_type = arg.value_or("");
        break;
    case FaultKind::GzipBomb: {
        const auto size = byte_count(arg, max_bomb_size);
        if (!size)
            return bad("gzipbomb needs the inflated size in bytes, at most " + std::to_string(max_bomb_size));
        f.size = *size;
        break;
    }
    case FaultKind::Stream: {
        const auto size = byte_count(arg, max_stream_size);
        if (!size)
            return bad("stream needs a size in bytes, at most " + std::to_string(max_stream_size));
        f.size = *size;
        break;
    }
    default:
        if (arg)
            return bad(std::string(fault_kind_name(f.kind)) + " takes no argument");
    }
    return f;
}

std::string check_header(const std::string &name, const std::string &value)
{
    if (name.empty())
        return "a header needs a name";
    for (const unsigned char c : name)
        if (c <= ' ' || c >= 0x7f || c == ':')
            return "header name \"" + name + "\" has a character a name cannot have";
    if (value.find_first_of("\r\n") != std::string::npos)
        return "header " + name + ": CR and LF cannot be sent in a value";
    return {};
}

} // namespace apiserver
