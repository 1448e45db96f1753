#ifndef REPLY_CHECKS_H
#define REPLY_CHECKS_H

class QNetworkReply;

// A reply is an error reply when the network layer reports an error, its
// HTTP status is not 2xx (Qt reports redirects, 204 and 304 as no error), or
// it grew past what its endpoint can use.
bool reply_failed(QNetworkReply *reply);

// The reply was given up because it grew past its endpoint's limit.
bool reply_too_large(QNetworkReply *reply);

#endif // REPLY_CHECKS_H
