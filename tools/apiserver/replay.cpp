#include "replay.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace apiserver {

namespace {

constexpr std::size_t requests_shown_before = 3;
constexpr std::size_t longest_value_shown = 300;
// A request that timed out is held this much past the recorded wait, and never longer in all.
constexpr long long hold_past_ms = 1000;
constexpr long long longest_hold_ms = 120000;

// A value as one line of a message: odd bytes escaped, a long one cut short.
std::string shown(const std::string &value)
{
    const std::string text = record_format::percent_encode(value);
    if (text.size() <= longest_value_shown)
        return text;
    return text.substr(0, longest_value_shown) + "... (" + std::to_string(value.size()) + " bytes)";
}

std::string one_line(const ReplayRequest &r)
{
    return r.method + " " + shown(r.target);
}

// A number of the recording, or `fallback` when the field holds none.
std::uint64_t number(const std::string &text, std::uint64_t fallback)
{
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        return fallback;
    return std::strtoull(text.c_str(), nullptr, 10);
}

} // namespace

Replay::Replay(const record_format::Recording &recording)
{
    for (const record_format::Event &event : recording.events) {
        if (event.kind == "request") {
            Exchange exchange;
            exchange.request = {event.get("method"), event.get("path"), event.get("token"), event.get("type"),
                                event.get("body")};
            exchange.line = event.line;
            exchange.t = event.t;
            exchanges_.push_back(std::move(exchange));
        } else if (event.kind == "reply" && !exchanges_.empty() && !exchanges_.back().replied) {
            exchanges_.back().replied = true;
            exchanges_.back().reply = event;
        }
    }
}

std::shared_ptr<Replay> Replay::from_text(const std::string &text, const std::string &name, std::string *error)
{
    const record_format::Parsed parsed = record_format::parse(text);
    if (!parsed.ok) {
        if (error)
            *error = name + ": " + parsed.error;
        return nullptr;
    }
    return std::make_shared<Replay>(parsed.recording);
}

std::shared_ptr<Replay> Replay::load(const std::string &path, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = path + ": cannot be read";
        return nullptr;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return from_text(text.str(), path, error);
}

ReplayAnswer Replay::answer(const ReplayRequest &request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_.empty())
        return ReplayAnswer();
    const std::size_t number = next_ + 1;
    if (next_ >= exchanges_.size()) {
        const int last_line = exchanges_.empty() ? 0 : exchanges_.back().line;
        fail("replay: request " + std::to_string(number) + " is one more than the recording holds (its last at line "
                 + std::to_string(last_line) + ")",
             "  expected: nothing more from the program\n  came:     " + one_line(request) + "\n");
        return ReplayAnswer();
    }
    const Exchange &exchange = exchanges_[next_];
    const ReplayRequest &expected = exchange.request;
    std::string differences;
    const auto compare = [&](const char *name, const std::string &want, const std::string &got) {
        if (want == got)
            return;
        char label[16];
        std::snprintf(label, sizeof label, "%-8s", name);
        differences += std::string("  ") + label + " expected: " + shown(want) + "\n           came:     "
                       + shown(got) + "\n";
    };
    compare("method", expected.method, request.method);
    compare("path", expected.target, request.target);
    compare("token", expected.token, request.token);
    compare("type", expected.type, request.type);
    compare("body", expected.body, request.body);
    if (!differences.empty()) {
        fail("replay: request " + std::to_string(number) + " differs (line " + std::to_string(exchange.line)
                 + " of the recording)",
             differences);
        return ReplayAnswer();
    }
    ++next_;
    return recorded_answer(exchange);
}

ReplayAnswer Replay::recorded_answer(const Exchange &exchange) const
{
    ReplayAnswer a;
    const record_format::Event &reply = exchange.reply;
    a.status = int(number(reply.get("status"), 0) % 1000);
    // A request whose reply is not in the recording was the last one the program made.
    if (!exchange.replied || a.status == 0) {
        a.kind = ReplayAnswer::Kind::Drop;
        if (exchange.replied && reply.get("error") == "time-out")
            a.hold_ms = std::min(longest_hold_ms, std::max(0LL, reply.t - exchange.t) + hold_past_ms);
        return a;
    }
    a.kind = ReplayAnswer::Kind::Reply;
    a.type = reply.get("type");
    if (reply.has("body"))
        a.body = reply.get("body");
    else if (reply.has("length"))
        a.body = record_format::stand_in_software(number(reply.get("length"), 0),
                                                  number(reply.get("checksum"), 0));
    return a;
}

void Replay::fail(const std::string &headline, const std::string &differences)
{
    std::string text = headline + "\n" + differences;
    const std::size_t first = next_ > requests_shown_before ? next_ - requests_shown_before : 0;
    if (first < next_)
        text += "  before it:\n";
    for (std::size_t i = first; i < next_; ++i)
        text += "    #" + std::to_string(i + 1) + " " + one_line(exchanges_[i].request) + "\n";
    failure_ = text;
    std::fputs(failure_.c_str(), stderr);
    std::fflush(stderr);
}

bool Replay::failed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !failure_.empty();
}

std::string Replay::failure() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

bool Replay::finished() const
{
    return unfinished().empty();
}

std::string Replay::unfinished() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_.empty())
        return failure_.substr(0, failure_.find('\n'));
    if (next_ >= exchanges_.size())
        return std::string();
    return "replay: incomplete: the program stopped before request " + std::to_string(next_ + 1) + " ("
           + one_line(exchanges_[next_].request) + "), " + std::to_string(exchanges_.size() - next_)
           + " requests early";
}

} // namespace apiserver
