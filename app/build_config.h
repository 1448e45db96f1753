#ifndef BUILD_CONFIG_H
#define BUILD_CONFIG_H

#include <QByteArray>
#include <QString>

// What a build fixes and nothing at run time changes: the API server every
// request goes to, and the extra CA certificates a staging build trusts.
// Each program links one build configuration (CMake ORV_API_BASE_URL and
// ORV_EXTRA_CA_FILE for the configurator itself).

// https://host[:port] of the API server, no trailing slash.
QString configured_api_base_url();

// PEM text of the extra trusted CA certificates; empty in a normal build.
QByteArray compiled_in_ca_certificates();

#endif // BUILD_CONFIG_H
