#include "server/tls.h"

#include <QSslCertificate>
#include <QSslConfiguration>

void trust_extra_certificates(const QByteArray &pem)
{
    // Nothing to add (the normal build): TLS is not touched, so it is set up with the
    // first request instead of delaying the window.
    if (pem.trimmed().isEmpty())
        return;
    const QList<QSslCertificate> extra = QSslCertificate::fromData(pem, QSsl::Pem);
    if (extra.isEmpty())
        return;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    // Setting CA certificates switches off Qt's loading of the system roots on
    // demand, so they are added explicitly.
    QList<QSslCertificate> all = QSslConfiguration::systemCaCertificates();
    for (const QSslCertificate &certificate : configuration.caCertificates())
        if (!all.contains(certificate))
            all.append(certificate);
    for (const QSslCertificate &certificate : extra)
        if (!all.contains(certificate))
            all.append(certificate);
    configuration.setCaCertificates(all);
    QSslConfiguration::setDefaultConfiguration(configuration);
}
