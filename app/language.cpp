// The interface language is a choice of picture set: every fixed caption is
// drawn into the pictures of ":/eng", ":/de" or ":/ru". The few texts that are not
// pictures (message boxes, accessible names) follow it through a translator.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/accessibility.h"
#include "app/app_state.h"
#include "app/mainwindow.h"
#include "app/style_sheets.h"
#include "app/translation.h"
#include "ui_mainwindow.h"

namespace {

bool shows(QWidget *widget, const QString &file)
{
    return widget->styleSheet().contains(file);
}

} // namespace

void MainWindow::on_comboBox_language_currentIndexChanged(int index)
{
    on_comboBox_language_currentIndexChanged(ui->comboBox_language->itemText(index));
}

void MainWindow::on_comboBox_language_currentIndexChanged(const QString &arg1)
{
    if (arg1 == QLatin1String("ENG"))
        lang_folder = QStringLiteral("eng");
    else if (arg1 == QLatin1String("DE"))
        lang_folder = QStringLiteral("de");
    else if (arg1 == QLatin1String("RU"))
        lang_folder = QStringLiteral("ru");
    use_translation(lang_folder);
    accessibility::update_names(ui->centralWidget);
    change_language();
}

// Rebuilds the language pictures from lang_folder. A widget keeps its state:
// the file name in its sheet (on, off, press, ...) stays, only the folder changes.
void MainWindow::change_language()
{
    // A sheet that is already in place is not set again: the constructor runs this
    // twice, and restyling costs even when nothing changes.
    const QString &folder = lang_folder;
    sheets::set(ui->centralWidget, "image: url(:/" + folder + "/main.png);image-position: left;");

    if (shows(ui->label_marka_model, "no_vehicle.png"))
        sheets::set(ui->label_marka_model, sheets::no_vehicle(folder));

    sheets::refolder(ui->label_text_select_vehicle, folder,
                     {"text_select_new_vehicle.png", "text_select_vehicle.png"}, sheets::label);

    if (shows(ui->label_device, "no_device.png"))
        sheets::set(ui->label_device, sheets::label(folder + "/no_device.png"));

    sheets::refolder(ui->pushButton_apply_car, folder, {"apply_car_on.png", "apply_car_off.png", "apply_car_press.png"},
                     sheets::button);
    sheets::refolder(ui->pushButton_apply_settings, folder, {"apply_settings_on.png", "apply_settings_off.png"},
                     sheets::button);

    if (shows(ui->label_errors, "no_errors.png"))
        sheets::set(ui->label_errors, sheets::label(folder + "/no_errors.png"));

    sheets::set(ui->label_drive_modes, sheets::label(folder + "/drive_modes.png"));
    sheets::set(ui->pushButton_send_errors, sheets::button(folder + "/send_errors_off.png"));
    sheets::set(ui->pushButton_clear_errors, sheets::button(folder + "/clear_errors_off.png"));
    // The installation's overlay shows a picture of what lies under it.
    retake_loading_backdrop();
    prepare_device_window_again();
}
