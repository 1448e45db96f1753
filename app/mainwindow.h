#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QString>
#include <QVector>
#include <functional>

#include <hidapi.h>

class QByteArray;
class QNetworkReply;
class QTimer;
template <typename T> class QPointer;
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
    // app/language.cpp: switches to the language of this item text ("ENG", "DE", "RU");
    // any other text keeps the current one. Not a slot, so nothing connects it by name.
    void on_comboBox_language_currentIndexChanged(const QString &arg1);
    // device/exchange.cpp: one message out, its answer in; false when it failed.
    bool USB_exchange(const QByteArray &message);
    // device/transport.cpp: the end of every exchange, whatever its outcome.
    void USB_end_exchange();
    // device/transport.cpp: a reply that arrived well framed but is unusable
    // (an identity that cannot be sent to the server) fails its exchange.
    void USB_reject_reply();
    // device/exchange.cpp: reads away the reports of an exchange that failed.
    void USB_drain_reports();
    // device/presence.cpp
    bool device_present();
    void drop_device();
    void abandon_device();
    // device/identify.cpp
    bool identify_device();
    bool read_device_values(const std::function<bool(const QByteArray &)> &ask);
    bool show_stored_vehicle(const std::function<bool(const QByteArray &)> &ask);
    void read_back_device();
    // device/obd_pins.cpp: pin_1 .. pin_16 in order.
    QVector<class QLabel *> pin_labels() const;
    // device/replies.cpp: applies a complete query reply to state and widgets;
    // shows a settings word the device holds as its reply to query 50 is shown.
    void decode_reply(int code, const QByteArray &reply);
    void show_settings_word(const QByteArray &word);
    // device/obd_pins.cpp: every pin's final colour, each sheet set once.
    void show_pins(int red_protocol);
    // server/request.cpp: sends one request and waits for its handler or the
    // watchdog. False when the watchdog (or the application quitting) ended it.
    enum class Endpoint { LimitInfo, Brands, Models, Engines, Settings, Software, InstallSuccess };
    bool server_request(Endpoint endpoint, const QString &path_and_query,
                        const QByteArray &post_body = QByteArray());
    QNetworkReply *take_reply(QPointer<QNetworkReply> &holder);
    void finish_reply(QNetworkReply *reply);
    // server/catalogue.cpp
    void finish_list_reply(QPointer<QNetworkReply> &holder, const char *error_text, bool unlock_after_fill,
                           ListKind kind, const std::function<void(struct CatalogueList &)> &apply);
    // tuning/vehicle_write.cpp: the fourteen-message write; false when it stopped on a failure.
    bool write_vehicle(const struct VehicleRecord &record);
    // tuning/progress.cpp: software transfer progress inside the loading overlay.
    void show_transfer_progress(int done, int total);
    void set_transfer_progress_visible(bool visible);
    // tuning/loading_overlay.cpp: the overlay over the vehicle boxes during an installation.
    void show_loading();
    void hide_loading();
    void retake_loading_backdrop();
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
    // controls/drive_modes.cpp: the bracket 0x03, value, 0x21, 0x24; false at
    // the first failed exchange. `value_sent` tells whether the value went out.
    bool write_settings(const QByteArray &value_message, bool *value_sent);
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
