// Every request to the API server: built on api_base_url with the five common
// headers, watched by timer_server, waited for in the one nested wait. A
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

#include "app/app_state.h"
#include "app/logging.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "device/device_state.h"
#include "server/api.h"
#include "server/reply_checks.h"
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

bool MainWindow::server_request(Endpoint endpoint, const QString &path_and_query, const QByteArray &post_body)
{
    // The window has closed: the sequence unwinds without a word to the server.
    if (requests_closed()) {
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
    timer_server->start(server_timeout);
    const bool post = endpoint == Endpoint::InstallSuccess;
    QNetworkReply *reply = post ? network_manager->post(request, post_body) : network_manager->get(request);
    reply->setProperty(wait_property, server_wait);
    // Given up the moment it passes its limit, whether the server announced
    // the size or not; the handler then reports the failure.
    const qint64 limit = reply_limit(endpoint == Endpoint::Software);
    reply->setProperty(limit_property, limit);
    server_pending = reply;

    const char *handler = nullptr;
    switch (endpoint) {
    case Endpoint::LimitInfo: reply_GetConfigCount = reply; handler = SLOT(finishedSlot_GetConfigCount()); break;
    case Endpoint::Brands: reply_marks = reply; handler = SLOT(finishedSlot_marks()); break;
    case Endpoint::Models: reply_models = reply; handler = SLOT(finishedSlot_models()); break;
    case Endpoint::Engines: reply_modifications = reply; handler = SLOT(finishedSlot_modifications()); break;
    case Endpoint::Settings: reply_GetSets = reply; handler = SLOT(finishedSlot_GetSets()); break;
    case Endpoint::Software: reply_GetSoftCar = reply; handler = SLOT(finishedSlot_GetSoftCar()); break;
    case Endpoint::InstallSuccess: reply_PostSettingsOk = reply; handler = SLOT(finishedSlot_PostSettingsOk()); break;
    }
    connect(reply, SIGNAL(finished()), this, handler);

    connect(reply, &QNetworkReply::downloadProgress, this, [reply, limit](qint64 received, qint64 total) {
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
            disconnect(server_pending, nullptr, this, nullptr);
            server_pending->abort();
            server_pending->deleteLater();
        }
        timer_server->stop();
        server_error = true;
    }
    server_wait = 0;
    return handled && !request_timed_out;
}

QNetworkReply *MainWindow::take_reply(QPointer<QNetworkReply> &holder)
{
    timer_server->stop();
    // The window has closed: its request was given up, the reply is not read.
    if (requests_closed())
        return nullptr;
    QNetworkReply *reply = holder.data();
    if (reply) {
        qCDebug(orv_server).noquote() << request_trace << "->" << outcome(reply) << request_clock.elapsed() << "ms";
    }
    return reply;
}

void MainWindow::finish_reply(QNetworkReply *reply)
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

void MainWindow::myTimer_server()
{
    timer_server->stop();
    if (requests_closed())
        return;
    const WaitTicket ticket = server_wait;
    if (server_pending) {
        // abort() emits finished() at once: the handler must not run for it.
        QNetworkReply *reply = server_pending;
        server_pending = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        qCDebug(orv_server).noquote() << request_trace << "-> time-out after" << request_clock.elapsed() << "ms";
        reply->abort();
        reply->deleteLater();
    }
    request_timed_out = true;
    request_ended = true;
    show_box("Error!", "No connection to server!");
    server_error = true;
    wait_end(ticket);
}
