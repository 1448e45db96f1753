#include "app/app_state.h"

QString lang_folder;
QStringList protocol_names;
int USB_read_interval = 5;
int USB_test_interval = 500;
QString api_base_url;
QNetworkAccessManager *network_manager = nullptr;
QMovie *load_movie = nullptr;
