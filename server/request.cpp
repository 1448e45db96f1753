// Every request to the API server: built on api_base_url with the five common
// headers, watched by the server timer, waited for in the one nested wait. A
// request's wait is ended only by its own handler or by the watchdog, which
// aborts the reply first, so a late reply can never end another wait.
//
// The server is not trusted further than the reply frame: redirects are never
// followed, replies come uncompressed, and a reply is given up as soon as it
// grows past what its endpoint can use.

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>

#include "app/boxes.h"
#include "app/logging.h"
#include "app/recorder.h"
#include "app/session_face.h"
#include "app/session_state.h"
#include "device/device_state.h"
#include "server/api.h"
#include "server/reply_checks.h"
#include "server/request.h"
#include "server/server_state.h"
#include "tuning/vehicle_messages.h"

namespace {

const char *const wait_property = "orv_wait";
const char *const limit_property = "orv_limit";
const char *const too_large_property = "orv_too_large";
QElapsedTimer request_clock;
QString request_trace;  // the request in flight as the trace shows it
bool request_timed_out = false;
bool request_ended = false;     // the request in flight was answered or timed out

// The most an endpoint's reply may bring: the software file what one device
// message can carry, every JSON reply 8 MiB.
qint64 reply_limit(bool software)
{
    return software ? qint64(max_software_file) : api::max_json_reply;
}

// The limit the reply was sent with.
qint64 limit_of(QNetworkReply *reply)
{
    return reply->property(limit_property).toLongLong();
}

// How a reply ended, for the trace: the network error and the HTTP status,
// never the URL (it holds the authKey).
QString outcome(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    QString text = reply->error() == QNetworkReply::NoError ? QStringLiteral("ok")
                                                            : QStringLiteral("error %1").arg(int(reply->error()));
    if (status.isValid())
        text += QStringLiteral(", HTTP %1").arg(status.toInt());
    if (reply->property(too_large_property).toBool())
        text += QStringLiteral(", too large");
    return text;
}

QObject *context()
{
    return session::face().context;
}

void start_watchdog()
{
    if (QTimer *timer = session::face().server_timer)
        timer->start(server_timeout);
}

void stop_watchdog()
{
    if (QTimer *timer = session::face().server_timer)
        timer->stop();
}

// The handler of an endpoint's reply.
void (*handler_of(Endpoint endpoint))()
{
    switch (endpoint) {
    case Endpoint::LimitInfo: return finish_count;
    case Endpoint::Brands: return finish_brands;
    case Endpoint::Models: return finish_models;
    case Endpoint::Engines: return finish_engines;
    case Endpoint::Settings: return finish_settings_record;
    case Endpoint::Software: return finish_software;
    case Endpoint::InstallSuccess: return finish_install_report;
    }
    return finish_count;
}

} // namespace

bool reply_failed(QNetworkReply *reply)
{
    return reply->error() != QNetworkReply::NoError
           || !api::status_ok(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt())
           || reply_too_large(reply);
}

bool reply_too_large(QNetworkReply *reply)
{
    return reply->property(too_large_property).toBool() || reply->bytesAvailable() > limit_of(reply);
}

bool server_request(Endpoint endpoint, const QString &path_and_query, const QByteArray &post_body)
{
    // The face has closed (or has no server): the sequence unwinds without a word to it.
    if (requests_closed() || !network_manager || !context()) {
        server_error = true;
        return false;
    }
    QNetworkRequest request{QUrl()};
    request.setUrl(QUrl(api_base_url + path_and_query, QUrl::TolerantMode));
    const bool installation = endpoint == Endpoint::Settings || endpoint == Endpoint::Software
                              || endpoint == Endpoint::InstallSuccess;
    if (installation)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    for (const auto &header : api::request_headers(serial_number))
        request.setRawHeader(header.first, header.second);
    const auto identity = api::identity_encoding_header();
    request.setRawHeader(identity.first, identity.second);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // HTTP/1.1 only: Qt 6 would offer HTTP/2 in the TLS handshake, Qt 5 does not.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QSslConfiguration tls = request.sslConfiguration();
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    request.setSslConfiguration(tls);

    server_wait = wait_open();
    if (server_wait == 0) {
        server_error = true;
        return false;
    }
    request_timed_out = false;
    request_ended = false;
    token_rejected = false;
    start_watchdog();
    const bool post = endpoint == Endpoint::InstallSuccess;
    recorder::request(post, QString::fromUtf8(request.url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)),
                      request.rawHeader("X-Auth-Token"), installation ? QByteArray("application/json") : QByteArray(),
                      post_body);
    QNetworkReply *reply = post ? network_manager->post(request, post_body) : network_manager->get(request);
    reply->setProperty(wait_property, server_wait);
    // Given up the moment it passes its limit, whether the server announced
    // the size or not; the handler then reports the failure.
    const qint64 limit = reply_limit(endpoint == Endpoint::Software);
    reply->setProperty(limit_property, limit);
    server_pending = reply;

    switch (endpoint) {
    case Endpoint::LimitInfo: reply_GetConfigCount = reply; break;
    case Endpoint::Brands: reply_marks = reply; break;
    case Endpoint::Models: reply_models = reply; break;
    case Endpoint::Engines: reply_modifications = reply; break;
    case Endpoint::Settings: reply_GetSets = reply; break;
    case Endpoint::Software: reply_GetSoftCar = reply; break;
    case Endpoint::InstallSuccess: reply_PostSettingsOk = reply; break;
    }
    QObject::connect(reply, &QNetworkReply::finished, context(), handler_of(endpoint));

    QObject::connect(reply, &QNetworkReply::downloadProgress, context(), [reply, limit](qint64 received, qint64 total) {
        if ((received > limit || total > limit) && !reply->property(too_large_property).toBool()) {
            reply->setProperty(too_large_property, true);
            reply->abort();
        }
    });

    request_clock.start();
    request_trace = QString(post ? "POST " : "GET ") + api_base_url + api::without_auth_key(path_and_query);
    qCDebug(orv_server).noquote() << request_trace;
    // A request answered before the window closed stands (its answer came while the
    // close question was open).
    const bool handled = wait_run(server_wait) && request_ended;
    if (!handled) {
        // Left without an end (the application is quitting) or ended by the
        // window closing: the reply is given up unread.
        if (server_pending) {
            QObject::disconnect(server_pending, nullptr, context(), nullptr);
            server_pending->abort();
            server_pending->deleteLater();
        }
        stop_watchdog();
        server_error = true;
    }
    server_wait = 0;
    return handled && !request_timed_out;
}

QNetworkReply *take_reply(QPointer<QNetworkReply> &holder)
{
    stop_watchdog();
    // The face has closed: its request was given up, the reply is not read.
    if (requests_closed())
        return nullptr;
    QNetworkReply *reply = holder.data();
    if (reply) {
        qCDebug(orv_server).noquote() << request_trace << "->" << outcome(reply) << request_clock.elapsed() << "ms";
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        recorder::reply(status, reply->rawHeader("Content-Type"), reply->peek(reply->bytesAvailable()),
                        &holder == &reply_GetSoftCar,
                        status ? QString() : QStringLiteral("network error %1").arg(int(reply->error())));
    }
    return reply;
}

void finish_reply(QNetworkReply *reply)
{
    if (!reply)
        return;
    const WaitTicket ticket = reply->property(wait_property).toULongLong();
    if (reply == server_pending)
        server_pending = nullptr;
    reply->deleteLater();
    if (ticket == server_wait)
        request_ended = true;
    wait_end(ticket);
}

void session::server_timeout()
{
    stop_watchdog();
    if (requests_closed())
        return;
    const WaitTicket ticket = server_wait;
    if (server_pending) {
        // abort() emits finished() at once: the handler must not run for it.
        QNetworkReply *reply = server_pending;
        server_pending = nullptr;
        QObject::disconnect(reply, nullptr, context(), nullptr);
        qCDebug(orv_server).noquote() << request_trace << "-> time-out after" << request_clock.elapsed() << "ms";
        reply->abort();
        reply->deleteLater();
    }
    recorder::reply(0, QByteArray(), QByteArray(), false, QStringLiteral("time-out"));
    request_timed_out = true;
    request_ended = true;
    show_box("Error!", "No connection to server!");
    server_error = true;
    wait_end(ticket);
}
