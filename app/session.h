#ifndef SESSION_H
#define SESSION_H

// The device and server sequences without widgets: opening, exchanging with and
// dropping the device, identification and the read-back, the settings writes,
// the catalogue, the installation, and the rules of the boxes. The window and
// orvctl are two faces on them: a face attaches its timers and its View, calls a
// sequence and shows what it returns; what a sequence reads and decides meanwhile
// reaches the View synchronously, where the sequence is at that moment.
//
// What the sequences read stays in the state headers, under the names the window
// has always used: device/device_state.h (serial_number, firmware_text, car_brand,
// drive_mode, ...), server/server_state.h (avail_config, marka_titles, marka_ids,
// ..., modif_ids), tuning/tuning_state.h.
//
// Links Qt Core and Qt Network only.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "controls/settings_word.h"
#include "device/open_hint.h"

class QObject;
class QTimer;
struct CatalogueList;
enum class ListKind;

namespace session {

// What a face shows. Every call comes on the thread that runs the sequences, in
// the order the sequence reaches it; the defaults show nothing.
class View
{
public:
    virtual ~View();

    // A box the rules let through (not muted, not a repeat during a failing
    // identification, the face not closed). `title`, `text` and `informative` are
    // source texts of the translation context "MainWindow"
    // (QCoreApplication::translate("MainWindow", text)); `informative` is null or
    // has %1, %2 ... for `arguments`.
    virtual void box(const char *title, const char *text, const char *informative,
                     const QStringList &arguments) = 0;
    // Asked before the rules, for every box: false drops it (the window holds a box
    // back while its close question is open, and drops it after "Yes").
    virtual bool box_may_come(const char *text);

    // A query's reply was decoded into the device state (message::Code of the query).
    virtual void reply_decoded(int code);
    // The first six messages of identification are over (whatever their outcome).
    virtual void identity_read();
    // The configuration id is known: `configured` when the device holds a vehicle,
    // whose texts are asked for next.
    virtual void stored_vehicle_known(bool configured);
    // The stored vehicle's five texts are in (car_brand ... car_torque).
    virtual void stored_vehicle_read();

    // A settings write (from 0x03 to 0x24) begins and ends.
    virtual void write_begins();
    virtual void write_ends();
    // The device now holds this settings word (flags, mask high, mask low); the
    // device state already shows it.
    virtual void settings_word_held(const QByteArray &word);

    // The software message of an installation goes out: the figures of the transfer.
    virtual void transfer_visible(bool visible);
    virtual void transfer_progress(int done, int total);

    // The server's count is in avail_config.
    virtual void config_count_read();
    // A catalogue list arrived (already in the server state's lists); the face may
    // take what it shows from `list`.
    virtual void list_read(ListKind kind, CatalogueList &list);
    // A catalogue request is over: its list is in place, or it failed (its box has
    // been shown). `unlock` is what the window does with its controls then.
    virtual void list_done(bool failed, bool unlock);

    // The installation stops before writing anything, just before its box.
    virtual void install_stops();
    // The installation was reported and the count asked again: what the window shows
    // of the new vehicle, just before "Vehicle is changed!".
    virtual void vehicle_installed(const QString &brand, const QString &model, const QString &engine_text);
};

// What a face lends the sequences. `context` owns every connection the sequences
// make (a reply's handler, a list read on a worker thread): what arrives after it is
// gone is not taken. The read timer must be a precise timer; the presence and server
// timers may be null (a face that does not watch for devices, that asks no server).
struct Face
{
    View *view = nullptr;
    QObject *context = nullptr;
    QTimer *read_timer = nullptr;
    QTimer *presence_timer = nullptr;
    QTimer *server_timer = nullptr;
};
void attach(const Face &face);
void detach();

// The timers' work: the read timer's timeout runs read_tick, the server timer's
// server_timeout.
void read_tick();
void server_timeout();

// ---- The device

// A device of the kind (vendor 0x1FC9, product 0x0087) as the system lists it.
struct DeviceNode
{
    QString path;        // the hidraw node
    QString usb_serial;  // the USB descriptor's serial string; empty when it has none
};
QList<DeviceNode> device_nodes();

enum class OpenStatus {
    Opened,
    NoDevice,   // none of the kind is present (or not the one asked for)
    Failed,     // it is there but cannot be opened: `hint` says why, when known
    InUse,      // another program holds it
};
struct Opening
{
    OpenStatus status = OpenStatus::NoDevice;
    OpenHint hint;
    QString path;
};
// Opens the device at `path`, or the first of the kind that no other program holds
// when `path` is empty (as the window does), and holds it against every other program
// until it is dropped.
Opening open_device(const QString &path = QString());
// A failed open's box: "USB not opened! ..." with its hint, once until a device opens.
void report_open_failure(const Opening &opening);
// The identification queries and, with `ask_server`, the server's count and (when
// configurations are left) its brands. Stops at the first failure (its box shown);
// a device that keeps failing shows each of its boxes once per plug-in.
enum class Identified {
    Yes,
    DeviceFailed,   // a message failed, or the device went while the server was asked
    ServerFailed,   // the server refused the device's token or did not answer
};
Identified identify(bool ask_server = true);
// The open device still answers a read.
bool device_present();
// Forgets the open device and everything read from it; closes its handle.
void drop_device();
// Closes the device (if open) and ends the HID library: the last call of a face.
void finish();
// Reads back every value identification reads after the configuration id, with the
// configuration id, boxes muted. False when the device did not answer.
bool read_back();

// Whether the device offers drive modes: a configured OR+.
bool drive_modes_offered();

struct WriteResult
{
    bool ok = false;          // every message went through: "Settings are changed!" shown
    bool value_sent = false;  // the value message went out: the device may hold it
    bool refused = false;     // nothing was sent ("Wrong settings!" shown for settings)
};
WriteResult write_drive_mode(int mode);      // 0 stock, 1 eco, 2 dynamic
WriteResult write_indication(bool on);
WriteResult write_settings(const settings_word::Choice &choice);

// ---- The server

// The catalogue. A list request for an item that has no usable id shows
// "Server connection error!" and asks nothing. True when the list is in place.
bool request_brands();
// Whether a catalogue id can go into a URL; one that cannot shows "Server connection
// error!".
bool catalogue_id_usable(const QString &id);
bool request_models(const QString &brand_id);
bool request_engines(const QString &model_id);
// The count of configurations left (avail_config).
bool request_count();

// ---- The installation

struct InstallChoice
{
    bool chosen = false;  // a brand, a model and an engine are chosen
    int engine = -1;      // the engine's position in the server's engine list (modif_ids)
    QString brand;        // brand and model titles, as the device is to show them
    QString model;
};
enum class InstallStage {
    Refused,     // nothing asked or sent: not chosen, no configurations left, vehicle too long
    ServerFailed,// the server failed before anything was written
    Written,     // the device was written but the installation did not end well
    Installed,   // written, reported, "Vehicle is changed!"
};
struct InstallResult
{
    InstallStage stage = InstallStage::Refused;
    bool wrote() const { return stage == InstallStage::Written || stage == InstallStage::Installed; }
};
// Settings record, software, checks, the fourteen-message write, the report and the
// count again. The read-back after a Written stage is the face's to run.
InstallResult install_vehicle(const InstallChoice &choice);

// The software transfer's figures, as the window shows them: percent, and the time
// left estimated from `elapsed_ms` (-1 when not estimated yet).
struct TransferFigures
{
    int percent = 0;
    qint64 seconds_left = -1;
    QString text;  // "Writing software: 42%  -  1 min 05 s left"
};
TransferFigures transfer_figures(int done, int total, qint64 elapsed_ms);

// ---- Close

// A write to the device runs, or an installation's report is on its way.
bool write_running();
bool report_running();
// The face closes: the exchange and the request in flight end at once as failed,
// nothing more goes to the device or the server, and no box is shown. `reopen`
// opens the way again (a new window).
void close();
void reopen();

} // namespace session

#endif // SESSION_H
