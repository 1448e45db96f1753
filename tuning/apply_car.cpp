// The installation's button: the chosen vehicle goes to the installation
// (tuning/install.cpp) while the window is locked and shows its overlay; every path
// ends in the same finish.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "app/combo_items.h"
#include "app/mainwindow.h"
#include "app/sequence_guard.h"
#include "app/session.h"
#include "app/shown_text.h"
#include "app/style_sheets.h"
#include "app/widget_snapshot.h"
#include "server/server_state.h"
#include "tuning/tuning_state.h"
#include "ui_mainwindow.h"

namespace {

// The controls disable_widgets leaves alone, locked while an installation runs.
WidgetLock *install_others = nullptr;

} // namespace

void MainWindow::on_pushButton_apply_car_clicked()
{
    SequenceGuard guard;
    if (guard.refused())
        return;

    close_vehicle_popups();
    disable_widgets();
    // Nothing else may start a device or server sequence while the run waits:
    // the controls that disable_widgets leaves alone are locked too, and
    // unlocked as they were when the run is over.
    WidgetLock others({ui->pushButton_dynamic, ui->pushButton_eco, ui->pushButton_stock, ui->pushButton_stby_u,
                       ui->pushButton_stby_s, ui->checkBox_auto_stby, ui->checkBox_auto_proto,
                       ui->pushButton_marka, ui->pushButton_model, ui->pushButton_model_exactly});
    install_others = &others;
    sheets::set(ui->pushButton_apply_car, sheets::button(lang_folder + "/apply_car_press.png"));
    show_loading();

    session::InstallChoice choice;
    choice.chosen = ui->comboBox_marka->currentIndex() != 0 && ui->comboBox_model->currentIndex() != 0
                    && ui->comboBox_model_exactly->currentIndex() != 0;
    // The chosen items, by their place in the server's lists: a shown text may
    // be cut, and only the item says which of two equal texts was meant.
    choice.engine = chosen_position(ui->comboBox_model_exactly);
    choice.brand = marka_titles.value(chosen_position(ui->comboBox_marka), ui->comboBox_marka->currentText());
    choice.model = model_titles.value(chosen_position(ui->comboBox_model), ui->comboBox_model->currentText());
    const session::InstallResult result = session::install_vehicle(choice);
    install_others = nullptr;

    // Finish, on every path.
    hide_loading();
    sheets::set(ui->pushButton_apply_car, sheets::button(lang_folder + "/apply_car_on.png"));
    others.release();
    enable_widgets();
    ui->comboBox_marka->setCurrentIndex(0);
    show_placeholder_only(ui->comboBox_model, QStringLiteral("MODEL"));
    show_placeholder_only(ui->comboBox_model_exactly, QStringLiteral("ENGINE"));

    // The device may hold part of the new vehicle and its settings, or all of
    // it without the report: the window shows what it really holds.
    if (result.stage == session::InstallStage::Written)
        read_back_device();
}

// The installation was reported: the window shows the new vehicle as the device now
// holds it, just before "Vehicle is changed!".
void MainWindow::show_installed_vehicle(const QString &brand, const QString &model, const QString &engine_text)
{
    if (install_others)
        install_others->release();
    sheets::set(ui->label_marka_model, sheets::text_only());
    ui->label_marka_model->setText(shown_text(brand + "   " + model));
    ui->label_modif_power_torque->setText(shown_text(engine_text));
    ui->label_software->setText(shown_text(software_id));
    sheets::set(ui->label_text_select_vehicle, sheets::label(lang_folder + "/text_select_new_vehicle.png"));
    // The write set automatic standby and protocol, and DYNAMIC.
    show_settings_word();
    select_drive_mode(2);
    ui->label_avail_config->setText(QString::number(avail_config));
    hide_loading();
}
