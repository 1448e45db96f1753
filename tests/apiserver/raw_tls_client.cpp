#include "raw_tls_client.h"

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>

RawReply raw_https(int port, const std::string &ca_file, const std::string &request, std::size_t read_limit)
{
    RawReply reply;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return reply;
    timeval tv{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    SSL_CTX *ctx = SSL_CTX_new(TLS_client_method());
    SSL *ssl = nullptr;
    if (ctx && SSL_CTX_load_verify_locations(ctx, ca_file.c_str(), nullptr) == 1
        && ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
        ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        SSL_set1_host(ssl, "127.0.0.1");
        if (SSL_connect(ssl) == 1 && SSL_write(ssl, request.data(), static_cast<int>(request.size())) > 0) {
            std::string all;
            char buf[4096];
            int n;
            while (all.size() < read_limit && (n = SSL_read(ssl, buf, sizeof buf)) > 0)
                all.append(buf, static_cast<size_t>(n));
            const auto end = all.find("\r\n\r\n");
            if (end != std::string::npos && all.compare(0, 5, "HTTP/") == 0) {
                reply.ok = true;
                reply.head = all.substr(0, end);
                reply.body = all.substr(end + 4);
                reply.status = std::atoi(all.c_str() + all.find(' ') + 1);
            }
        }
    }
    if (ssl)
        SSL_free(ssl);
    if (ctx)
        SSL_CTX_free(ctx);
    ::close(fd);
    return reply;
}
