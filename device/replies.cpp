// Shows what a decoded query reply put into the device state.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "app/mainwindow.h"
#include "app/shown_text.h"
#include "app/style_sheets.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "device/link.h"
#include "device/messages.h"
#include "ui_mainwindow.h"

void MainWindow::show_reply(int code)
{
    using message::Code;
    switch (Code(code)) {
    case Code::SerialNumber: ui->label_serial_number->setText(shown_text(serial_number)); break;
    case Code::Hardware: ui->label_hardware->setText(hardware_text); break;
    case Code::Firmware: ui->label_firmware->setText(firmware_text); break;
    case Code::SoftwareLabel: ui->label_software->setText(shown_text(software_label)); break;
    case Code::DriveMode:
        if (drive_mode >= 0)
            show_drive_mode(drive_mode);
        break;
    case Code::Settings: {
        const bool u = standby_text == QLatin1String("U");
        const bool s = standby_text == QLatin1String("S");
        sheets::set(ui->label_stby_u_s, sheets::button(u ? "all/stby_u.png" : s ? "all/stby_s.png" : "all/stby_no.png"));
        ui->pushButton_stby_u->setEnabled(!u);
        ui->pushButton_stby_s->setEnabled(!s);

        ui->checkBox_auto_stby->setChecked(auto_standby);
        ui->label_stby->setText(QString(auto_standby ? "AUTO" : "MANUAL") + ", " + standby_text);

        ui->checkBox_auto_proto->setChecked(auto_protocol);
        QString protocol_text = auto_protocol ? "AUTO" : "MANUAL";

        // A protocol without a name here: the list shows the placeholder so that a
        // known protocol must be chosen.
        if (protocol_index < 0) {
            protocol_text += protocol_bit < 0 ? QStringLiteral(", NOT SELECTED")
                                              : QStringLiteral(", UNKNOWN %1").arg(protocol_bit);
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
        for (const int protocol : qAsConst(pin_states))
            OBD_pins(protocol, false);
        break;
    case Code::Indication: {
        const bool on = indication_state == 1;
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
// one just written), already in the device state, shown as identification shows its
// reply to query 0x32: the standby and protocol controls, their texts and the
// connector pins. A sheet that is already in place is not set again (each set
// restyles the widget).
void MainWindow::show_settings_word()
{
    lock_settings();
    ui->comboBox_protocol->clear();
    show_reply(int(message::Code::Settings));
    show_pins(protocol_index);
    show_protocol_list();
    unlock_settings();
}
