#ifndef TLS_H
#define TLS_H

#include <QByteArray>

// Adds the CA certificates in `pem` to the ones every request trusts, keeping
// the system roots. No TLS error is ever ignored: a server must present a
// certificate that chains to one of these.
void trust_extra_certificates(const QByteArray &pem);

#endif // TLS_H
