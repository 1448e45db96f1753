// The fault matrix, end to end through the in-process device and the local API
// server: every device fault at every message of identification, of a
// drive-mode write, of a settings write and of the vehicle installation, and
// every server fault at every request. One row per cell, named
// "<sequence> / <message or request> / <fault>"; what each cell must end in
// comes from the rule table in expect(), not from the rows. At the end the
// matrix is printed with the cells passed.
//
// ctest runs a fixed sample (every fault kind at least once per sequence);
// ORV_FAULT_MATRIX=full runs every cell (bench/faultmatrix.sh). Each cell of the
// sample also ends in a transcript (the wire with its timing floors, the server's
// log, the boxes, the window) compared with tests/golden/faultmatrix/<cell>.txt.

#include <QtTest>
#include <QComboBox>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <cstdio>
#include <map>

#include "api_server.h"
#include "app/app_state.h"
#include "app/sequence_guard.h"
#include "app/mainwindow.h"
#include "device/device_state.h"
#include "server/server_state.h"
#include "sim_bus.h"
#include "support/rig.h"
#include "support/transcript.h"
#include "support/window_snapshot.h"

namespace {

using apiserver::Endpoint;
using apiserver::FaultKind;

// Two vehicles: a short one, and one whose texts make their messages chunked.
const char *const catalogue_json = R"({"brands":[
  {"id":1,"title":"Matrix","models":[{"id":"m-1","title":"Short","engines":[
    {"id":"v-1","title":"1.0","power":70,"moment":95,"settingsId":1,"softwareId":"SW-1","softwareSize":40}]}]},
  {"id":2,"title":"Matrix Long Brand Name","models":[{"id":"m-2","title":"Model With A Long Name","engines":[
    {"id":"v-200000000000000002","title":"2.0 Engine With A Long Title","power":150,"moment":320,
     "settingsId":2,"softwareId":"SW-LONG-SOFTWARE-ID-02","softwareSize":40}]}]}]})";

struct Vehicle {
    const char *brand, *model, *engine_text;
    QByteArray id, title, power, torque, software_id;
};
const Vehicle short_vehicle{"Matrix", "Short", "1.0 70HP 95NM", "v-1", "1.0", "70", "95", "SW-1"};
const Vehicle long_vehicle{"Matrix Long Brand Name", "Model With A Long Name", "2.0 Engine With A Long Title 150HP 320NM",
                           "v-200000000000000002", "2.0 Engine With A Long Title", "150", "320",
                           "SW-LONG-SOFTWARE-ID-02"};
constexpr int software_size = 40;

// A stored text this long comes back in chunks, with a whole chunk past the second.
const QByteArray long_tail = "-AND-ENOUGH-TEXT-TO-COME-IN-CHUNKS";

enum class Seq { Identification, DriveMode, Settings, Catalogue, Installation };
const char *const seq_names[] = {"identification", "drive mode", "settings", "catalogue", "installation"};

enum DeviceFault { NoReply, Fail, FailConnection, LowerAck, ChunkGap, Garbage, Unplug };
constexpr int device_fault_count = 7;
const char *const device_fault_names[] = {"no reply", "0xF1", "0xF1 0xF3", "lower ack", "chunk gap", "garbage", "unplug"};

enum ServerFault { TimeOut, Unauthorized, Status500, NonJson, ZeroByte, Redirect, Untrusted, Dropped };
constexpr int server_fault_count = 8;
const char *const server_fault_names[] = {"time-out", "401 token", "500", "non-JSON", "zero byte",
                                          "redirect", "untrusted cert", "dropped"};

// A message of a device sequence, or a server request.
struct Step {
    const char *name;
    QByteArray message;                        // device: the message, or its first byte for a written value
    int size = 0;                              // device: bytes of the message (the long vehicle's, when written)
    QByteArray SimDeviceState::*text = nullptr; // a query whose reply is a stored text (a long one is chunked)
    const char *short_reply = nullptr;         // otherwise why the reply never comes in chunks
    Endpoint endpoint = Endpoint::Any;         // a request
};

QByteArray bytes(const char *hex_text) { return QByteArray::fromHex(hex_text); }

const char *const command_reply = "a command is answered with one 0xF0 packet";

QVector<Step> identification_steps()
{
    using S = SimDeviceState;
    return {{"03", bytes("03"), 1, nullptr, command_reply},
            {"09 0a serial number", bytes("090a"), 2, &S::serial},
            {"09 0d 04 device key", bytes("090d04"), 3, &S::key},
            {"09 0c firmware", bytes("090c"), 2, nullptr, "the reply has 6 bytes"},
            {"09 0b hardware", bytes("090b"), 2, nullptr, "the reply has 6 bytes"},
            {"09 14 configuration id", bytes("0914"), 2, &S::config_id},
            {"09 15 brand", bytes("0915"), 2, &S::brand},
            {"09 16 model", bytes("0916"), 2, &S::model},
            {"09 17 engine", bytes("0917"), 2, &S::engine},
            {"09 18 power", bytes("0918"), 2, &S::power},
            {"09 19 torque", bytes("0919"), 2, &S::torque},
            {"09 1a software label", bytes("091a"), 2, &S::software_label},
            {"09 1c drive mode", bytes("091c"), 2, nullptr, "the reply has 2 bytes"},
            {"09 34 indication", bytes("0934"), 2, nullptr, "the reply has 3 bytes"},
            {"09 33 pin activity", bytes("0933"), 2, nullptr, "the reply has 3 bytes"},
            {"09 32 standby and protocol", bytes("0932"), 2, nullptr, "the reply has 4 bytes"}};
}

QVector<Step> bracket(const char *name, const char *value)
{
    const QByteArray message = bytes(value);
    return {{"03", bytes("03"), 1, nullptr, command_reply},
            {name, message.left(1), int(message.size()), nullptr, command_reply},
            {"21", bytes("21"), 1, nullptr, command_reply},
            {"24", bytes("24"), 1, nullptr, command_reply}};
}

QVector<Step> installation_steps()
{
    const Vehicle &v = long_vehicle;
    const auto write = [](const char *name, const char *code, int size) {
        return Step{name, bytes(code), size, nullptr, command_reply};
    };
    return {write("03", "03", 1),
            write("14 vehicle id", "14", 1 + v.id.size()),
            write("15 brand", "15", 1 + int(qstrlen(v.brand))),
            write("16 model", "16", 1 + int(qstrlen(v.model))),
            write("17 engine title", "17", 1 + v.title.size()),
            write("18 power", "18", 1 + v.power.size()),
            write("19 torque", "19", 1 + v.torque.size()),
            write("1a software id", "1a", 1 + v.software_id.size()),
            write("32 0c 00 00 settings", "32", 4),
            write("1c 02 drive mode", "1c", 2),
            write("1b count", "1b", 2),
            write("21", "21", 1),
            write("24", "24", 1),
            write("1e software file", "1e", 3 + software_size + 2)};
}

Step request(const char *name, Endpoint endpoint)
{
    Step step{name, {}};
    step.endpoint = endpoint;
    return step;
}

const QVector<Step> &steps(Seq seq, bool server)
{
    static const QVector<Step> device_steps[] = {identification_steps(), bracket("1c 01 drive mode", "1c01"),
                                                 bracket("32 0c 00 00 settings", "320c0000"), {},
                                                 installation_steps()};
    static const QVector<Step> requests[] = {
        {request("limit request", Endpoint::LimitInfo), request("brand list", Endpoint::Brand)},
        {}, {},
        {request("model list", Endpoint::Model), request("engine list", Endpoint::Vehicle)},
        {request("settings record", Endpoint::Settings), request("software file", Endpoint::Software),
         request("install report", Endpoint::Install), request("limit refresh", Endpoint::LimitInfo)}};
    return (server ? requests : device_steps)[int(seq)];
}

struct Cell {
    Seq seq = Seq::Identification;
    bool server = false;
    int step = 0;
    int fault = 0;
    const Step &the_step() const { return steps(seq, server).at(step); }
};

// How a sequence ends.
enum class End {
    Identified,  // the device identified and shown
    Retried,     // dropped and the window cleared; identified anew by a later tick
    Cleared,     // the device is gone: the window in its no-device state, the handle closed
    Restored,    // the window as before the sequence (a catalogue level: only its placeholder)
    Installed,   // the new vehicle in the device and the window
    ReadBack,    // no success; the window shows what the device holds after the partial write
};

struct Expect {
    QString na;            // why the cell cannot apply; empty when it applies
    QStringList boxes;     // "title / text", in order, each once
    End end = End::Identified;
    bool filled = false;   // the list the sequence loads has items (identification: brands)
    bool report = false;   // the installation may be reported to the server
};

const QString vehicle_changed = "Info / Vehicle is changed!";
const QString no_server = "Error! / No connection to server!";

QString transport_box(int fault)
{
    switch (fault) {
    case NoReply: return "Error! / No connection! Please reconnect device!";
    case FailConnection: return "Error! / Connection error! Please reconnect device!";
    case Unplug: return "Error! / USB write error! Please reconnect device!";
    default: return "Error! / Transmission error! Please reconnect device!";
    }
}

// The rule table. A device fault fails the exchange (a lower acknowledgement
// only makes the host resend); every failure stops its sequence. A server
// fault is an error reply, a time-out, a 200 page that is not JSON, or a
// harmless zero byte after the answer; each request says what follows.
Expect expect(const Cell &cell)
{
    Expect e;
    const Step &step = cell.the_step();
    if (!cell.server) {
        if (cell.fault == LowerAck && step.size <= 16)
            e.na = QStringLiteral("the message has %1 byte%2 and goes in one packet")
                       .arg(step.size)
                       .arg(step.size == 1 ? "" : "s");
        else if (cell.fault == ChunkGap && !step.text)
            e.na = step.short_reply;
        if (cell.fault == LowerAck) {
            e.boxes = QStringList{vehicle_changed};
            e.end = End::Installed;
            e.report = true;
            return e;
        }
        e.boxes = QStringList{transport_box(cell.fault)};
        // A settings write that failed once its value went out is read back: the
        // device may hold the value whatever the answers said.
        const bool value_sent = cell.step >= 1;
        e.end = cell.fault == Unplug ? End::Cleared
                : cell.seq == Seq::Identification ? End::Retried
                : cell.seq == Seq::Installation || value_sent ? End::ReadBack
                                                              : End::Restored;
        e.filled = true;
        return e;
    }

    const bool timeout = cell.fault == TimeOut;
    const bool harmless = cell.fault == ZeroByte;
    const bool error = !timeout && !harmless && cell.fault != NonJson;
    const bool limit = step.endpoint == Endpoint::LimitInfo;
    const QString error_box = cell.fault == Unauthorized && limit ? "Error! / Server connection error! Error code 110"
                              : step.endpoint == Endpoint::Brand   ? "Error! / Server error!"
                              : cell.seq == Seq::Catalogue         ? "Error! / Server connection error!"
                                                                   : "Error! / Server connection error";
    const QStringList box = timeout ? QStringList{no_server} : error ? QStringList{error_box} : QStringList();
    switch (cell.seq) {
    case Seq::Identification:
        // A rejected token drops the device; any other failure leaves no count, so no brands.
        e.boxes = box;
        e.end = cell.fault == Unauthorized && limit ? End::Retried : End::Identified;
        e.filled = harmless || e.end == End::Retried;
        break;
    case Seq::Catalogue:
        e.boxes = box;
        e.end = End::Restored;
        e.filled = harmless;
        break;
    default:
        if (step.endpoint == Endpoint::Settings || step.endpoint == Endpoint::Software) {
            // Without a record or a file nothing is written: a page instead fails too.
            const bool fails = !harmless;
            e.boxes = fails ? (timeout ? box : QStringList{error_box}) : QStringList{vehicle_changed};
            e.end = fails ? End::Restored : End::Installed;
            e.report = !fails;
        } else if (step.endpoint == Endpoint::Install && (timeout || error)) {
            // Not known to be reported, or refused: no success, the device read back.
            e.boxes = box;
            e.end = End::ReadBack;
            e.report = true;
        } else {
            // The device holds the vehicle: a failed report or refresh says so, then success.
            e.boxes = box + QStringList{vehicle_changed};
            e.end = End::Installed;
            e.report = true;
        }
    }
    return e;
}

SimFault device_fault(int fault, const QByteArray &match)
{
    switch (fault) {
    case NoReply: return SimFault::no_answer(1, match);
    case Fail: return SimFault::fail(match);
    case FailConnection: return SimFault::fail_connection(match);
    case LowerAck: return SimFault::lower_ack(match);
    case ChunkGap: return SimFault::chunk_gap(match);
    case Garbage: return SimFault::garbage_reply(SimFault::GarbageKind::InvalidBase64, match);
    default: {
        SimFault unplug;
        unplug.kind = SimFault::Kind::Unplug;
        unplug.match = match;
        return unplug;
    }
    }
}

constexpr int short_server_timeout = 800;

apiserver::Fault server_side_fault(int fault, Endpoint endpoint)
{
    switch (fault) {
    case TimeOut: return server_fault(endpoint, FaultKind::Delay, 0, {}, 2 * short_server_timeout);
    case Unauthorized: return server_fault(endpoint, FaultKind::Status, 401);
    case Status500: return server_fault(endpoint, FaultKind::Status, 500);
    case NonJson: return server_fault(endpoint, FaultKind::NonJson);
    case ZeroByte: return server_fault(endpoint, FaultKind::ZeroByte);
    case Redirect: {
        apiserver::Fault moved = server_fault(endpoint, FaultKind::Status, 302, "<html><body>Moved</body></html>");
        moved.headers = {{"Location", "https://127.0.0.1:9/elsewhere"}};
        return moved;
    }
    case Untrusted: return server_fault(endpoint, FaultKind::Untrusted);
    default: {
        // Qt sends a request again on a new connection when one closes unanswered.
        apiserver::Fault drop = server_fault(endpoint, FaultKind::Drop);
        drop.once = false;
        return drop;
    }
    }
}

// The part of a message that names it: the query code, or the command code.
QString key_of(const QByteArray &message)
{
    return QString::fromLatin1(message.left(message.startsWith('\x09') ? 2 : 1).toHex(' '));
}

QStringList keys(const QList<QByteArray> &messages)
{
    QStringList list;
    for (const QByteArray &message : messages)
        list << key_of(message);
    return list;
}

bool full_matrix()
{
    return qgetenv("ORV_FAULT_MATRIX") == "full";
}

// The sample: for every sequence and fault kind one applicable cell, a
// different step for each kind so that the sample moves along the sequence.
bool in_sample(const Cell &cell)
{
    int applicable = 0;
    int position = -1;
    const int count = steps(cell.seq, cell.server).size();
    for (int i = 0; i < count; ++i) {
        Cell other = cell;
        other.step = i;
        if (expect(other).na.isEmpty()) {
            if (i == cell.step)
                position = applicable;
            ++applicable;
        }
    }
    return position >= 0 && position == (cell.fault * 5 + int(cell.seq)) % applicable;
}

enum class Result { NotRun, Pass, Fail, NotApplicable };

} // namespace

Q_DECLARE_METATYPE(Cell)

class FaultMatrix : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> rig;
    std::unique_ptr<WireRecorder> wire;
    apiserver::ApiServer *server = nullptr;
    SimDevice *device = nullptr;
    Cell current;
    bool started = false;
    std::map<std::tuple<bool, int, int, int>, Result> results;
    QElapsedTimer clock;

    void choose(const char *box, const QString &text);
    void arm(const Cell &cell, int times);
    bool run_sequence(const Cell &cell, const Expect &expected);
    void verify_end(const Cell &cell, const Expect &expected);
    void verify_stopped(const Cell &cell, int start);
    void verify_nothing_leaked(bool device_kept);
    void print_matrix(bool server) const;
    void verify_transcript();

    QString before;  // the window before the sequence, for End::Restored
    int sent_before = 0;

private slots:
    void initTestCase() { clock.start(); }
    void cleanupTestCase();
    void cleanup();
    void cell_data();
    void cell();
};

void FaultMatrix::cell_data()
{
    QTest::addColumn<Cell>("cell");
    const bool full = full_matrix();
    for (const bool server_side : {false, true}) {
        for (int s = 0; s < 5; ++s) {
            const int faults = server_side ? server_fault_count : device_fault_count;
            for (int step = 0; step < steps(Seq(s), server_side).size(); ++step) {
                for (int fault = 0; fault < faults; ++fault) {
                    const Cell cell{Seq(s), server_side, step, fault};
                    const bool na = !expect(cell).na.isEmpty();
                    // QtTest runs this again for every row named on the command line.
                    results.emplace(std::make_tuple(server_side, s, step, fault),
                                    na ? Result::NotApplicable : Result::NotRun);
                    if (!na && !full && !in_sample(cell))
                        continue;
                    const QString name = QStringLiteral("%1 / %2 / %3")
                                             .arg(seq_names[s], cell.the_step().name,
                                                  server_side ? server_fault_names[fault] : device_fault_names[fault]);
                    QTest::newRow(qPrintable(name)) << cell;
                }
            }
        }
    }
}

void FaultMatrix::cell()
{
    QFETCH(Cell, cell);
    current = cell;
    started = false;
    const Expect expected = expect(cell);
    if (!expected.na.isEmpty())
        QSKIP(qPrintable("n.a.: " + expected.na));
    started = true;

    rig = std::make_unique<Rig>();
    wire = std::make_unique<WireRecorder>();
    server = &rig->start_server(catalogue_json);
    SimDeviceState state = configured_device("1100000001");  // OR+ with a stored vehicle: every query
    state.key = "MATRIX-KEY-01";
    if (!cell.server && cell.fault == ChunkGap)
        state.*cell.the_step().text += long_tail;
    rig->register_device(state, 300);
    device = rig->plug(state);
    if (cell.server && cell.fault == TimeOut)
        server_timeout = short_server_timeout;

    QVERIFY(run_sequence(cell, expected));
    verify_end(cell, expected);
}

void FaultMatrix::choose(const char *box, const QString &text)
{
    auto *combo = rig->window().findChild<QComboBox *>(box);
    const int index = combo->findText(text);
    QVERIFY2(index > 0, qPrintable(text));
    combo->setCurrentIndex(index);  // the list request, if any, runs inside
}

// A failure that drops the device is armed for two attempts: the box shows
// once, and the third attempt identifies it.
void FaultMatrix::arm(const Cell &cell, int times)
{
    for (int i = 0; i < times; ++i) {
        if (cell.server)
            server->add_fault(server_side_fault(cell.fault, cell.the_step().endpoint));
        else
            device->add_fault(device_fault(cell.fault, cell.the_step().message));
    }
}

// Runs the cell's sequence up to where it has ended; false when it never did.
bool FaultMatrix::run_sequence(const Cell &cell, const Expect &expected)
{
    if (cell.seq == Seq::Identification) {
        arm(cell, expected.end == End::Retried ? 2 : 1);
        rig->open_window();
        if (expected.end == End::Cleared)
            return QTest::qWaitFor([&] { return device->faults().isEmpty(); }, 10000) && rig->wait_cleared();
        return rig->wait_identified(20000);
    }

    rig->open_window();
    if (!rig->wait_identified() || rig->boxes.count() != 0)
        return false;
    before = rig->probe().snapshot();
    switch (cell.seq) {
    case Seq::DriveMode:
    case Seq::Settings:
        sent_before = device->messages().size();
        arm(cell, 1);
        rig->window()
            .findChild<QPushButton *>(cell.seq == Seq::DriveMode ? "pushButton_eco" : "pushButton_apply_settings")
            ->click();
        break;
    case Seq::Catalogue:
        if (cell.the_step().endpoint == Endpoint::Vehicle)
            choose("comboBox_marka", short_vehicle.brand);
        arm(cell, 1);
        if (cell.the_step().endpoint == Endpoint::Vehicle)
            choose("comboBox_model", short_vehicle.model);
        else
            choose("comboBox_marka", short_vehicle.brand);
        break;
    default: {
        const Vehicle &v = !cell.server && cell.fault == LowerAck ? long_vehicle : short_vehicle;
        choose("comboBox_marka", v.brand);
        choose("comboBox_model", v.model);
        choose("comboBox_model_exactly", v.engine_text);
        sent_before = device->messages().size();
        arm(cell, 1);
        rig->window().findChild<QPushButton *>("pushButton_apply_car")->click();
    }
    }
    return expected.end != End::Cleared || rig->wait_cleared();
}

void FaultMatrix::verify_end(const Cell &cell, const Expect &expected)
{
    // Long enough for a presence tick: a late box or a lost device shows by then.
    QTest::qWait(600);
    QCOMPARE(rig->boxes.texts(), expected.boxes);

    const WindowProbe probe = rig->probe();
    const bool kept = expected.end != End::Cleared;
    if (kept)
        QVERIFY2(device_open && !widgets_cleared, "the device is no longer shown");
    else
        QVERIFY(!device_open && widgets_cleared);
    if (expected.end == End::Retried) {
        QCOMPARE(SimBus::instance().total_opens(), 3);
        QCOMPARE(SimBus::instance().total_closes(), 2);
    }

    switch (expected.end) {
    case End::Identified:
    case End::Retried:
        QCOMPARE(probe.items("comboBox_marka").size() > 1, expected.filled);
        break;
    case End::Restored:
        if (cell.seq == Seq::Catalogue) {
            const bool models = cell.the_step().endpoint == Endpoint::Model;
            const QStringList items = probe.items(models ? "comboBox_model" : "comboBox_model_exactly");
            QCOMPARE(items.size() > 1, expected.filled);
            QCOMPARE(items.first(), models ? QStringLiteral("MODEL") : QStringLiteral("ENGINE"));
            for (const char *name : {"comboBox_marka", "comboBox_model", "comboBox_model_exactly", "pushButton_apply_car"})
                QVERIFY2(probe.enabled(name), name);
        } else {
            QCOMPARE(probe.snapshot(), before);
            if (cell.seq == Seq::Installation)
                QCOMPARE(device->messages().size(), sent_before);
        }
        break;
    case End::Installed:
    case End::ReadBack: {
        const SimDeviceState &held = device->state();
        if (cell.seq == Seq::DriveMode || cell.seq == Seq::Settings) {
            // The window shows the mode the device holds, every control free again.
            QCOMPARE(probe.picture("pushButton_eco"), QString(held.drive_mode == 1 ? "all/eco_on.png" : "all/eco_off.png"));
            for (const char *name : {"pushButton_eco", "pushButton_indication_off", "pushButton_apply_settings", "comboBox_marka"})
                QVERIFY2(probe.enabled(name), name);
            break;
        }
        const Vehicle &v = !cell.server && cell.fault == LowerAck ? long_vehicle : short_vehicle;
        if (expected.end == End::Installed) {
            QCOMPARE(held.config_id, v.id);
            QCOMPARE(held.brand, QByteArray(v.brand));
            QVERIFY(held.software_checksum_ok);
        }
        QCOMPARE(probe.text("label_marka_model"), QString(held.brand + "   " + held.model));
        QCOMPARE(probe.text("label_software"), QString(held.software_label));
        QVERIFY(!probe.visible("label_load"));
        QCOMPARE(probe.text("comboBox_marka"), QStringLiteral("BRAND"));
        QVERIFY(probe.enabled("comboBox_marka") && probe.enabled("pushButton_apply_car"));
        break;
    }
    case End::Cleared:
        break;
    }

    if (!expected.report) {
        for (const auto &entry : server->log())
            QVERIFY2(entry.target != "/api/v1/vehicle/settings/install/success", "an install report went out");
    }
    if (!cell.server && cell.fault != LowerAck)
        verify_stopped(cell, cell.seq == Seq::Identification ? 0 : sent_before);
    verify_nothing_leaked(kept);
}

// Nothing of the sequence goes out after the failed message: only a new
// identification (03) or the installation's read-back (09 14) may follow.
void FaultMatrix::verify_stopped(const Cell &cell, int start)
{
    QStringList order;
    for (const Step &step : steps(cell.seq, false))
        order << key_of(step.message);
    QStringList sent = keys(device->messages()).mid(start);
    const int failed = cell.step;
    QCOMPARE(sent.mid(0, failed), order.mid(0, failed));
    sent = sent.mid(failed);
    if (!sent.isEmpty() && sent.first() == order.at(failed))
        sent.removeFirst();
    if (!sent.isEmpty())
        QVERIFY2(sent.first() == "03" || sent.first() == "09 14", qPrintable("sent after the failure: " + sent.join(", ")));
}

void FaultMatrix::verify_nothing_leaked(bool device_kept)
{
    const SimBus &bus = SimBus::instance();
    QCOMPARE(bus.stale_handle_calls(), 0);
    QCOMPARE(bus.live_enumerations(), 0);
    QCOMPARE(bus.open_handles(), device_kept ? 1 : 0);
    for (const QPointer<QNetworkReply> *holder : {&reply_GetConfigCount, &reply_marks, &reply_models,
                                                  &reply_modifications, &reply_GetSets, &reply_GetSoftCar,
                                                  &reply_PostSettingsOk, &server_pending})
        QVERIFY(holder->isNull());
    QVERIFY(network_manager->findChildren<QNetworkReply *>().isEmpty());
    QVERIFY(!SequenceGuard::busy());
}

// The cell's transcript against its golden file; the device's timing floors held.
void FaultMatrix::verify_transcript()
{
    // A delayed answer is logged when the server sends it, after the window gave up.
    if (current.server && current.fault == TimeOut)
        QVERIFY(QTest::qWaitFor([this] {
            for (const auto &entry : server->log())
                if (entry.fault == "delay")
                    return true;
            return false;
        }, 5000));
    QVERIFY2(wire->breaches().isEmpty(), qPrintable(wire->breaches().join('\n')));
    const QString text = QStringList{"== wire", wire->lines().join('\n'), "== server", server_lines(*server).join('\n'),
                                     "== boxes", box_lines(rig->boxes).join('\n'), "== window",
                                     looks_text(looks_of(&rig->window())), ""}
                             .join('\n');
    const QString diff = golden_mismatch("faultmatrix/" + file_name_of(QTest::currentDataTag()) + ".txt", text);
    QVERIFY2(diff.isEmpty(), qPrintable("the transcript differs from the golden one:\n" + diff));
}

void FaultMatrix::cleanup()
{
    if (started && rig && (!full_matrix() || in_sample(current)))
        verify_transcript();
    if (started) {
        const auto key = std::make_tuple(current.server, int(current.seq), current.step, current.fault);
        results[key] = QTest::currentTestFailed() ? Result::Fail : Result::Pass;
    }
    started = false;
    wire.reset();
    rig.reset();
    server = nullptr;
    device = nullptr;
}

void FaultMatrix::print_matrix(bool server_side) const
{
    const int faults = server_side ? server_fault_count : device_fault_count;
    const char *const *fault_names = server_side ? server_fault_names : device_fault_names;
    QStringList lines;
    QString head = QStringLiteral("%1").arg(server_side ? "request" : "message", -44);
    for (int f = 0; f < faults; ++f)
        head += QStringLiteral(" | %1").arg(fault_names[f], -9);
    lines << head;
    for (int s = 0; s < 5; ++s) {
        const QVector<Step> &list = steps(Seq(s), server_side);
        for (int step = 0; step < list.size(); ++step) {
            QString line = QStringLiteral("%1").arg(QString(seq_names[s]) + " / " + list[step].name, -44);
            for (int f = 0; f < faults; ++f) {
                const Result r = results.at({server_side, s, step, f});
                const char *text = r == Result::Pass ? "PASS" : r == Result::Fail ? "FAIL"
                                   : r == Result::NotApplicable ? "n.a." : "-";
                line += QStringLiteral(" | %1").arg(text, -qMax(9, int(qstrlen(fault_names[f]))));
            }
            lines << line;
        }
    }
    std::printf("\n%s\n", qPrintable(lines.join('\n')));
}

void FaultMatrix::cleanupTestCase()
{
    std::printf("\nFault matrix (%s; PASS, FAIL, n.a. = cannot apply, - = not in this run)\n",
                full_matrix() ? "every cell" : "sample; ORV_FAULT_MATRIX=full runs every cell");
    print_matrix(false);
    std::printf("n.a.: a lower acknowledgement needs a message of more than 16 bytes, a chunk gap a reply\n"
                "that comes in chunks (each n.a. row's SKIP line says why)\n");
    print_matrix(true);
    int passed = 0, run = 0, applicable = 0, na = 0;
    for (const auto &entry : results) {
        passed += entry.second == Result::Pass;
        run += entry.second == Result::Pass || entry.second == Result::Fail;
        applicable += entry.second != Result::NotApplicable;
        na += entry.second == Result::NotApplicable;
    }
    std::printf("\ncells passed / total: %d / %d (run %d of %d applicable cells; %d n.a.) in %.0f s\n", passed,
                run, run, applicable, na, clock.elapsed() / 1000.0);
    std::fflush(stdout);
}

QTEST_MAIN(FaultMatrix)
#include "faultmatrix_test.moc"
