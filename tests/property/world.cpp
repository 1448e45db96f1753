#include "world.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QtTest>
#include <rapidcheck.h>
#include <ctime>

#include "api_server.h"
#include "app/app_state.h"
#include "app/idle_work.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/pictures.h"
#include "app/sequence_guard.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "device/usb_state.h"
#include "server/server_state.h"
#include "support/state_reset.h"

namespace {

// Two vehicles: a short one, and one whose texts go in chunks; small files.
const char *const catalogue_json = R"({"brands":[
  {"id":1,"title":"Matrix","models":[{"id":"m-1","title":"Short","engines":[
    {"id":"v-1","title":"1.0","power":70,"moment":95,"settingsId":1,"softwareId":"SW-1","softwareSize":40}]}]},
  {"id":2,"title":"Matrix Long Brand Name","models":[{"id":"m-2","title":"Model With A Long Name","engines":[
    {"id":"v-200000000000000002","title":"2.0 Engine With A Long Title","power":150,"moment":320,
     "settingsId":2,"softwareId":"SW-LONG-SOFTWARE-ID-02","softwareSize":24}]}]}]})";

struct Vehicle {
    const char *brand, *model, *engine, *id;
};
const Vehicle vehicles[] = {{"Matrix", "Short", "1.0 70HP 95NM", "v-1"},
                            {"Matrix Long Brand Name", "Model With A Long Name",
                             "2.0 Engine With A Long Title 150HP 320NM", "v-200000000000000002"}};
const char *const languages[] = {"ENG", "DE", "RU"};

// The longest a sequence may run once started, and the window to settle after it.
constexpr int settle_limit_ms = 20000;
// The longest a command may run inside the window (an installation with every
// request timed out takes about 6 s here); beyond it the sequence is stuck.
constexpr int stuck_after_ms = 12000;
// The longest turn of the event loop a command may take: a blocking wait in the
// window shows far beyond it. Code built with the sanitizers runs several times
// slower (its longest turns here are about half of 100 ms), so its pass allows
// more; the other passes hold 100 ms.
#ifdef ORV_PROPERTY_SLOW_BUILD
constexpr int longest_stall_ms = 250;
#else
constexpr int longest_stall_ms = 100;
#endif

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

bool is_frame(const QByteArray &packet)
{
    const int first = packet.isEmpty() ? 0 : quint8(packet[0]);
    return first == 0xDC || first == 0xDD || first == 0xDE;
}

int byte0(const QByteArray &packet)
{
    return packet.isEmpty() ? 0 : quint8(packet[0]);
}

int offset_of(const QByteArray &packet)
{
    return packet.size() < 3 ? -1 : quint8(packet[1]) * 256 + quint8(packet[2]);
}

// Widgets whose content is the catalogue or the server's count, not the device.
bool catalogue_widget(const QString &name)
{
    return name == "comboBox_marka" || name == "comboBox_model" || name == "comboBox_model_exactly";
}

// The controls an edit changes before it is written, with the pins they colour.
bool settings_editor(const QString &name)
{
    static const QStringList editors{"pushButton_stby_u", "pushButton_stby_s", "label_stby_u_s",
                                     "checkBox_auto_stby", "checkBox_auto_proto", "comboBox_protocol"};
    return editors.contains(name) || name.startsWith("pin_");
}

// Blank runs count as one blank: the installed engine shows the catalogue's
// text, identification the device's values with two blanks between them.
QString words(const QString &text)
{
    return text.simplified();
}

QString state_key(const SimDeviceState &s, bool count_left, int language)
{
    return QStringList{QString(s.serial), QString(s.key), hex(s.firmware), hex(s.hardware), QString(s.config_id),
                       QString(s.brand), QString(s.model), QString(s.engine), QString(s.power), QString(s.torque),
                       QString(s.software_label), QString::number(s.drive_mode), QString::number(s.indication),
                       QString::number(s.settings_flags), QString::number(s.protocol_mask),
                       QString::number(s.pin_activity), count_left ? "left" : "none", QString::number(language)}
        .join('|');
}

QString indication_twin(const QString &name)
{
    return name == "pushButton_indication_on" ? "pushButton_indication_off" : "pushButton_indication_on";
}

// What differs between the window after the commands and a fresh one.
QStringList differences(const Record &record, const Looks &fresh)
{
    QStringList diffs;
    const bool unconfigured = !record.device.configured();
    for (auto it = fresh.constBegin(); it != fresh.constEnd(); ++it) {
        const QString &name = it.key();
        const Look &want = it.value();
        if (!record.looks.contains(name)) {
            diffs << name + ": missing";
            continue;
        }
        const Look &saw = record.looks.value(name);
        auto differ = [&](const char *what, const QString &a, const QString &b) {
            if (a != b)
                diffs << QStringLiteral("%1 %2: shows \"%3\", fresh \"%4\"").arg(name, what, a, b);
        };
        differ("shown", saw.shown ? "yes" : "no", want.shown ? "yes" : "no");
        if (!saw.shown || !want.shown || name == "label_avail_config"
            || (record.settings_edited && settings_editor(name)))
            continue;
        // A click disables the button of the value it wrote. Both indication
        // buttons are enabled together whenever the window unlocks its
        // controls, which may have come since.
        bool enabled = want.enabled;
        if (name == record.marked_mode)
            enabled = false;
        if (name == record.marked_indication && !saw.enabled && record.looks.value(indication_twin(name)).enabled)
            enabled = false;
        differ("enabled", saw.enabled ? "yes" : "no", enabled ? "yes" : "no");
        if (catalogue_widget(name))
            continue;
        // A device without a vehicle is not asked for its mode: a fresh window shows none.
        const bool mode_button = name == "pushButton_dynamic" || name == "pushButton_eco" || name == "pushButton_stock";
        if (!(unconfigured && mode_button))
            differ("picture", picture_of(saw.sheet), picture_of(want.sheet));
        differ("text", words(saw.text), words(want.text));
        differ("checked", saw.checked ? "yes" : "no", want.checked ? "yes" : "no");
        differ("items", saw.items, want.items);
    }
    return diffs;
}

// The faults queued on a device that may end an exchange with its box. A
// leftover report is not one: it must be read away before the first message.
int box_faults(const SimDevice *device)
{
    int count = 0;
    for (const SimFault &fault : device->faults())
        count += fault.kind != SimFault::Kind::Leftover;
    return count;
}

} // namespace

// Boxes shown while another is open: a modal box stacked on a modal box.
class World::StackWatch : public QObject
{
public:
    int stacked = 0;
    QString last;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QMessageBox *>(watched)) {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top != watched && qobject_cast<QMessageBox *>(top) && top->isVisible()) {
                    ++stacked;
                    last = static_cast<QMessageBox *>(watched)->text() + " over "
                           + static_cast<QMessageBox *>(top)->text();
                }
        }
        return QObject::eventFilter(watched, event);
    }
};

SimDeviceState DeviceSetup::state(int slot) const
{
    SimDeviceState s = configured ? configured_device() : unconfigured_device();
    s.serial = QByteArray(plus ? "11" : "10") + "0000000" + QByteArray::number(slot + 1);
    s.key = "KEY-" + s.serial;
    s.drive_mode = drive_mode;
    s.indication = indication ? 0x003C : 0;
    s.settings_flags = quint8(flags);
    s.protocol_mask = protocol_bit < 0 ? 0 : quint16(1u << protocol_bit);
    s.pin_activity = quint16(pins);
    return s;
}

void World::scale_intervals()
{
    // A tenth of the device's timing (50 ms read delay, 5 ms spacing and read
    // interval rounded up to whole milliseconds, 500 ms presence), and a
    // watchdog of 1 s where the program gives the server 20 s.
    USB_read_delay = 5;
    USB_read_interval = 1;
    USB_pause = 1;
    USB_test_interval = 50;
    server_timeout = 1000;
}

std::unique_ptr<Rig> &World::rig()
{
    static std::unique_ptr<Rig> rig;
    if (!rig) {
        rig = std::make_unique<Rig>();
        rig->start_server(catalogue_json);
    }
    return rig;
}

World::World() : stack_watch(std::make_unique<StackWatch>())
{
    rig();
    SimBus::instance().reset();
    rig()->server()->reset();
    rig()->boxes.clear();
    rig()->boxes.answer.clear();
    clock.start();
    SimBus::instance().set_observer(this);
    qApp->installEventFilter(stack_watch.get());
    heartbeat.setInterval(5);
    connect(&heartbeat, &QTimer::timeout, this, [this] { beat(); });
    // A sequence that never ends keeps the command inside the window's nested
    // wait: every event loop is told to quit, so that the failure can be told.
    connect(&report_watch, &QTimer::timeout, this, [this] {
        if (!reply_PostSettingsOk || !reply_PostSettingsOk->isRunning())
            return;
        report_watch.stop();
        report_action();
    });
    deadline.setSingleShot(true);
    deadline.setInterval(stuck_after_ms);
    connect(&deadline, &QTimer::timeout, this, [this] {
        const qint64 ran_ms = own_ms(since_begin, begin_wait_ns);
        if (ran_ms < stuck_after_ms) {
            deadline.start(int(stuck_after_ms - ran_ms));
            return;
        }
        stuck = true;
        QCoreApplication::exit(1);
    });

}

void World::start()
{
    DeviceSetup first;
    first.drive_mode = 1;
    plug(0, first);
    open_window();
    begin(QStringLiteral("start with a configured OR+"));
    settle();
}

World::~World()
{
    heartbeat.stop();
    rig()->close_window();
    main = nullptr;
    qApp->removeEventFilter(stack_watch.get());
    SimBus::instance().set_observer(nullptr);
    SimBus::instance().reset();
}

void World::open_window()
{
    reset_shared_state();
    scale_intervals();
    main = &rig()->open_window();
    main->show();
    // The first paint belongs to the start, not to a command.
    (void)QTest::qWaitForWindowExposed(main);
    QCoreApplication::processEvents();
    settings_edited = false;
    marked_mode.clear();
    marked_indication.clear();
    language = 0;
    // A new program shows a broken device's write error once more.
    broken_shown.clear();
}

// ---------------------------------------------------------------- the event loop

// The GUI thread's own processor time, in ns. A gap between two beats is a
// stall of the window only for the time the thread itself ran in it: a busy
// machine (another test building, a disk the thread waits on for a page)
// lengthens the gap without the window doing anything.
qint64 World::thread_cpu_ns()
{
    timespec cpu{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu) != 0)
        return 0;
    return qint64(cpu.tv_sec) * 1000000000 + cpu.tv_nsec;
}

// The time the GUI thread waited for a processor, runnable but not running, in ns
// (the second field of /proc/thread-self/schedstat; 0 where the kernel keeps none).
qint64 World::processor_wait_ns()
{
    QFile file(QStringLiteral("/proc/thread-self/schedstat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = file.readAll().simplified().split(' ');
    return fields.size() >= 2 ? fields.at(1).toLongLong() : 0;
}

qint64 World::own_ms(const QElapsedTimer &since, qint64 wait_ns_then)
{
    return since.elapsed() - qMax(qint64(0), processor_wait_ns() - wait_ns_then) / 1000000;
}

void World::beat()
{
    const qint64 wall_ns = since_beat.nsecsElapsed();
    since_beat.restart();
    const qint64 cpu = thread_cpu_ns();
    const qint64 own_ns = qBound(qint64(0), cpu - beat_cpu_ns, wall_ns);
    beat_cpu_ns = cpu;
    const qint64 own_ms = own_ns / 1000000;
    if (own_ms > longest_gap_ms) {
        longest_gap_ms = own_ms;
        longest_gap_wall_ms = wall_ns / 1000000;
    }
}

// ---------------------------------------------------------------- the wire

void World::enter(SimBus &, Op op, SimDevice *device)
{
    const double now = clock.nsecsElapsed() / 1e6;
    if (op == Op::Read) {
        pending_before_read = device && device->has_pending_report();
        // Nothing is read sooner than the read delay after a write.
        if (read_due && device && device->plugged()) {
            if (now - last_write_ms < USB_read_delay - 0.5)
                floor_breaches << QStringLiteral("read %1 ms after the write").arg(now - last_write_ms, 0, 'f', 2);
            read_due = false;
        }
    }
    if (op == Op::Write && device)
        last_write_ms = now;
    if (op == Op::Write && device && device->write_failing())
        broken_tried.insert(device);
}

void World::leave(SimBus &, Op op, SimDevice *device, const QByteArray &)
{
    const double now = clock.nsecsElapsed() / 1e6;
    switch (op) {
    case Op::Open:
        if (device)
            opened = device;
        // A new handle has no message before its first: nothing to space from.
        answered = false;
        awaiting = false;
        read_due = false;
        break;
    case Op::Close:
        if (device == opened)
            opened = nullptr;
        break;
    case Op::Read:
        // A report read while nothing was sent since the last one is no
        // answer (the presence probe, reports read away before a message).
        if (pending_before_read && device && awaiting) {
            answer_read_ms = now;
            answered = true;
            awaiting = false;
        }
        break;
    case Op::Write: {
        if (!device || device->journal().isEmpty() || !device->plugged())
            break;
        // The packet just written: the last one the device logged (a whole
        // message is logged after its packet).
        const QList<SimEvent> &journal = device->journal();
        int at = journal.size() - 1;
        while (at >= 0 && journal.at(at).kind == SimEvent::HostMessage)
            --at;
        if (at < 0 || journal.at(at).kind != SimEvent::HostPacket)
            break;
        read_due = true;
        awaiting = true;
        const QByteArray packet = journal.at(at).bytes;
        const bool new_message = !is_frame(packet) || (quint8(packet[0]) == 0xDC && offset_of(packet) == 0);
        if (!new_message)
            break;
        // Two messages are the pause apart: from the answer of one to the next.
        if (answered && !device_trouble && last_write_ms - answer_read_ms < USB_pause - 0.2)
            floor_breaches << QStringLiteral("message %1 ms after the last answer").arg(last_write_ms - answer_read_ms, 0, 'f', 2);
        answered = false;
        message_in_flight = packet.startsWith('\xDC') ? packet.mid(3) : packet;
        ++new_messages;
        for (int i = 0; i < armed.size(); ++i) {
            if (armed[i].message == new_messages) {
                auto action = armed[i].action;
                armed.remove(i--);
                QTimer::singleShot(0, this, action);
            }
        }
        break;
    }
    case Op::Enumerate:
        break;
    }
}

// The host's packets against the framing: plain messages of 1 to 16 bytes in
// unpadded base64; a chunk of 1 to 16 bytes from offset 0, or from the offset
// the device asked for; an end at the offset the device asked for; an
// acknowledgement of exactly what the device's chunk brought.
void World::check_wire()
{
    for (SimDevice *device : SimBus::instance().plugged_devices() + QList<SimDevice *>{devices[0], devices[1]}) {
        if (!device)
            continue;
        const QList<SimEvent> &journal = device->journal();
        QByteArray from_device;
        for (int i = framing_checked.value(device, 0); i < journal.size(); ++i) {
            const SimEvent &e = journal.at(i);
            if (e.kind == SimEvent::DevicePacket) {
                from_device = e.bytes;
                continue;
            }
            if (e.kind != SimEvent::HostPacket)
                continue;
            const QByteArray &p = e.bytes;
            auto breach = [&](const QString &why) { framing_breaches << hex(p) + ": " + why; };
            if (e.report != p.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals))
                breach("report text is not the packet's unpadded base64");
            const int asked = byte0(from_device) == 0xDD ? offset_of(from_device) : -1;
            switch (p.isEmpty() ? 0 : quint8(p[0])) {
            case 0xDC:
                if (p.size() < 4 || p.size() > 19)
                    breach("chunk without 1 to 16 bytes");
                else if (offset_of(p) != 0 && offset_of(p) != asked)
                    breach(QStringLiteral("chunk at %1, the device asked for %2").arg(offset_of(p)).arg(asked));
                break;
            case 0xDE:
                if (p.size() != 3 || offset_of(p) != asked)
                    breach(QStringLiteral("end at %1, the device asked for %2").arg(offset_of(p)).arg(asked));
                break;
            case 0xDD: {
                const bool chunk = byte0(from_device) == 0xDC;
                if (p.size() != 3 || !chunk || offset_of(p) != offset_of(from_device) + from_device.size() - 3)
                    breach("acknowledgement of something the device did not send");
                break;
            }
            default:
                if (p.isEmpty() || p.size() > 16)
                    breach("plain packet of more than 16 bytes");
            }
        }
        framing_checked[device] = journal.size();
    }
    check(framing_breaches.isEmpty(), "framing", framing_breaches.join("; "));
    check(floor_breaches.isEmpty(), "device timing floor", floor_breaches.join("; "));
    check(SimBus::instance().stale_handle_calls() == 0, "no use of a dropped handle",
          QStringLiteral("%1 calls with a closed handle").arg(SimBus::instance().stale_handle_calls()));
}

// ---------------------------------------------------------------- commands

void World::begin(const QString &what)
{
    command = what;
    ++step;
    boxes_before = rig()->boxes.count();
    stack_watch->stacked = 0;
    own_boxes_allowed = 0;
    faults_armed = 0;
    interventions = 0;
    replaced_fired = 0;
    // A device pulled in an earlier command that the window has not noticed yet
    // fails the next exchange that touches it, like a fault.
    pulled_held = opened && !opened->plugged();
    questions_expected = 0;
    rig()->boxes.question_delay_ms = 0;
    closed_during = false;
    messages_at_close.clear();
    journal_before.clear();
    faults_before.clear();
    device_trouble = false;
    for (SimDevice *device : devices)
        if (device) {
            journal_before[device] = device->journal().size();
            faults_before[device] = box_faults(device);
            device_trouble = device_trouble || !device->faults().isEmpty();
        }
    server_faults_before = int(rig()->server()->fault_count());
    server_log_before = rig()->server()->log().size();
    began_at = std::chrono::system_clock::now();
    counts_before.clear();
    for (const auto &d : rig()->server()->devices())
        counts_before[d.serial] = d.count;
    floor_breaches.clear();
    framing_breaches.clear();
    longest_gap_ms = 0;
    longest_gap_wall_ms = 0;
    since_beat.start();
    beat_cpu_ns = thread_cpu_ns();
    heartbeat.start();
    since_begin.start();
    begin_wait_ns = processor_wait_ns();
    deadline.start(stuck_after_ms);
}

void World::plug(int slot, const DeviceSetup &setup)
{
    if (devices[slot] && devices[slot]->plugged())
        SimBus::instance().unplug(devices[slot]);
    // The faults the slot's last device fired still count once it is replaced.
    if (devices[slot])
        replaced_fired += qMax(0, faults_before.value(devices[slot], 0) - box_faults(devices[slot]));
    faults_before.remove(devices[slot]);
    const SimDeviceState state = setup.state(slot);
    rig()->server()->set_device(state.serial.toStdString(), state.key.toStdString(), setup.count_left ? 3 : 0);
    counts_before[state.serial.toStdString()] = setup.count_left ? 3 : 0;
    count_left[slot] = setup.count_left;
    devices[slot] = SimBus::instance().plug(state);
    devices[slot]->set_write_failing(setup.broken);
    // The window looks no different afterwards: give it the ticks to try it.
    if (setup.broken && main)
        QTest::qWait(USB_test_interval * 3);
}

void World::unplug(int slot)
{
    if (!devices[slot] || !devices[slot]->plugged())
        return;
    const bool watch = !SequenceGuard::busy() && main && devices[slot] == opened;
    SimBus::instance().unplug(devices[slot]);
    if (!watch)
        return;
    // Idle: the next presence tick empties the window, without a box.
    auto *poll = main->findChild<QTimer *>("timer_USB_test");
    int ticks = 0;
    const QMetaObject::Connection counting = connect(poll, &QTimer::timeout, this, [&ticks] { ++ticks; });
    const bool emptied = QTest::qWaitFor([] { return !device_open; }, USB_test_interval * 20);
    disconnect(counting);
    check(emptied && ticks <= 1, "presence: an unplug empties the window within one interval",
          emptied ? QStringLiteral("%1 presence ticks went by first").arg(ticks - 1) : QStringLiteral("never emptied"));
}

void World::wait_presence()
{
    QTest::qWait(USB_test_interval);
}

void World::click(const QString &name)
{
    if (!main)
        return;
    auto *button = main->findChild<QAbstractButton *>(name);
    if (!button || !button->isVisible() || !button->isEnabled())
        return;
    if (name.startsWith("pushButton_stby") || name.startsWith("checkBox"))
        settings_edited = true;
    if (name == "pushButton_apply_settings" || name == "pushButton_apply_car")
        own_boxes_allowed = 1;  // "Wrong settings!", "Please select your vehicle!", "No tuning files!"
    static const QStringList writers{"pushButton_dynamic",        "pushButton_eco",           "pushButton_stock",
                                     "pushButton_indication_on",  "pushButton_indication_off",
                                     "pushButton_apply_settings", "pushButton_apply_car"};
    if (name == "pushButton_apply_car" && !SequenceGuard::busy()) {
        chosen_id.clear();
        for (const Vehicle &v : vehicles)
            if (main->findChild<QComboBox *>("comboBox_model_exactly")->currentText() == v.engine)
                chosen_id = v.id;
    }
    const bool outer = !writing_click;
    writing_click = writing_click || writers.contains(name);
    button->click();
    if (outer)
        writing_click = false;
}

void World::choose_protocol(int index)
{
    auto *box = main ? main->findChild<QComboBox *>("comboBox_protocol") : nullptr;
    if (!box || !box->isEnabled() || index >= box->count())
        return;
    settings_edited = true;
    box->setCurrentIndex(index);
}

void World::choose_vehicle(int vehicle)
{
    const Vehicle &v = vehicles[vehicle];
    for (const auto &[name, text] : {std::pair<const char *, const char *>{"comboBox_marka", v.brand},
                                     {"comboBox_model", v.model}, {"comboBox_model_exactly", v.engine}}) {
        auto *box = main ? main->findChild<QComboBox *>(name) : nullptr;
        if (!box || !box->isEnabled())
            return;
        const int index = box->findText(text);
        if (index <= 0)
            return;
        box->setCurrentIndex(index);  // a list request runs inside
        (void)QTest::qWaitFor([] { return !SequenceGuard::busy(); }, settle_limit_ms);
    }
}

void World::set_language(int index)
{
    auto *box = main ? main->findChild<QComboBox *>("comboBox_language") : nullptr;
    if (!box)
        return;
    box->setCurrentIndex(box->findText(languages[index]));
    language = index;
}

void World::arm_device_fault(const SimFault &fault)
{
    if (SimDevice *device = active_device() ? active_device() : devices[0]) {
        device->add_fault(fault);
        faults_armed += fault.kind != SimFault::Kind::Leftover;
        device_trouble = true;
    }
}

void World::arm_server_fault(const apiserver::Fault &fault)
{
    rig()->server()->add_fault(fault);
    ++faults_armed;
}

void World::arm_during(int message, const QString &what, std::function<void()> action)
{
    new_messages = 0;
    armed.append({message, what, std::move(action)});
}

void World::arm_report(const QString &, std::function<void()> action)
{
    rig()->server()->add_fault(server_fault(apiserver::Endpoint::Install, apiserver::FaultKind::Delay, 0, {}, 150));
    ++faults_armed;
    report_action = [this, action] {
        report_closed = true;
        action();
    };
    report_watch.start(1);
}

void World::close_window(bool answer_yes, int answer_ms)
{
    // Closed again while its question is open (an action queued for the same message runs
    // under it): the open question answers that close too.
    if (!main || asking)
        return;
    // The buttons speak the window's language.
    rig()->boxes.answer = MainWindow::tr(answer_yes ? "Yes" : "No");
    rig()->boxes.question_delay_ms = answer_ms;
    // A write runs when a click started one and its message in flight is not a query.
    const bool writing = writing_click && !message_in_flight.startsWith('\x09');
    // Each close while a write runs asks, until one is answered "Yes".
    if (writing && !closed_during)
        ++questions_expected;
    if (!writing || answer_yes) {
        closed_during = true;
        // Per device: one plugged into a slot later in the command replaces it there.
        messages_at_close.clear();
        for (SimDevice *device : devices)
            if (device)
                messages_at_close[device] = device->messages().size();
        closed_at = std::chrono::system_clock::now();
        // A report the program had sent may reach the server after the close.
        report_sent_at_close = reply_PostSettingsOk && reply_PostSettingsOk->isRunning();
    }
    asking = true;
    main->close();
    asking = false;
}

void World::pull_active_device()
{
    if (SimDevice *device = active_device()) {
        SimBus::instance().unplug(device);
        ++interventions;  // like a fault: it may end the sequence with a box
    }
}

void World::plug_spare_slot()
{
    for (int slot = 0; slot < device_slots; ++slot)
        if (!devices[slot] || !devices[slot]->plugged()) {
            plug(slot, DeviceSetup());
            return;
        }
}

SimDevice *World::active_device() const
{
    return opened && opened->plugged() ? opened : nullptr;
}

// ---------------------------------------------------------------- after each command

// The server has answered a report of an installation since the command began.
bool World::reported_since_begin() const
{
    for (const apiserver::LoggedRequest &entry : rig()->server()->log())
        if (entry.time >= began_at && entry.target.rfind("/api/v1/vehicle/settings/install/success", 0) == 0)
            return true;
    return false;
}

bool World::idle() const
{
    if (SequenceGuard::busy())
        return false;
    if (!main || !main->isVisible())
        return true;
    // The window opens the first device of its kind; one that takes no write is
    // dropped again at once, every presence tick.
    const SimDevice *first = nullptr;
    for (SimDevice *device : SimBus::instance().plugged_devices())
        if (!first && !device->silent())
            first = device;
    const bool shows = first && !first->write_failing();
    return shows ? device_open && !widgets_cleared : !device_open && widgets_cleared;
}

void World::settle()
{
    bool settled = false;
    if (!stuck) {
        QElapsedTimer settling;
        settling.start();
        const qint64 wait_then = processor_wait_ns();
        while (!(settled = QTest::qWaitFor([this] { return idle(); }, 500))
               && own_ms(settling, wait_then) < settle_limit_ms) {
        }
    }
    // A request the window gave up (on closing, or timed out) may still be answered by
    // the server after the command, and a report then spends a configuration: that
    // belongs to this command, not to the next. A report given up on closing may even
    // be on its way still: its answer is waited for.
    if (report_closed) {
        report_closed = false;
        (void)QTest::qWaitFor([this] { return reported_since_begin(); }, 2000);
    }
    (void)QTest::qWaitFor([] { return rig()->server()->requests_in_progress() == 0; }, 3000);
    heartbeat.stop();
    check(longest_gap_ms <= longest_stall_ms, "alive: the event loop answers",
          QStringLiteral("the window ran %1 ms between two event-loop turns (%2 ms apart)")
              .arg(longest_gap_ms)
              .arg(longest_gap_wall_ms));
    // The program ends with its window and starts again, still watched for a stuck sequence.
    if (!stuck && main && !main->isVisible())
        end_program();
    deadline.stop();
    if (stuck) {
        stuck = false;
        restart_event_loops();
        check(false, "alive: every sequence ends",
              QStringLiteral("the command still ran after %1 s").arg(stuck_after_ms / 1000));
    }
    check(settled, "alive: every sequence ends",
          QStringLiteral("still busy %1 s after the command").arg(settle_limit_ms / 1000));
    note_fresh_reads();
    check_presence();
    check_prepared();
    check_locks();
    check_boxes();
    check_wire();
    check_success();
    record_window();
}

// After QCoreApplication::exit() every event loop returns at once until the
// application's own loop has run again.
void World::restart_event_loops()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    qApp->exec();
}

// A closed window is a program that ended: its device closed, the library shut
// down; the next command starts the program again.
void World::end_program()
{
    const int exits = SimBus::instance().exit_calls();
    rig()->close_window();
    main = nullptr;
    // The application was told to quit when its last window closed; a new
    // start clears that.
    restart_event_loops();
    check(SimBus::instance().open_handles() == 0, "closing releases the device",
          QStringLiteral("%1 handles open").arg(SimBus::instance().open_handles()));
    check(SimBus::instance().exit_calls() == exits + 1, "closing shuts the library down",
          QStringLiteral("hid_exit called %1 times").arg(SimBus::instance().exit_calls() - exits));
    if (closed_during) {
        int messages = 0;
        for (auto it = messages_at_close.cbegin(); it != messages_at_close.cend(); ++it)
            messages += it.key()->messages().size() - it.value();
        check(messages == 0, "closing ends the write: nothing more is written",
              QStringLiteral("%1 messages after the close").arg(messages));
        // A report sent before the close may be answered after it.
        const auto log = rig()->server()->log();
        int reported = 0;
        for (const auto &request : log)
            reported += request.method == "POST" && request.time > closed_at;
        reported -= int(report_sent_at_close);
        check(reported <= 0, "closing ends the write: nothing is reported", "an install report after the close");
    }
    opened = nullptr;
    // What was armed for the next sequence or report belonged to the program that
    // ended: fired in the new one, it would close that window during its start.
    armed.clear();
    report_watch.stop();
    open_window();
    (void)QTest::qWaitFor([this] { return idle(); }, settle_limit_ms);
    check(main->isVisible(), "a new start shows its window", "the window closed while it started");
}

// The device's values were read afresh (identification or a read-back: both
// end with query 50): what the window showed before is gone.
void World::note_fresh_reads()
{
    for (SimDevice *device : devices) {
        if (!device)
            continue;
        const QStringList messages = messages_since_begin(device);
        if (messages.contains("09 32")) {
            settings_edited = false;
            marked_mode.clear();
            marked_indication.clear();
        }
    }
}

QStringList World::messages_since_begin(const SimDevice *device) const
{
    QStringList list;
    const QList<SimEvent> &journal = device->journal();
    for (int i = journal_before.value(device, 0); i < journal.size(); ++i)
        if (journal.at(i).kind == SimEvent::HostMessage)
            list << hex(journal.at(i).bytes);
    return list;
}

// Faults waiting before the command or armed by it that are gone: they fired.
int World::fired_faults() const
{
    int fired = interventions + replaced_fired + int(pulled_held) + faults_armed + server_faults_before - int(rig()->server()->fault_count());
    for (SimDevice *device : devices)
        if (device)
            fired += qMax(0, faults_before.value(device, 0) - box_faults(device));
    return fired;
}

void World::check_presence()
{
    if (!main)
        return;
    auto *poll = main->findChild<QTimer *>("timer_USB_test");
    check(poll && poll->isActive(), "presence: the poll runs while no sequence runs", "the presence timer is stopped");
}

// What the window makes ready for a device's window goes with the device, and is
// made in the language the window shows.
void World::check_prepared()
{
    if (!main)
        return;
    const QStringList files = pictures::prepared_files();
    if (widgets_cleared && !device_open)
        check(files.isEmpty() && idle_work::pending() == 0, "prepared: nothing kept for a device that is gone",
              QStringLiteral("%1 pieces queued, kept: %2").arg(idle_work::pending()).arg(files.join(", ")));
    QStringList other_language;
    for (const QString &file : files)
        if (!file.startsWith(QLatin1String(":/all/")) && !file.startsWith(":/" + lang_folder + "/"))
            other_language << file;
    check(other_language.isEmpty(), "prepared: in the language shown", other_language.join(", "));
}

void World::check_locks()
{
    if (!main)
        return;
    check(!SequenceGuard::busy(), "locks: no sequence left running", "a sequence still holds the window");
    check(!boxes_muted(), "locks: no box left muted", "boxes are still muted");
    if (device_open && !widgets_cleared)
        check(!settings_locked, "locks: settings unlocked once a device is shown", "settings_locked is set");
    check(!main->findChild<QWidget *>("label_load")->isVisible(), "locks: no loading overlay left",
          "label_load is still shown");
}

void World::check_boxes()
{
    const QVector<BoxCatcher::Box> all = rig()->boxes.boxes();
    int errors = 0, infos = 0, questions = 0;
    QStringList seen;
    for (int i = boxes_before; i < all.size(); ++i) {
        seen << all[i].title + " / " + all[i].text;
        if (all[i].buttons.size() > 1)
            ++questions;
        else if (all[i].title == MainWindow::tr("Info"))
            ++infos;
        else
            ++errors;
    }
    // A device that takes no write shows its write error once per program, whenever
    // the window first tries it.
    const SimDevice *first = nullptr;
    for (SimDevice *device : SimBus::instance().plugged_devices())
        if (!first && !device->silent())
            first = device;
    int broken_unshown = 0;
    for (SimDevice *device : devices)
        broken_unshown += device && device->write_failing() && !broken_shown.contains(device)
                          && (device == first || !device->plugged());
    // A write error box is a broken device's only if the window wrote to it: a pulled
    // device's failed write shows the same box.
    const QString write_error = MainWindow::tr("USB write error! Please reconnect device!");
    for (int i = boxes_before; i < all.size(); ++i)
        if (all[i].text == write_error)
            broken_shown.unite(broken_tried);
    broken_tried.clear();
    const int allowed = fired_faults() + own_boxes_allowed + broken_unshown;
    check(errors <= allowed, "boxes: at most the boxes each failure defines",
          QStringLiteral("%1 error boxes for %2 faults: %3").arg(errors).arg(allowed).arg(seen.join(" | ")));
    check(infos <= 1, "boxes: one success at most", seen.join(" | "));
    check(questions == questions_expected, "boxes: closing asks while a write runs, and only then",
          QStringLiteral("%1 questions: %2").arg(questions).arg(seen.join(" | ")));
    check(stack_watch->stacked == 0, "boxes: none stacked over another", stack_watch->last);
}

// "Settings are changed!" only when the device holds the value of a whole
// bracket; "Vehicle is changed!" only when it holds all the vehicle and the
// report was accepted; a configuration is spent only with a report accepted.
void World::check_success()
{
    const QVector<BoxCatcher::Box> all = rig()->boxes.boxes();
    bool settings_changed = false, vehicle_changed = false;
    for (int i = boxes_before; i < all.size(); ++i) {
        // Boxes speak the window's language.
        settings_changed = settings_changed || all[i].text == MainWindow::tr("Settings are changed!");
        vehicle_changed = vehicle_changed || all[i].text == MainWindow::tr("Vehicle is changed!");
    }
    SimDevice *device = nullptr;
    QStringList sent;
    for (SimDevice *d : devices)
        if (d && !messages_since_begin(d).isEmpty()) {
            device = d;
            sent = messages_since_begin(d);
        }

    if (settings_changed) {
        const bool bracket = sent.size() == 4 && sent[0] == "03" && sent[2] == "21" && sent[3] == "24";
        check(bracket, "no false success: a whole bracket went out", sent.join(", "));
        if (bracket) {
            const QByteArray value = QByteArray::fromHex(sent[1].toLatin1());
            const SimDeviceState &held = device->state();
            bool holds = false;
            switch (quint8(value[0])) {
            case 0x1C: holds = value.size() == 2 && held.drive_mode == quint8(value[1]); break;
            case 0x34: holds = value.size() == 3 && held.indication == quint8(value[1]) * 256 + quint8(value[2]); break;
            case 0x32:
                holds = value.size() == 4 && held.settings_flags == quint8(value[1])
                        && held.protocol_mask == quint8(value[2]) * 256 + quint8(value[3]);
                break;
            }
            check(holds && !device->session_open(), "no false success: the device holds what was written",
                  sent[1] + " written, the device holds mode " + QString::number(held.drive_mode) + ", indication "
                      + QString::number(held.indication) + ", settings " + QString::number(held.settings_flags) + "/"
                      + QString::number(held.protocol_mask));
            const QString group = value[0] == 0x1C ? "mode" : value[0] == 0x34 ? "indication" : "settings";
            if (group == "mode")
                marked_mode = QStringList{"pushButton_stock", "pushButton_eco", "pushButton_dynamic"}.value(quint8(value[1]));
            else if (group == "indication")
                marked_indication = value[2] ? "pushButton_indication_on" : "pushButton_indication_off";
            else
                settings_edited = false;
        }
    }

    const auto log = rig()->server()->log();
    bool accepted = false, report_faulted = false;
    for (size_t i = server_log_before; i < log.size(); ++i)
        if (log[i].method == "POST") {
            accepted = accepted || (log[i].status >= 200 && log[i].status < 300);
            report_faulted = report_faulted || !log[i].fault.empty();
        }
    if (vehicle_changed) {
        // Whatever the server sent in place of the settings record or the software is not them.
        // (A settings record is read whatever its type says; the software only from a type
        // that may be a file.) The last answer to a request counts: the network layer asks
        // once more, on its own, when the server closed a kept-alive connection unanswered.
        for (size_t i = server_log_before; i < log.size(); ++i) {
            // The server logs a request when it answers it: one an earlier command gave up
            // (a time-out) may be answered now.
            if (log[i].time < began_at)
                continue;
            const std::string &target = log[i].target, &fault = log[i].fault;
            const bool software = target.find("/chip/software/") != std::string::npos;
            const bool settings = target.find("/vehicle/settings?") != std::string::npos;
            bool asked_again = false;
            for (size_t j = i + 1; j < log.size(); ++j)
                asked_again = asked_again || log[j].target == target;
            const bool harmless = fault.empty() || fault == "delay" || (settings && fault == "ctype")
                                  || (fault == "drop" && asked_again);
            check(!(software || settings) || harmless,
                  "no false success: nothing the server refused to give was installed",
                  QString::fromStdString(target + " answered with " + fault));
        }
        const int writes = sent.indexOf("21");
        const bool whole = device && writes == 11 && sent.value(12) == "24" && sent.value(13).startsWith("1e")
                           && device->state().software_checksum_ok;
        check(whole, "no false success: the whole vehicle went in", sent.join(", "));
        check(accepted, "no false success: the report was accepted", "no accepted install report");
        const QString held = device ? QString::fromLatin1(device->state().config_id) : QStringLiteral("-");
        check(held == chosen_id, "no false success: the vehicle chosen is installed",
              QStringLiteral("chosen %1, the device holds %2").arg(chosen_id, held));
        if (whole) {
            const SimDeviceState &held = device->state();
            const QByteArray expect[] = {held.config_id, held.brand, held.model, held.engine, held.power,
                                         held.torque, held.software_label};
            for (int i = 0; i < 7; ++i)
                check(QByteArray::fromHex(sent[i + 1].toLatin1()).mid(1) == expect[i],
                      "no false success: the device holds the vehicle", sent[i + 1]);
        }
        marked_mode = "pushButton_dynamic";
        marked_indication.clear();
        settings_edited = false;
    }
    for (const auto &d : rig()->server()->devices()) {
        const auto before = counts_before.find(d.serial);
        if (before == counts_before.end() || d.count >= before->second)
            continue;
        check(d.count == before->second - 1, "a configuration is spent once", QString::fromStdString(d.serial));
        // A reply lost on its way back (a delayed or dropped answer) cannot be told from a refusal.
        check(vehicle_changed || report_faulted, "a configuration is spent only with success",
              QString::fromStdString(d.serial) + " lost a configuration without \"Vehicle is changed!\"");
    }
}

void World::record_window()
{
    SimDevice *device = active_device();
    if (!main || !device || !device_open || widgets_cleared)
        return;
    Record r;
    r.step = step;
    r.command = command;
    r.device = device->state();
    const int slot = device == devices[1] ? 1 : 0;
    r.count_left = count_left[slot];
    r.language = language;
    r.key = state_key(r.device, r.count_left, language);
    r.looks = looks_of(main);
    r.settings_edited = settings_edited;
    r.marked_mode = marked_mode;
    r.marked_indication = marked_indication;
    records.append(r);
}

void World::check(bool ok, const char *invariant, const QString &saw)
{
    if (ok)
        return;
    const QString text = QStringLiteral("[%1] after step %2 (%3): %4").arg(invariant).arg(step).arg(command, saw);
    std::fprintf(stderr, "invariant broken: %s\n", qPrintable(text));
    RC_FAIL(text.toStdString());
}

// Each recorded window against a fresh window that identified a copy of the
// same device, in the same language, with the same configurations left.
void World::verify_shown_equals_held()
{
    static QMap<QString, Looks> fresh_windows;
    const QVector<Record> recorded = records;
    SimBus::instance().set_observer(nullptr);
    rig()->close_window();
    main = nullptr;
    for (const Record &r : recorded) {
        if (!fresh_windows.contains(r.key)) {
            SimBus::instance().reset();
            rig()->server()->reset();
            rig()->server()->set_device(r.device.serial.toStdString(), r.device.key.toStdString(), r.count_left ? 3 : 0);
            reset_shared_state();
            scale_intervals();
            MainWindow &fresh = rig()->open_window();
            fresh.show();
            auto *box = fresh.findChild<QComboBox *>("comboBox_language");
            box->setCurrentIndex(box->findText(languages[r.language]));
            SimDeviceState copy = r.device;
            SimBus::instance().plug(copy);
            const bool identified = QTest::qWaitFor([] { return device_open && !widgets_cleared && !SequenceGuard::busy(); },
                                                    settle_limit_ms);
            check(identified, "shown = held: a fresh window identifies the device", r.key);
            fresh_windows.insert(r.key, looks_of(&fresh));
            rig()->close_window();
        }
        const QStringList diffs = differences(r, fresh_windows.value(r.key));
        if (!diffs.isEmpty()) {
            step = r.step;
            command = r.command;
            check(false, "shown = held", diffs.join("; "));
        }
    }
    SimBus::instance().reset();
}
