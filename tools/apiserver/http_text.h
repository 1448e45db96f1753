// Small text helpers for HTTP request heads, query strings and JSON error bodies.
// Pure functions over strings: no sockets, no server state.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace apiserver {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct RequestHead {
    std::string method;
    std::string target;   // path and query exactly as on the request line
    std::string version;
    HeaderList headers;   // in the order they were sent, names as sent
};

// Parses the request line and header lines of a raw HTTP/1.x request. Stops at the
// blank line; anything after it (the body) is ignored. Returns false when no complete
// request line is present.
bool parse_request_head(const std::string &raw, RequestHead &head);

// RFC 3986 percent-decoding. A '+' stays a '+': the client encodes a literal plus as
// %2B, so reading '+' as a blank would turn a correct key into a wrong one. A '%' that
// is not followed by two hex digits is kept as it is.
std::string percent_decode(const std::string &text);

// Splits the query part of a raw target ("a=1&b=%2B") into decoded name/value pairs in
// their order. A missing query, or a lone '?', gives an empty list.
HeaderList parse_query(const std::string &target);

// The first value of `name` in `pairs` (exact, case-sensitive), or nullptr.
const std::string *find_value(const HeaderList &pairs, const std::string &name);

// The path part of a raw target, still encoded.
std::string target_path(const std::string &target);

} // namespace apiserver
