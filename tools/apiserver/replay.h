// Strict replay of a recording's server traffic: every request must be the next one the
// recording holds (method, target as sent, X-Auth-Token, Content-Type, body), and gets the
// recorded reply. The first request that differs ends the replay: it is reported with the
// fields that differ and the requests before it, and every request after it is refused.
//
// Requests are numbered by their place among the recording's requests, from 1. Plain C++,
// thread-safe.
#pragma once

#include "app/record_format.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace apiserver {

struct ReplayRequest {
    std::string method;
    std::string target;  // path and query exactly as sent, still percent-encoded
    std::string token;   // X-Auth-Token ("" when absent)
    std::string type;    // Content-Type ("" when absent)
    std::string body;
};

struct ReplayAnswer {
    enum class Kind {
        Reply,  // status, Content-Type ("" for none) and body as recorded
        Drop,   // no reply reached the program: close the connection without one
        Fail,   // the request is not the recorded one (or the replay failed before)
    };
    Kind kind = Kind::Fail;
    // Before a Drop: how long to keep the program waiting. A request that timed out is held
    // past the recorded wait, so the program gives it up as it did when it was recorded.
    long long hold_ms = 0;
    int status = 500;
    std::string type;
    std::string body;
};

class Replay {
public:
    explicit Replay(const record_format::Recording &recording);

    // The recording in a file (a log with other lines around it is fine), or in `text`
    // named `name` in messages. Null with "NAME: why" in `error` when it cannot be read.
    static std::shared_ptr<Replay> load(const std::string &path, std::string *error);
    static std::shared_ptr<Replay> from_text(const std::string &text, const std::string &name, std::string *error);

    // What to answer `request` with. A failure is printed to stderr when it happens.
    ReplayAnswer answer(const ReplayRequest &request);

    bool failed() const;
    std::string failure() const;  // "" while none
    // Every recorded request has come.
    bool finished() const;
    // Why the replay is not finished ("" when it is).
    std::string unfinished() const;

private:
    struct Exchange {
        ReplayRequest request;
        int line = 0;
        long long t = 0;
        bool replied = false;  // the recording holds a reply
        record_format::Event reply;
    };
    ReplayAnswer recorded_answer(const Exchange &exchange) const;
    void fail(const std::string &headline, const std::string &differences);

    mutable std::mutex mutex_;
    std::vector<Exchange> exchanges_;
    std::size_t next_ = 0;
    std::string failure_;
};

} // namespace apiserver
