#ifndef PROPERTY_WORLD_H
#define PROPERTY_WORLD_H

// The world a command of the property test acts on: the real window, up to two
// simulated devices on the in-process bus, the local API server, and the
// watchers that see what happens on the wire, in boxes and in the event loop.
// After every command the world waits until the window is idle and checks the
// invariants; a broken one fails the property with what it saw.

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <array>
#include <chrono>
#include <functional>
#include <memory>

#include "sim_bus.h"
#include "support/rig.h"
#include "support/window_snapshot.h"

class QWidget;

// A device as the property test plugs it.
struct DeviceSetup {
    bool plus = true;         // OR+ (serial "11...") or OR ("10...")
    bool configured = true;
    bool count_left = true;   // the server has configurations left for it
    int drive_mode = 0;
    bool indication = true;
    bool broken = false;      // takes no write: fails identification at its first message
    int flags = 0x0C;         // settings word as stored
    int protocol_bit = -1;    // -1: none
    int pins = 0;             // pin activity mask
    SimDeviceState state(int slot) const;
};

// The window once idle, with what the fresh window it is compared with must show.
struct Record {
    int step = 0;
    QString command;
    QString key;               // device state, configurations left, language
    SimDeviceState device;
    bool count_left = true;
    int language = 0;
    Looks looks;
    bool settings_edited = false;  // standby or protocol edited and not written
    QString marked_mode;           // the mode button a click disabled (it marks the mode written)
    QString marked_indication;     // the same for the indication buttons
};

class World : public QObject, public SimBusObserver
{
public:
    static constexpr int device_slots = 2;

    // The device intervals and the server's watchdog, shortened for the test.
    static void scale_intervals();
    // Every window the test makes, fresh as at a program start.
    static std::unique_ptr<Rig> &rig();

    World();
    ~World() override;
    // The program starts with a configured OR+ plugged in.
    void start();

    // Each command: begin(), its action, then settle() with its checks.
    void begin(const QString &command);
    void settle();

    // Actions.
    void plug(int slot, const DeviceSetup &setup);
    void unplug(int slot);
    void wait_presence();
    void click(const QString &name);
    void choose_protocol(int index);
    void choose_vehicle(int vehicle);
    void set_language(int index);
    void arm_device_fault(const SimFault &fault);
    void arm_server_fault(const apiserver::Fault &fault);
    // `action` runs once the devices have seen `message` more messages (1 = the next).
    void arm_during(int message, const QString &what, std::function<void()> action);
    // `action` runs while the next installation's report is on its way (which the
    // server then holds for a while).
    void arm_report(const QString &what, std::function<void()> action);
    bool report_closed = false;  // the window was closed while an installation was reported
    bool reported_since_begin() const;
    // The question is answered `answer_ms` after it shows (0: on the next turn).
    void close_window(bool answer_yes, int answer_ms = 0);
    static constexpr int late_answer_ms = 250;  // past an exchange's time-out (scaled)
    void pull_active_device();      // in the middle of a sequence
    void plug_spare_slot();         // a second device, in a slot that is free
    SimDevice *active_device() const;
    MainWindow *window() const { return main; }

    // After the last command: every recorded window equals a fresh one.
    void verify_shown_equals_held();

    // SimBusObserver
    void enter(SimBus &bus, Op op, SimDevice *device) override;
    void leave(SimBus &bus, Op op, SimDevice *device, const QByteArray &path) override;

private:
    void open_window();
    void end_program();
    static void restart_event_loops();
    bool idle() const;
    void check(bool ok, const char *invariant, const QString &saw);
    void check_presence();
    void check_prepared();
    void check_locks();
    void check_boxes();
    void check_wire();
    void check_success();
    void record_window();
    void note_fresh_reads();
    int fired_faults() const;
    QStringList messages_since_begin(const SimDevice *device) const;

    MainWindow *main = nullptr;
    std::array<SimDevice *, device_slots> devices{};
    std::array<bool, device_slots> count_left{{true, true}};
    SimDevice *opened = nullptr;          // the device the window holds open
    int language = 0;

    // Per command.
    QString command;
    int step = 0;
    int boxes_before = 0;
    bool device_trouble = false;    // a device fault may fire: exchanges may fail
    int faults_armed = 0;           // armed by this command
    int interventions = 0;          // actions in the middle of a sequence that ran
    int replaced_fired = 0;         // faults fired on devices a plug replaced during the command
    bool pulled_held = false;       // the command began with the window holding a pulled device's handle
    int server_faults_before = 0;
    QMap<const SimDevice *, int> journal_before;
    QMap<const SimDevice *, int> faults_before;
    std::map<std::string, int> counts_before;
    size_t server_log_before = 0;
    int stacked_boxes = 0;
    int own_boxes_allowed = 0;
    std::chrono::system_clock::time_point began_at;  // when the command began
    int questions_expected = 0;
    bool asking = false;  // a close of the window is under way (its question may be open)  // one for each close while a write runs
    bool closed_during = false;     // the window closed (a Yes, or nothing asked)
    bool writing_click = false;     // inside a click that writes into the device
    QByteArray message_in_flight;   // the last message the host began to send
    QString chosen_id;              // the vehicle chosen when apply was clicked
    QMap<const SimDevice *, int> messages_at_close;
    std::chrono::system_clock::time_point closed_at;
    bool report_sent_at_close = false;
    QTimer report_watch;            // runs report_action once the report is on its way
    std::function<void()> report_action;

    // Between commands.
    bool settings_edited = false;
    QSet<const SimDevice *> broken_shown;  // devices taking no write whose error box this program showed
    QSet<const SimDevice *> broken_tried;  // devices taking no write written to since the last box check
    QString marked_mode;
    QString marked_indication;
    QVector<Record> records;

    // The wire: stamps and framing.
    QElapsedTimer clock;
    double last_write_ms = -1;
    bool read_due = false;          // a write waits for its first read
    double answer_read_ms = -1;     // the read that took the last answer
    bool answered = false;
    bool awaiting = false;          // a packet went out and its answer is not read yet
    bool pending_before_read = false;
    QStringList floor_breaches;
    QMap<const SimDevice *, int> framing_checked;  // journal entries already checked
    QStringList framing_breaches;
    int new_messages = 0;           // host messages since the last arm_during
    struct During {
        int message;
        QString what;
        std::function<void()> action;
    };
    QVector<During> armed;

    // The event loop: a tick every 5 ms; the longest gap between two that the
    // window spent, not the machine.
    QTimer heartbeat;
    QTimer deadline;                // a command still running then is stuck
    bool stuck = false;
    // A command's and a settling's time, less what the GUI thread waited for a
    // processor: a busy machine slows a sequence without it being stuck.
    QElapsedTimer since_begin;
    qint64 begin_wait_ns = 0;
    static qint64 processor_wait_ns();
    static qint64 own_ms(const QElapsedTimer &since, qint64 wait_ns_then);
    QElapsedTimer since_beat;
    qint64 beat_cpu_ns = 0;
    qint64 longest_gap_ms = 0;       // the GUI thread's own processor time in the gap
    qint64 longest_gap_wall_ms = 0;  // the gap's length
    static qint64 thread_cpu_ns();
    void beat();

    class StackWatch;
    std::unique_ptr<StackWatch> stack_watch;
};

#endif // PROPERTY_WORLD_H
