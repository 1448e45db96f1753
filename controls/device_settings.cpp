// Standby and protocol: edited in the window, written by the apply-settings
// button (controls/settings_writes.cpp).

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "app/mainwindow.h"
#include "app/sequence_guard.h"
#include "app/session.h"
#include "app/style_sheets.h"
#include "controls/controls_state.h"
#include "controls/settings_word.h"
#include "device/device_state.h"
#include "ui_mainwindow.h"

namespace {

const QString not_selected = QStringLiteral("NOT SELECTED");

bool has_placeholder(const QComboBox *box)
{
    return box->count() > 0 && box->itemText(0) == not_selected;
}

} // namespace

void MainWindow::on_pushButton_apply_settings_clicked()
{
    SequenceGuard guard;
    if (guard.refused())
        return;

    settings_word::Choice choice;
    choice.auto_standby = ui->checkBox_auto_stby->isChecked();
    choice.standby_u = !ui->pushButton_stby_u->isEnabled();
    choice.standby_s = !ui->pushButton_stby_s->isEnabled();
    choice.auto_protocol = ui->checkBox_auto_proto->isChecked();
    choice.protocol = settings_word::protocol_number(ui->comboBox_protocol->currentText(), protocol_names);
    // After "Settings are changed!" the labels and pins show what the device now
    // holds, as after identification.
    const session::WriteResult result = session::write_settings(choice);
    if (!result.ok && result.value_sent) {
        // The device may hold the new settings or the old ones: it is asked.
        read_back_device();
    }
}

void MainWindow::on_comboBox_protocol_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    if (settings_locked) {
        protocol_list_edit = false;
        return;
    }
    if (protocol_list_edit) {
        protocol_list_edit = false;
        return;
    }
    const bool placeholder_chosen = ui->checkBox_auto_proto->isChecked()
                                    && ui->comboBox_protocol->currentText() == not_selected;
    if (!placeholder_chosen) {
        // A real protocol was chosen: it replaces the automatic choice.
        if (has_placeholder(ui->comboBox_protocol))
            ui->comboBox_protocol->removeItem(0);
        ui->checkBox_auto_proto->setChecked(false);
    }

    show_pins(has_placeholder(ui->comboBox_protocol) ? -1 : ui->comboBox_protocol->currentIndex());
    protocol_list_edit = false;
}

void MainWindow::on_pushButton_stby_u_clicked()
{
    ui->checkBox_auto_stby->setChecked(false);
    sheets::set(ui->label_stby_u_s, sheets::button("all/stby_u.png"));
    ui->pushButton_stby_u->setEnabled(false);
    ui->pushButton_stby_s->setEnabled(true);
}

void MainWindow::on_pushButton_stby_s_clicked()
{
    ui->checkBox_auto_stby->setChecked(false);
    sheets::set(ui->label_stby_u_s, sheets::button("all/stby_s.png"));
    ui->pushButton_stby_s->setEnabled(false);
    ui->pushButton_stby_u->setEnabled(true);
}

void MainWindow::on_checkBox_auto_stby_stateChanged(int arg1)
{
    Q_UNUSED(arg1)
    if (settings_locked)
        return;
    if (ui->checkBox_auto_stby->isChecked()) {
        sheets::set(ui->label_stby_u_s, sheets::button("all/stby_no.png"));
        ui->pushButton_stby_u->setEnabled(true);
        ui->pushButton_stby_s->setEnabled(true);
    } else {
        // Manual standby starts from U.
        sheets::set(ui->label_stby_u_s, sheets::button("all/stby_u.png"));
        ui->pushButton_stby_u->setEnabled(false);
        ui->pushButton_stby_s->setEnabled(true);
    }
}

void MainWindow::on_checkBox_auto_proto_stateChanged(int arg1)
{
    Q_UNUSED(arg1)
    QComboBox *box = ui->comboBox_protocol;
    if (ui->checkBox_auto_proto->isChecked()) {
        protocol_list_edit = true;
        if (!box->itemText(0).isEmpty() && box->itemText(0) != not_selected)
            box->insertItem(0, not_selected);
        box->setCurrentIndex(0);
        protocol_list_edit = false;
    } else if (has_placeholder(box)) {
        box->removeItem(0);
    }
}
