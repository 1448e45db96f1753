// orv-apiserver: runs the local API server until interrupted.
#include "api_server.h"
#include "replay.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <string>
#include <vector>

using namespace apiserver;

namespace {

void usage(std::FILE *out)
{
    std::fprintf(out,
        "usage: orv-apiserver [--host ADDR] [--port N] [--cert server.pem] [--key server.key]\n"
        "                     [--catalogue catalogue.json] [--log requests.jsonl|-] [--quiet]\n"
        "                     [--replay FILE]\n"
        "\n"
        "  --host        address to listen on (default 127.0.0.1)\n"
        "  --port        port (default 8443; 0 picks a free one)\n"
        "  --cert/--key  server certificate and key (default: the build's certs/server.pem, .key)\n"
        "  --catalogue   data file (default: tools/apiserver/catalogue.json of the source tree)\n"
        "  --log         also write each request as a JSON line to this file ('-': stdout)\n"
        "  --quiet       do not print a line per request\n"
        "  --replay      answer as the recording in FILE does, and only the requests it holds,\n"
        "                in its order; exits with 1 if a request differed or some never came\n"
        "\n"
        "Control interface on the same port: POST /__sim/fault, GET /__sim/device?serial=S\n"
        "(see README.md).\n");
}

} // namespace

int main(int argc, char **argv)
{
    std::string host = "127.0.0.1";
    int port = 8443;
    std::string cert = ORV_APISERVER_CERT_DIR "/server.pem";
    std::string key = ORV_APISERVER_CERT_DIR "/server.key";
    std::string catalogue_path = ORV_APISERVER_CATALOGUE;
    std::string log_path;
    bool quiet = false;
    std::string replay_path;

    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "orv-apiserver: %s needs a value\n", opt.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (opt == "--host") {
            host = value();
        } else if (opt == "--port") {
            const std::string v = value();
            char *end = nullptr;
            const long p = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || p < 0 || p > 65535) {
                std::fprintf(stderr, "orv-apiserver: bad port %s\n", v.c_str());
                return 2;
            }
            port = static_cast<int>(p);
        } else if (opt == "--cert") {
            cert = value();
        } else if (opt == "--key") {
            key = value();
        } else if (opt == "--catalogue") {
            catalogue_path = value();
        } else if (opt == "--log") {
            log_path = value();
        } else if (opt == "--replay") {
            replay_path = value();
        } else if (opt == "--quiet") {
            quiet = true;
        } else if (opt == "--help" || opt == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "orv-apiserver: unknown option %s\n", opt.c_str());
            usage(stderr);
            return 2;
        }
    }

    std::string error;
    auto catalogue = Catalogue::load(catalogue_path, &error);
    if (!catalogue) {
        std::fprintf(stderr, "orv-apiserver: %s\n", error.c_str());
        return 1;
    }
    std::shared_ptr<Replay> replay;
    if (!replay_path.empty() && !(replay = Replay::load(replay_path, &error))) {
        std::fprintf(stderr, "orv-apiserver: %s\n", error.c_str());
        return 1;
    }
    const std::size_t brands = catalogue->brands().size();
    const std::size_t models = catalogue->model_count();
    const std::size_t engines = catalogue->engine_count();

    // Taken by sigwait below; blocked before any server thread exists so none of them
    // receives these signals instead.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    ApiServer server(std::move(*catalogue), cert, key);
    // What the untrusted fault presents.
    server.set_untrusted_certificate(ORV_APISERVER_CERT_DIR "/rogue-server.pem",
                                     ORV_APISERVER_CERT_DIR "/rogue-server.key");
    if (!log_path.empty() && !server.set_log_file(log_path)) {
        std::fprintf(stderr, "orv-apiserver: cannot write %s\n", log_path.c_str());
        return 1;
    }
    server.set_replay(replay);
    if (!quiet) {
        server.set_request_observer([](const LoggedRequest &r) {
            std::printf("%s %s %s -> %d%s%s\n", time_text(r.time, TimeStyle::Local).c_str(), r.method.c_str(), r.target.c_str(),
                        r.status, r.fault.empty() ? "" : " fault:", r.fault.c_str());
            std::fflush(stdout);
        });
    }

    const int bound = server.start(host, port);
    if (bound < 0) {
        std::fprintf(stderr, "orv-apiserver: %s\n", server.last_error().c_str());
        return 1;
    }
    const std::string shown_host = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    std::printf("orv-apiserver: serving https://%s:%d (%zu brands, %zu models, %zu engines, %zu devices)\n",
                shown_host.c_str(), bound, brands, models, engines, server.devices().size());
    for (const auto &d : server.devices())
        std::printf("  device %s count %d\n", d.serial.c_str(), d.count);
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stop_signals, &sig);
    std::printf("orv-apiserver: stopping (%s)\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
    server.stop();
    if (!replay || replay->finished())
        return 0;
    // A failure was printed when it happened.
    if (!replay->failed())
        std::fprintf(stderr, "%s\n", replay->unfinished().c_str());
    return 1;
}
