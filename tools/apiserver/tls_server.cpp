#include "tls_server.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace apiserver {

namespace {

thread_local Connection *current_connection = nullptr;

// Every wait on a socket is cut into slices this long so that a stopping server is
// noticed quickly by connections that are idle or stuck.
constexpr int slice_ms = 20;
constexpr int io_timeout_ms = 5000;

std::string openssl_errors()
{
    std::string text;
    while (const unsigned long e = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!text.empty())
            text += "; ";
        text += buf;
    }
    return text;
}

class TlsStream : public httplib::Stream {
public:
    TlsStream(TlsHttpServer &server, int fd, SSL *ssl, Connection &conn)
        : server_(server), fd_(fd), ssl_(ssl), conn_(conn)
    {
    }

    // Waits until the socket is ready for `events`, the server stops, or the time is up.
    bool wait(short events, int timeout_ms) const
    {
        for (int waited = 0; waited < timeout_ms && !server_.stopping(); waited += slice_ms) {
            pollfd p{fd_, events, 0};
            const int r = ::poll(&p, 1, slice_ms);
            if (r > 0)
                return true;
            if (r < 0 && errno != EINTR)
                return false;
        }
        return false;
    }

    bool is_readable() const override { return SSL_pending(ssl_) > 0 || wait(POLLIN, io_timeout_ms); }
    bool is_writable() const override { return !conn_.drop && wait(POLLOUT, io_timeout_ms); }

    ssize_t read(char *ptr, size_t size) override
    {
        const int want = static_cast<int>(std::min<size_t>(size, INT_MAX));
        for (;;) {
            ERR_clear_error();
            const int n = SSL_read(ssl_, ptr, want);
            if (n > 0) {
                conn_.captured.append(ptr, static_cast<size_t>(n));
                return n;
            }
            const int err = SSL_get_error(ssl_, n);
            if (err == SSL_ERROR_ZERO_RETURN)
                return 0;
            if (!retry(err))
                return -1;
        }
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        if (!conn_.replied) {
            const int status = conn_.drop ? 0 : status_of(ptr, size);
            // "100 Continue" comes before the body is read; the real reply follows later.
            if (status < 100 || status >= 200) {
                conn_.replied = true;
                server_.reply_started(conn_, status);
            }
        }
        if (conn_.drop)
            return -1;
        size_t done = 0;
        while (done < size) {
            ERR_clear_error();
            const int n = SSL_write(ssl_, ptr + done, static_cast<int>(std::min<size_t>(size - done, INT_MAX)));
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (!retry(SSL_get_error(ssl_, n)))
                return -1;
        }
        return static_cast<ssize_t>(size);
    }

    // Nothing here asks where a request came from (the log keeps the request as sent).
    void get_remote_ip_and_port(std::string &, int &) const override {}
    void get_local_ip_and_port(std::string &, int &) const override {}
    socket_t socket() const override { return fd_; }

private:
    bool retry(int ssl_error) const
    {
        if (ssl_error == SSL_ERROR_WANT_READ)
            return wait(POLLIN, io_timeout_ms);
        if (ssl_error == SSL_ERROR_WANT_WRITE)
            return wait(POLLOUT, io_timeout_ms);
        return false;
    }

    // httplib writes the status line and the headers in one piece before the body.
    static int status_of(const char *ptr, size_t size)
    {
        const std::string line(ptr, std::min<size_t>(size, 16));
        if (line.compare(0, 5, "HTTP/") != 0)
            return -1;
        const auto sp = line.find(' ');
        return sp == std::string::npos ? -1 : std::atoi(line.c_str() + sp + 1);
    }

    TlsHttpServer &server_;
    int fd_;
    SSL *ssl_;
    Connection &conn_;
};

} // namespace

TlsHttpServer::TlsHttpServer()
{
    // httplib's default socket options set SO_REUSEPORT, which would let a second
    // server bind the same port and silently take half of the connections.
    set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    set_post_routing_handler([](const httplib::Request &, httplib::Response &res) {
        const Connection *conn = current();
        if (!conn)
            return;
        // Header names compare without regard to case here.
        for (const auto &name : conn->remove_headers)
            res.headers.erase(name);
        for (const auto &h : conn->replace_headers)
            res.headers.erase(h.first);
        for (const auto &h : conn->replace_headers)
            res.headers.emplace(h.first, h.second);
    });
}

TlsHttpServer::~TlsHttpServer()
{
    if (ctx_)
        SSL_CTX_free(ctx_);
    if (untrusted_ctx_)
        SSL_CTX_free(untrusted_ctx_);
}

bool TlsHttpServer::load_certificate(const std::string &cert_file, const std::string &key_file, std::string *error)
{
    return load_context(cert_file, key_file, error, ctx_);
}

bool TlsHttpServer::load_untrusted_certificate(const std::string &cert_file, const std::string &key_file,
                                               std::string *error)
{
    return load_context(cert_file, key_file, error, untrusted_ctx_);
}

bool TlsHttpServer::load_context(const std::string &cert_file, const std::string &key_file, std::string *error,
                                 SSL_CTX *&target)
{
    ERR_clear_error();
    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    const auto failed = [&](const std::string &what) {
        if (error)
            *error = what + (ERR_peek_error() ? ": " + openssl_errors() : std::string());
        SSL_CTX_free(ctx);
        return false;
    };
    if (!ctx)
        return failed("cannot create a TLS context");
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (SSL_CTX_use_certificate_chain_file(ctx, cert_file.c_str()) != 1)
        return failed("cannot read the certificate " + cert_file);
    if (SSL_CTX_use_PrivateKey_file(ctx, key_file.c_str(), SSL_FILETYPE_PEM) != 1)
        return failed("cannot read the private key " + key_file);
    if (SSL_CTX_check_private_key(ctx) != 1)
        return failed("the key " + key_file + " does not belong to " + cert_file);
    if (target)
        SSL_CTX_free(target);
    target = ctx;
    return true;
}

bool TlsHttpServer::is_valid() const
{
    return ctx_ != nullptr;
}

void TlsHttpServer::begin_stop()
{
    {
        std::lock_guard<std::mutex> lock(sleep_mutex_);
        stopping_ = true;
    }
    sleep_cv_.notify_all();
    stop();
}

bool TlsHttpServer::sleep_unless_stopping(std::chrono::milliseconds how_long)
{
    std::unique_lock<std::mutex> lock(sleep_mutex_);
    return !sleep_cv_.wait_for(lock, how_long, [this] { return stopping_.load(); });
}

Connection *TlsHttpServer::current()
{
    return current_connection;
}

void TlsHttpServer::reply_started(Connection &conn, int status)
{
    if (reply_hook_)
        reply_hook_(conn, status);
}

bool TlsHttpServer::process_and_close_socket(socket_t sock)
{
    const int flags = fcntl(sock, F_GETFL, 0);
    fcntl(sock, F_SETFL, flags | O_NONBLOCK);

    SSL_CTX *ctx = untrusted_ctx_ && untrusted_next_.exchange(false) ? untrusted_ctx_ : ctx_;
    SSL *ssl = ctx ? SSL_new(ctx) : nullptr;
    Connection conn;
    TlsStream stream(*this, sock, ssl, conn);
    bool ok = ssl && SSL_set_fd(ssl, sock) == 1;
    while (ok) {
        ERR_clear_error();
        const int r = SSL_accept(ssl);
        if (r == 1)
            break;
        const int err = SSL_get_error(ssl, r);
        if (err == SSL_ERROR_WANT_READ)
            ok = stream.wait(POLLIN, io_timeout_ms);
        else if (err == SSL_ERROR_WANT_WRITE)
            ok = stream.wait(POLLOUT, io_timeout_ms);
        else
            ok = false;  // a client that does not trust us ends here: nothing to answer
    }

    if (ok) {
        current_connection = &conn;
        for (size_t left = keep_alive_max_count_; left > 0 && !stopping_; --left) {
            if (SSL_pending(ssl) == 0 && !stream.wait(POLLIN, static_cast<int>(keep_alive_timeout_sec_ * 1000)))
                break;
            conn.captured.clear();
            conn.received = std::chrono::system_clock::now();
            conn.drop = false;
            conn.replied = false;
            conn.fault.clear();
            conn.remove_headers.clear();
            conn.replace_headers.clear();
            bool closed = false;
            const bool last = left == 1 || stopping_;
            if (!process_request(stream, last, closed, {}) || closed || conn.drop)
                break;
        }
        current_connection = nullptr;
        if (!conn.drop) {
            ERR_clear_error();
            SSL_shutdown(ssl);  // close_notify only; not waiting for the peer's
        }
    }
    if (ssl)
        SSL_free(ssl);
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

} // namespace apiserver
