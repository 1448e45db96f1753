#include "app/session_state.h"

#include "app/boxes.h"

QStringList protocol_names;
int USB_read_interval = 5;
int USB_test_interval = 500;
QString api_base_url;
QNetworkAccessManager *network_manager = nullptr;

void reset_session_state()
{
    protocol_names.clear();
    USB_read_interval = 5;
    USB_test_interval = 500;
    api_base_url.clear();
    network_manager = nullptr;
    quiet_repeats_end();
    quiet_repeats_forget();
    open_boxes();
}
