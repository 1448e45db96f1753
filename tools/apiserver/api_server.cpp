// The server's life (start, stop), its shared state (devices, faults, log), and serving a
// request: the faults that apply around the endpoint's answer (answers.cpp).
#include "api_server.h"

#include "bodies.h"
#include "replay.h"
#include "replies.h"
#include "tls_server.h"

#include <cctype>
#include <csignal>
#include <fstream>
#include <iostream>
#include <pthread.h>

namespace apiserver {

namespace {

const char *const control_prefix = "/__sim/";

// A fault's own body goes out as JSON when it is JSON, as HTML when it looks like a page.
const char *content_type_of(const std::string &body)
{
    if (json::accept(body))
        return "application/json";
    const auto first = body.find_first_not_of(" \t\r\n");
    return first != std::string::npos && body[first] == '<' ? "text/html" : "text/plain";
}

} // namespace

ApiServer::ApiServer(Catalogue catalogue, std::string cert_file, std::string key_file)
    : catalogue_(std::move(catalogue)), cert_file_(std::move(cert_file)), key_file_(std::move(key_file))
{
    for (const auto &d : catalogue_.devices())
        devices_[d.serial] = d;
}

ApiServer::~ApiServer()
{
    stop();
}

int ApiServer::start(const std::string &host, int port)
{
    stop();
    std::lock_guard<std::mutex> run_lock(run_mutex_);
    auto server = std::make_unique<TlsHttpServer>();
    std::string error;
    const auto failed = [&](const std::string &why) {
        std::lock_guard<std::mutex> lock(mutex_);
        last_error_ = why;
        return -1;
    };
    if (!server->load_certificate(cert_file_, key_file_, &error))
        return failed(error);
    if (!untrusted_cert_file_.empty()
        && !server->load_untrusted_certificate(untrusted_cert_file_, untrusted_key_file_, &error))
        return failed(error);

    // Clients reuse their connection for the next request (Qt does). An idle connection
    // does not hold up stop(): our keep-alive loop leaves as soon as the server stops.
    server->set_keep_alive_timeout(5);
    server->set_keep_alive_max_count(1000);
    // The status line and headers go out in one TLS record and the body in another; with
    // Nagle the second waits for the client's delayed ACK, about 40 ms per request.
    server->set_tcp_nodelay(true);
    install_routes(*server);

    const int bound = port == 0 ? server->bind_to_any_port(host) : (server->bind_to_port(host, port) ? port : -1);
    if (bound <= 0)
        return failed("cannot listen on " + host + ":" + std::to_string(port));

    auto done = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([s = server.get(), done] {
        // The connection threads inherit this mask: a client that hangs up while we write
        // must cost a write error, not a SIGPIPE for the whole process.
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        s->listen_after_bind();
        *done = true;
    });
    // stop() has no effect on a server that has not begun listening yet.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server->is_running() && !*done && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server_ = std::move(server);
    if (!server_->is_running()) {
        // It may still begin listening any moment; stop it once it has.
        while (!*done) {
            server_->begin_stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        thread_.join();
        server_.reset();
        return failed("the server did not start listening");
    }
    port_ = bound;
    std::lock_guard<std::mutex> lock(mutex_);
    last_error_.clear();
    return bound;
}

void ApiServer::set_untrusted_certificate(std::string cert_file, std::string key_file)
{
    std::lock_guard<std::mutex> run_lock(run_mutex_);
    untrusted_cert_file_ = std::move(cert_file);
    untrusted_key_file_ = std::move(key_file);
}

void ApiServer::stop()
{
    std::lock_guard<std::mutex> run_lock(run_mutex_);
    if (!server_)
        return;
    server_->begin_stop();
    if (thread_.joinable())
        thread_.join();
    server_.reset();
    port_ = -1;
}

bool ApiServer::running() const
{
    std::lock_guard<std::mutex> run_lock(run_mutex_);
    return server_ != nullptr;
}

int ApiServer::port() const
{
    std::lock_guard<std::mutex> run_lock(run_mutex_);
    return port_;
}

std::string ApiServer::last_error() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return last_error_;
}

void ApiServer::add_fault(const Fault &fault)
{
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back(fault);
}

void ApiServer::clear_faults()
{
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
}

std::size_t ApiServer::fault_count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_.size();
}

std::vector<LoggedRequest> ApiServer::log() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void ApiServer::clear_log()
{
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

bool ApiServer::set_log_file(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    log_file_.reset();
    log_stdout_ = path == "-";
    if (path.empty() || log_stdout_)
        return true;
    auto file = std::make_unique<std::ofstream>(path, std::ios::app);
    if (!*file)
        return false;
    log_file_ = std::move(file);
    return true;
}

void ApiServer::set_request_observer(std::function<void(const LoggedRequest &)> observer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    observer_ = std::move(observer);
}

int ApiServer::device_count(const std::string &serial) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = devices_.find(serial);
    return it == devices_.end() ? -1 : it->second.count;
}

std::optional<Device> ApiServer::device(const std::string &serial) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = devices_.find(serial);
    if (it == devices_.end())
        return std::nullopt;
    return it->second;
}

std::vector<Device> ApiServer::devices() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Device> out;
    for (const auto &d : devices_)
        out.push_back(d.second);
    return out;
}

void ApiServer::set_device(const std::string &serial, const std::string &key, int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[serial] = Device{serial, key, count};
}

void ApiServer::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.clear();
    for (const auto &d : catalogue_.devices())
        devices_[d.serial] = d;
    faults_.clear();
    log_.clear();
    replay_.reset();
}

void ApiServer::set_replay(std::shared_ptr<Replay> replay)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replay_ = std::move(replay);
}

bool ApiServer::set_replay(const std::string &recording_text, std::string *error)
{
    auto replay = Replay::from_text(recording_text, "recording", error);
    if (replay)
        set_replay(replay);
    return replay != nullptr;
}

std::string ApiServer::replay_failure() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return replay_ ? replay_->failure() : std::string();
}

bool ApiServer::replay_finished() const
{
    return replay_unfinished().empty();
}

std::string ApiServer::replay_unfinished() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return replay_ ? replay_->unfinished() : std::string();
}

bool ApiServer::serve_replayed(Connection &conn, httplib::Response &res)
{
    std::shared_ptr<Replay> replay;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        replay = replay_;
    }
    if (!replay)
        return false;
    RequestHead head;
    parse_request_head(conn.captured, head);
    ReplayRequest request;
    request.method = head.method;
    request.target = head.target;
    for (const auto &h : head.headers) {
        std::string name = h.first;
        for (char &c : name)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        std::string *field = name == "x-auth-token" ? &request.token : name == "content-type" ? &request.type : nullptr;
        if (field && field->empty())
            *field = h.second;
    }
    const auto body_at = conn.captured.find("\r\n\r\n");
    if (body_at != std::string::npos)
        request.body = conn.captured.substr(body_at + 4);

    const ReplayAnswer a = replay->answer(request);
    switch (a.kind) {
    case ReplayAnswer::Kind::Fail:
        conn.fault = "replay";
        send_error(res, 500, "the request is not the recorded one");
        break;
    case ReplayAnswer::Kind::Drop:
        if (a.hold_ms > 0)
            server_->sleep_unless_stopping(std::chrono::milliseconds(a.hold_ms));
        conn.drop = true;
        break;
    case ReplayAnswer::Kind::Reply:
        res.status = a.status;
        res.body = a.body;
        if (!a.type.empty())
            res.set_header("Content-Type", a.type);
        else
            conn.remove_headers.push_back("Content-Type");  // httplib would add text/plain
        if (a.status == 204 || a.status == 304)
            conn.remove_headers.push_back("Content-Length");
        break;
    }
    return true;
}

void ApiServer::take_faults(Endpoint endpoint, int &delay_ms, std::optional<Fault> &reply_fault)
{
    std::lock_guard<std::mutex> lock(mutex_);
    delay_ms = 0;
    reply_fault.reset();
    for (auto it = faults_.begin(); it != faults_.end();) {
        const bool applies = it->endpoint == Endpoint::Any || it->endpoint == endpoint;
        bool used = false;
        if (applies && it->kind == FaultKind::Delay) {
            delay_ms += it->delay_ms;
            used = true;
        } else if (applies && !reply_fault) {
            reply_fault = *it;
            used = true;
        }
        if (used && it->once)
            it = faults_.erase(it);
        else
            ++it;
    }
}

void ApiServer::record(const Connection &conn, int status)
{
    RequestHead head;
    parse_request_head(conn.captured, head);
    if (target_path(head.target).rfind(control_prefix, 0) == 0)
        return;
    LoggedRequest entry;
    entry.time = conn.received;
    entry.method = head.method;
    entry.target = head.target;
    entry.headers = head.headers;
    const auto body_at = conn.captured.find("\r\n\r\n");
    if (body_at != std::string::npos)
        entry.body = conn.captured.substr(body_at + 4);
    entry.status = status;
    entry.fault = conn.fault;

    std::function<void(const LoggedRequest &)> observer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (log_file_ || log_stdout_) {
            std::ostream &out = log_stdout_ ? std::cout : *log_file_;
            out << log_line(entry) << std::endl;
        }
        log_.push_back(entry);
        observer = observer_;
    }
    if (observer)
        observer(entry);
}

void ApiServer::serve(TlsHttpServer &server, Endpoint endpoint, const httplib::Request &req,
                      httplib::Response &res)
{
    ++in_progress_;
    const std::shared_ptr<void> done(nullptr, [this](void *) { --in_progress_; });
    Connection *conn = TlsHttpServer::current();
    Connection spare;  // only if a request ever reached us outside a TLS connection
    if (!conn)
        conn = &spare;
    if (serve_replayed(*conn, res))
        return;

    int delay_ms = 0;
    std::optional<Fault> fault;
    take_faults(endpoint, delay_ms, fault);

    if (delay_ms > 0) {
        conn->fault = "delay";
        if (!server.sleep_unless_stopping(std::chrono::milliseconds(delay_ms))) {
            conn->drop = true;  // stopping: nobody waits for this answer any more
            return;
        }
    }
    if (fault) {
        conn->fault += std::string(conn->fault.empty() ? "" : "+") + fault_kind_name(fault->kind);
        conn->replace_headers = fault->headers;
        switch (fault->kind) {
        case FaultKind::Status:
            res.status = fault->status;
            if (!fault->body.empty()) {
                res.set_content(fault->body, content_type_of(fault->body));
            } else if (fault->status == 204 || fault->status == 304) {
                conn->remove_headers.push_back("Content-Length");  // these never carry a body
            } else {
                send_error(res, fault->status, reason_text(fault->status));
            }
            return;
        case FaultKind::NonJson:
            res.status = 200;
            res.set_content("<html><body><h1>502 Bad Gateway</h1></body></html>\n", "text/html");
            return;
        case FaultKind::Empty:
            res.status = 200;
            res.set_content("", "application/json");
            return;
        case FaultKind::Drop:
            conn->drop = true;
            return;
        case FaultKind::Untrusted:
            server.present_untrusted_once();
            conn->drop = true;
            return;
        case FaultKind::GzipBomb:
            res.status = 200;
            // Blanks: JSON whitespace, so a reader that parses while it inflates reads on.
            send_prepared(res, std::make_shared<const std::string>(gzip_repeated(' ', fault->size)),
                          "application/json", stream_token());
            res.set_header("Content-Encoding", "gzip");
            return;
        case FaultKind::Stream:
            send_stream(res, fault->size, stream_token());
            return;
        case FaultKind::Delay:
        case FaultKind::ZeroByte:
        case FaultKind::ContentType:
            break;
        }
    }

    answer(endpoint, req, res);
    if (!fault)
        return;

    switch (fault->kind) {
    case FaultKind::ZeroByte:
        // What follows the zero byte is valid-looking JSON on purpose: a reader that does
        // not stop at the zero byte either fails to parse or reads the wrong value.
        res.body.push_back('\0');
        res.body += "\x01\xff garbage {\"result\":999}";
        break;
    case FaultKind::ContentType:
        res.headers.erase("Content-Type");
        if (fault->content_type.empty())
            conn->remove_headers.push_back("Content-Type");  // httplib would add text/plain
        else
            res.set_header("Content-Type", fault->content_type);
        break;
    default:
        break;
    }
}

std::shared_ptr<void> ApiServer::stream_token()
{
    ++*open_streams_;
    return std::shared_ptr<void>(nullptr, [count = open_streams_](void *) { --*count; });
}

void ApiServer::install_routes(TlsHttpServer &server)
{
    const auto route = [this, &server](Endpoint endpoint) {
        return [this, &server, endpoint](const httplib::Request &req, httplib::Response &res) {
            serve(server, endpoint, req, res);
        };
    };
    server.Get("/api/v1/chip/limitInfo", route(Endpoint::LimitInfo));
    server.Get("/api/v1/vehicle/brand", route(Endpoint::Brand));
    server.Get("/api/v1/vehicle/model", route(Endpoint::Model));
    server.Get("/api/v1/vehicle", route(Endpoint::Vehicle));
    server.Get("/api/v1/vehicle/settings", route(Endpoint::Settings));
    server.Get(R"(/api/v1/chip/software/([^/]*)/file)", route(Endpoint::Software));
    server.Post("/api/v1/vehicle/settings/install/success", route(Endpoint::Install));
    install_control_routes(server);
    // Any other target is not found; under a replay it is checked like every request.
    const auto other = [this](const httplib::Request &req, httplib::Response &res) {
        Connection *conn = TlsHttpServer::current();
        if (target_path(req.target).rfind(control_prefix, 0) == 0 || !conn || !serve_replayed(*conn, res))
            res.status = 404;
    };
    server.Get(".*", other);
    server.Post(".*", other);

    // httplib's own errors (no route, a malformed request) get a JSON body like ours.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request &, httplib::Response &res) {
            if (!res.body.empty() || res.content_provider_)
                return httplib::Server::HandlerResponse::Unhandled;
            send_error(res, res.status, reason_text(res.status));
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_reply_hook([this](const Connection &conn, int status) { record(conn, status); });
}

} // namespace apiserver
