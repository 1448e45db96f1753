// The local API server: a development stand-in for the maker's HTTPS/JSON server.
//
// Serves the seven endpoints of the configurator from a Catalogue, checks the request
// headers and device credentials like the real server, can be told to misbehave per
// endpoint (faults), keeps a log of every request as received, and offers a control
// interface under /__sim/ for tests and engineers that only reach it over HTTPS.
//
// No Qt here: the server runs on its own threads and may live inside a Qt test without
// touching Qt objects. Every public member function is thread-safe.
#pragma once

#include "catalogue.h"
#include "http_text.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
struct Request;
struct Response;
}

namespace apiserver {

class TlsHttpServer;
struct Connection;

enum class Endpoint {
    LimitInfo,  // GET  /api/v1/chip/limitInfo
    Brand,      // GET  /api/v1/vehicle/brand?
    Model,      // GET  /api/v1/vehicle/model?brandId=N
    Vehicle,    // GET  /api/v1/vehicle?modelId=X
    Settings,   // GET  /api/v1/vehicle/settings?vehicleId=V&authKey=K
    Software,   // GET  /api/v1/chip/software/<softwareId>/file?authKey=K
    Install,    // POST /api/v1/vehicle/settings/install/success
    Any,        // in a fault: every endpoint above
};

// Names used on the command line, in the control interface and in the log:
// limitInfo, brand, model, vehicle, settings, software, install, all.
const char *endpoint_name(Endpoint endpoint);
std::optional<Endpoint> endpoint_from_name(const std::string &name);

enum class FaultKind {
    Delay,     // wait delay_ms before answering; combines with one fault of another kind
    Status,    // answer `status` with `body` instead (empty body: a JSON error for the status)
    NonJson,   // answer 200 with an HTML page
    ZeroByte,  // the normal answer followed by a zero byte and garbage
    Empty,     // answer 200 with an empty body
    Drop,      // close the connection without answering
};

const char *fault_kind_name(FaultKind kind);
std::optional<FaultKind> fault_kind_from_name(const std::string &name);

struct Fault {
    Endpoint endpoint = Endpoint::Any;
    FaultKind kind = FaultKind::Status;
    int delay_ms = 0;
    int status = 500;
    std::string body;
    bool once = false;  // removed after the first request it applies to
};

// "endpoint:kind[:arg]", for example "limitInfo:status:401", "brand:delay:25000",
// "software:empty", "all:drop". Returns nothing and says why in `error` when malformed.
std::optional<Fault> parse_fault(const std::string &text, bool once, std::string *error = nullptr);

struct LoggedRequest {
    std::chrono::system_clock::time_point time;  // when the request arrived
    std::string method;
    std::string target;   // path and query as received, not decoded
    HeaderList headers;   // in the order received, names as sent
    std::string body;
    int status = 0;       // status sent; 0 when the connection was dropped on purpose
    std::string fault;    // fault applied ("" for none)
};

// One line of JSON: {"time":..., "method":..., "target":..., "headers":[[name,value],...],
// "body":..., "status":..., "fault":...}. Headers are pairs to keep their order.
std::string log_line(const LoggedRequest &entry);

class ApiServer {
public:
    ApiServer(Catalogue catalogue, std::string cert_file, std::string key_file);
    ~ApiServer();
    ApiServer(const ApiServer &) = delete;
    ApiServer &operator=(const ApiServer &) = delete;

    // Binds (port 0: any free port) and serves on background threads. Returns the bound
    // port, or -1 with the reason in last_error(). A running server is stopped first.
    int start(const std::string &host = "127.0.0.1", int port = 0);
    // Returns promptly even while clients hold keep-alive connections or a delay fault sleeps.
    void stop();
    bool running() const;
    int port() const;
    std::string last_error() const;

    void add_fault(const Fault &fault);
    void clear_faults();
    std::vector<Fault> faults() const;

    // Requests to the control interface (/__sim/...) are not logged.
    std::vector<LoggedRequest> log() const;
    void clear_log();
    // Also write each request as a JSON line to `path` ("-": standard output, "": no file).
    bool set_log_file(const std::string &path);
    // Called for each logged request on the server's thread (the program prints with it).
    void set_request_observer(std::function<void(const LoggedRequest &)> observer);

    // -1 for an unknown serial number.
    int device_count(const std::string &serial) const;
    std::optional<Device> device(const std::string &serial) const;
    std::vector<Device> devices() const;
    void set_device(const std::string &serial, const std::string &key, int count);

    // Devices as in the catalogue, no faults, empty log.
    void reset();

    const Catalogue &catalogue() const { return catalogue_; }

private:
    void install_routes(TlsHttpServer &server);
    void install_control_routes(TlsHttpServer &server);
    void serve(TlsHttpServer &server, Endpoint endpoint, const httplib::Request &req, httplib::Response &res);
    void answer(Endpoint endpoint, const httplib::Request &req, httplib::Response &res);
    bool check_device(const httplib::Request &req, httplib::Response &res, Device &device);
    bool check_key(const httplib::Request &req, httplib::Response &res, const Device &device);
    void take_faults(Endpoint endpoint, int &delay_ms, std::optional<Fault> &reply_fault);
    void record(const Connection &conn, int status);

    const Catalogue catalogue_;
    const std::string cert_file_;
    const std::string key_file_;

    mutable std::mutex mutex_;
    std::map<std::string, Device> devices_;
    std::vector<Fault> faults_;
    std::vector<LoggedRequest> log_;
    std::unique_ptr<std::ostream> log_file_;
    bool log_stdout_ = false;
    std::function<void(const LoggedRequest &)> observer_;
    std::string last_error_;

    mutable std::mutex run_mutex_;  // start/stop
    std::unique_ptr<TlsHttpServer> server_;
    std::thread thread_;
    int port_ = -1;
};

} // namespace apiserver
