#include "state_reset.h"

#include "app/app_state.h"
#include "app/message_box.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "device/usb_state.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"

void reset_shared_state()
{
    lang_folder.clear();
    protocol_names.clear();
    USB_read_interval = 5;
    USB_test_interval = 500;
    api_base_url.clear();
    network_manager = nullptr;

    TX_data = QByteArray(64, '\0');
    TX_packet = QByteArray(64, '\0');
    TX_base64 = QByteArray(64, '\0');
    TX_report.clear();
    RX_report.clear();
    RX_base64 = QByteArray(64, '\0');
    RX_packet = QByteArray(64, '\0');
    RX_chunk = QByteArray(64, '\0');
    RX_data = QByteArray(64, '\0');
    TX_code = TX_offset = RX_offset = RX_next_offset = RX_miss_count = 0;
    TX_query = TX_command = TX_multi = RX_complete = false;
    USB_error = USB_write_error_shown = false;
    USB_wait = 0;
    USB_stall_count = USB_high_offset = 0;
    USB_last_end.invalidate();
    USB_pause = 5;
    USB_read_delay = 50;
    USB_drain_pending = false;
    quiet_repeats_end();
    quiet_repeats_forget();

    device_open = widgets_cleared = USB_open_error_shown = false;
    USB_first_tick = true;
    device_list = nullptr;
    forget_device_identity();
    protocol_index = 0;

    server_timeout = 20000;
    server_error = false;
    token_rejected = false;
    auth_key.clear();
    server_pending = nullptr;
    server_wait = 0;
    marka_titles.clear();
    marka_ids.clear();
    model_titles.clear();
    model_ids.clear();
    modif_titles.clear();
    modif_power.clear();
    modif_moment.clear();
    modif_ids.clear();
    modif_items.clear();
    marka_popup = model_popup = model_exactly_popup = false;
    avail_config = 0;

    vehicle_id.clear();
    settings_id.clear();
    software_id.clear();
    soft_file.clear();

    settings_locked = false;
    protocol_list_edit = false;
}
