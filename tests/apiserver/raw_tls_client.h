// A bare HTTPS client for the tests: sends the request bytes exactly as written, so the
// tests decide the header order and spelling (httplib's client sorts and adds headers).
#pragma once

#include <cstddef>
#include <string>

struct RawReply {
    bool ok = false;     // a reply was read (false: TLS or connection failure, or no reply)
    int status = 0;
    std::string head;    // status line and headers
    std::string body;
};

// Connects to 127.0.0.1:port trusting only `ca_file`, writes `request` and reads until
// the server closes (send "Connection: close"), or until `read_limit` bytes have come and
// then hangs up at once, unread bytes and all, like a client that aborts.
RawReply raw_https(int port, const std::string &ca_file, const std::string &request,
                   std::size_t read_limit = std::string::npos);
