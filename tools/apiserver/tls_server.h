// The HTTP server of the local API server: cpp-httplib's request parsing, routing and
// reply writing over a TLS layer of our own.
//
// Why not httplib::SSLServer: the request log must show the request headers in the
// order the client sent them, and httplib keeps headers in a sorted multimap. Here TLS
// is done with OpenSSL directly and every plaintext byte the parser reads is also kept
// for the request it belongs to (Connection::captured), so handlers and the log can
// see the raw request line and header lines.
//
// The keep-alive loop is ours too: it waits in short slices and gives up as soon as the
// server stops, so stop() never waits out an idle connection that a client holds open.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

typedef struct ssl_ctx_st SSL_CTX;

namespace apiserver {

// One request on one TLS connection, as the handlers and the reply hook see it.
struct Connection {
    std::string captured;      // plaintext bytes read for the current request: head and body
    std::chrono::system_clock::time_point received;
    bool drop = false;         // set by a handler: close the connection instead of replying
    bool replied = false;      // the first bytes of the reply have been handed to TLS
    std::string fault;         // name of the fault applied to this request, for the log
    // Set by a handler, applied after httplib has added its own headers (Content-Type,
    // Content-Length, ...), so that a reply can go without them or with other values.
    std::vector<std::string> remove_headers;          // names left out of the reply
    std::vector<std::pair<std::string, std::string>> replace_headers;  // each replaces its name
};

class TlsHttpServer : public httplib::Server {
public:
    // Called once per request, just before the first byte of the reply goes out (or, for
    // a dropped request, instead of it with status 0). Runs on the connection's thread.
    using ReplyHook = std::function<void(const Connection &, int status)>;

    TlsHttpServer();
    ~TlsHttpServer() override;

    bool load_certificate(const std::string &cert_file, const std::string &key_file, std::string *error);
    // A second certificate, presented only when asked for below.
    bool load_untrusted_certificate(const std::string &cert_file, const std::string &key_file, std::string *error);
    // The next TLS handshake (one only) presents the untrusted certificate, if one is loaded.
    void present_untrusted_once() { untrusted_next_ = true; }
    bool is_valid() const override;

    void set_reply_hook(ReplyHook hook) { reply_hook_ = std::move(hook); }

    // Makes waiting connections and sleeping handlers give up, then stops listening.
    void begin_stop();
    bool stopping() const { return stopping_; }

    // Sleeps unless the server stops first. Returns false when it was cut short.
    bool sleep_unless_stopping(std::chrono::milliseconds how_long);

    // The connection whose request the calling thread is handling, or nullptr.
    static Connection *current();

    // Used by the stream: hands the reply status to the hook once per request.
    void reply_started(Connection &conn, int status);

private:
    bool process_and_close_socket(socket_t sock) override;
    bool load_context(const std::string &cert_file, const std::string &key_file, std::string *error,
                      SSL_CTX *&target);

    SSL_CTX *ctx_ = nullptr;
    SSL_CTX *untrusted_ctx_ = nullptr;
    std::atomic<bool> untrusted_next_{false};
    ReplyHook reply_hook_;
    std::atomic<bool> stopping_{false};
    std::mutex sleep_mutex_;
    std::condition_variable sleep_cv_;
};

} // namespace apiserver
