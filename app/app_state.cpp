#include "app/app_state.h"

#include "app/message_box.h"

QString lang_folder;
QStringList protocol_names;
int USB_read_interval = 5;
int USB_test_interval = 500;
QString api_base_url;
QNetworkAccessManager *network_manager = nullptr;
QMovie *load_movie = nullptr;

void reset_app_state()
{
    lang_folder.clear();
    protocol_names.clear();
    USB_read_interval = 5;
    USB_test_interval = 500;
    api_base_url.clear();
    network_manager = nullptr;
    load_movie = nullptr;
    quiet_repeats_end();
    quiet_repeats_forget();
    open_boxes();
}
