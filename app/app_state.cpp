#include "app/app_state.h"

QString lang_folder;
QStringList protocol_names;
int USB_read_interval = 5;
int USB_test_interval = 500;
QString api_base_url;
QNetworkAccessManager *network_manager = nullptr;
QMovie *load_movie = nullptr;

QString configured_api_base_url()
{
#ifdef ORV_API_BASE_URL
    return QStringLiteral(ORV_API_BASE_URL);
#else
    return QStringLiteral("https://api.orv.example");
#endif
}
