#ifndef REQUEST_H
#define REQUEST_H

#include <QByteArray>
#include <QPointer>
#include <QString>

class QNetworkReply;

// The API server's endpoints, each with its reply handler.
enum class Endpoint { LimitInfo, Brands, Models, Engines, Settings, Software, InstallSuccess };

// Sends one request and waits for its handler or the watchdog. False when the
// watchdog (or the face closing, or the application quitting) ended it.
bool server_request(Endpoint endpoint, const QString &path_and_query, const QByteArray &post_body = QByteArray());

// A handler's first and last steps: the reply of its holder (null when the face has
// closed: nothing is read), and the reply given back, which ends the wait.
QNetworkReply *take_reply(QPointer<QNetworkReply> &holder);
void finish_reply(QNetworkReply *reply);

// The reply handlers, one per endpoint (server/catalogue_replies.cpp,
// server/config_count.cpp, tuning/install.cpp).
void finish_brands();
void finish_models();
void finish_engines();
void finish_count();
void finish_settings_record();
void finish_software();
void finish_install_report();

#endif // REQUEST_H
