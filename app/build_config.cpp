#include "app/build_config.h"

#include <QFile>

#ifndef ORV_API_BASE_URL
#error "ORV_API_BASE_URL must name the API server of this build"
#endif

QString configured_api_base_url()
{
    return QStringLiteral(ORV_API_BASE_URL);
}

QByteArray compiled_in_ca_certificates()
{
#ifdef ORV_EXTRA_CA_RESOURCE
    QFile file(QStringLiteral(ORV_EXTRA_CA_RESOURCE));
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
#endif
    return QByteArray();
}
