// Applies a complete query reply to the device state and the widgets that show it.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "app/mainwindow.h"
#include "app/shown_text.h"
#include "app/style_sheets.h"
#include "controls/controls_state.h"
#include "device/decode.h"
#include "device/device_state.h"
#include "device/messages.h"
#include "server/server_state.h"
#include "ui_mainwindow.h"

void MainWindow::decode_reply(int code, const QByteArray &reply)
{
    using message::Code;
    switch (Code(code)) {
    case Code::SerialNumber:
        serial_number = decode::text(reply);
        ui->label_serial_number->setText(shown_text(serial_number));
        break;
    case Code::Hardware:
        hardware_text = decode::version(reply);
        ui->label_hardware->setText(hardware_text);
        break;
    case Code::Firmware:
        firmware_text = decode::version(reply);
        ui->label_firmware->setText(firmware_text);
        break;
    case Code::Key: {
        const decode::Key key = decode::device_key(reply);
        if (key.valid) {
            device_key = key.key;
            auth_key = key.auth_key;
        }
        break;
    }
    case Code::ConfigId: config_id = decode::text(reply); break;
    case Code::Brand: car_brand = decode::text(reply); break;
    case Code::Model: car_model = decode::text(reply); break;
    case Code::Engine: car_engine = decode::text(reply); break;
    case Code::Power: car_power = decode::text(reply); break;
    case Code::Torque: car_torque = decode::text(reply); break;
    case Code::SoftwareLabel: ui->label_software->setText(shown_text(decode::text(reply))); break;
    case Code::ConfigCount: set_avail_config(decode::digits(reply)); break;
    case Code::DriveMode: {
        // Any other value changes nothing.
        const int mode = decode::drive_mode(reply);
        if (mode >= 0 && mode <= 2)
            show_drive_mode(mode);
        break;
    }
    case Code::Settings: {
        const decode::Settings settings = decode::settings(reply);
        standby_text = settings.standby;
        const bool u = settings.standby == QLatin1String("U");
        const bool s = settings.standby == QLatin1String("S");
        sheets::set(ui->label_stby_u_s, sheets::button(u ? "all/stby_u.png" : s ? "all/stby_s.png" : "all/stby_no.png"));
        ui->pushButton_stby_u->setEnabled(!u);
        ui->pushButton_stby_s->setEnabled(!s);

        ui->checkBox_auto_stby->setChecked(settings.auto_standby);
        ui->label_stby->setText(QString(settings.auto_standby ? "AUTO" : "MANUAL") + ", " + standby_text);

        ui->checkBox_auto_proto->setChecked(settings.auto_protocol);
        QString protocol_text = settings.auto_protocol ? "AUTO" : "MANUAL";

        // Protocol numbers 12 to 14 have no name and no pins here: the list
        // shows the placeholder so that a known protocol must be chosen.
        const bool known = settings.protocol_index >= 0 && settings.protocol_index < protocol_names.size();
        protocol_index = known ? settings.protocol_index : -1;
        if (!known) {
            protocol_text += settings.protocol_bit < 0
                ? QStringLiteral(", NOT SELECTED")
                : QStringLiteral(", UNKNOWN %1").arg(settings.protocol_bit);
            ui->comboBox_protocol->insertItem(0, QStringLiteral("NOT SELECTED"));
        } else {
            OBD_pins(protocol_index, true);
            protocol_text += ", " + protocol_names.at(protocol_index);
            ui->comboBox_protocol->setCurrentIndex(protocol_index);
        }
        ui->label_protocol->setText(protocol_text);
        break;
    }
    case Code::PinActivity:
        pin_states = decode::active_protocols(reply);
        for (const int protocol : pin_states)
            OBD_pins(protocol, false);
        break;
    case Code::Indication: {
        const bool on = decode::indication(reply) != 0;
        sheets::set(ui->label_indication_on_off, sheets::indication(on ? "all/indication_on.png" : "all/indication_off.png"));
        ui->pushButton_indication_on->setEnabled(!on);
        ui->pushButton_indication_off->setEnabled(on);
        break;
    }
    default:
        break;
    }
}

// A settings word the device now holds (flags, protocol mask high and low byte:
// one just written) shown as identification shows its reply to query 0x32: the
// standby and protocol controls, their texts and the connector pins. A sheet that
// is already in place is not set again (each set restyles the widget).
void MainWindow::show_settings_word(const QByteArray &word)
{
    lock_settings();
    ui->comboBox_protocol->clear();
    decode_reply(int(message::Code::Settings), word);
    show_pins(protocol_index);
    show_protocol_list();
    unlock_settings();
}
