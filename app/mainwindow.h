#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QString>
#include <QVector>

#include <hidapi.h>

class QTimer;
enum class ListKind;

namespace Ui {
class MainWindow;
}

// The configurator's one window. Its slots live in the subsystem folders:
// app/ (shell, language, widget resets), device/ (transport, identification,
// replies, pins), server/ (requests, catalogue, count), tuning/ (vehicle
// installation) and controls/ (drive modes, indication, standby, protocol).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow();

public slots:
    void myTimer_server();
    void myTimer_USB_test();
    void myTimer_USB_read();
    void USB_write();
    void USB_packets();
    void USB_clear_data();
    void USB_check_TX();
    void enable_widgets();
    void disable_widgets();
    void clear_widgets();
    void change_language();
    void OBD_pins(int id, bool red_yellow);

private slots:
    void marka_changed(QString marka_sel);
    void model_changed(QString model_sel);
    void finishedSlot_marks();
    void finishedSlot_models();
    void finishedSlot_modifications();
    void finishedSlot_GetSets();
    void finishedSlot_GetSoftCar();
    void finishedSlot_PostSettingsOk();
    void finishedSlot_GetConfigCount();
    void on_pushButton_apply_car_clicked();
    void on_pushButton_marka_clicked();
    void on_pushButton_model_clicked();
    void on_pushButton_model_exactly_clicked();
    // The two combo-box slots connected by name take the index: the signal with the item's
    // text is gone in Qt 6, and a slot that matches no signal would silently never run.
    void on_comboBox_language_currentIndexChanged(int index);
    void on_pushButton_dynamic_clicked();
    void on_pushButton_eco_clicked();
    void on_pushButton_stock_clicked();
    void on_pushButton_indication_on_clicked();
    void on_pushButton_indication_off_clicked();
    void on_pushButton_apply_settings_clicked();
    void on_comboBox_protocol_currentIndexChanged(int index);
    void on_pushButton_stby_u_clicked();
    void on_pushButton_stby_s_clicked();
    void on_checkBox_auto_stby_stateChanged(int arg1);
    void on_checkBox_auto_proto_stateChanged(int arg1);

private:
    // The window as the sequences' face (app/window_view.cpp) calls what follows.
    friend class WindowView;
    friend void attach_window(MainWindow *window);

    // app/language.cpp: switches to the language of this item text ("ENG", "DE", "RU");
    // any other text keeps the current one. Not a slot, so nothing connects it by name.
    void on_comboBox_language_currentIndexChanged(const QString &arg1);
    // device/presence.cpp
    void drop_device();
    void abandon_device();
    // device/device_slots.cpp: what identification shows as it goes; the read-back.
    void show_identity_read();
    void show_stored_vehicle_known(bool configured);
    void show_stored_vehicle();
    void read_back_device();
    // device/obd_pins.cpp: pin_1 .. pin_16 in order.
    QVector<class QLabel *> pin_labels() const;
    // device/replies.cpp: shows what a decoded query reply (its code) put into the
    // device state; the settings word the device now holds, as its reply to query 0x32
    // is shown.
    void show_reply(int code);
    void show_settings_word();
    // device/obd_pins.cpp: every pin's final colour, each sheet set once.
    void show_pins(int red_protocol);
    // server/server_slots.cpp, server/catalogue.cpp: the count; a list in its box.
    void show_config_count();
    void show_list(ListKind kind, struct CatalogueList &list);
    // tuning/progress.cpp: software transfer progress inside the loading overlay.
    void show_transfer_progress(int done, int total);
    void set_transfer_progress_visible(bool visible);
    // tuning/loading_overlay.cpp: the overlay over the vehicle boxes during an installation.
    void show_loading();
    void hide_loading();
    void retake_loading_backdrop();
    // tuning/apply_car.cpp: the new vehicle, once its installation is reported.
    void show_installed_vehicle(const QString &brand, const QString &model, const QString &engine_text);
    // app/widget_states.cpp: what disable_widgets and enable_widgets switch.
    QVector<QWidget *> controlled_group() const;
    // app/widget_states.cpp: the values read from a device shown as before
    // identification; the identified device's window.
    void clear_device_values();
    void enter_device_state();
    void show_protocol_list();
    void style_language_box();
    void style_vehicle_boxes();
    void prepare_device_window();
    void prepare_device_window_again();
    QVector<QWidget *> vehicle_choice_widgets() const;
    // app/widget_states.cpp: the standby and protocol editors a settings write locks.
    QVector<QWidget *> settings_controls() const;
    // controls/drive_modes.cpp: what a settings write locks while it runs; the modes.
    void lock_for_write(bool locked);
    void show_drive_mode(int mode);
    void select_drive_mode(int mode);
    void write_drive_mode(int mode);
    void write_indication(bool on);
    void undo_failed_write(const class WidgetSnapshot &before, bool value_sent);

    hid_device *device_handle = nullptr;
    Ui::MainWindow *ui;
    QTimer *timer_server;
    QTimer *timer_USB_read;
    QTimer *timer_USB_test;
};

#endif // MAINWINDOW_H
