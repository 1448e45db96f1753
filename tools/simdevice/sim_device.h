// A simulated drive-mode module: consumes the host's output reports and produces input
// reports exactly as the device does, so the configurator's real transport can be driven
// without hardware. Everything here is an independent implementation of the wire format;
// nothing is shared with the configurator's own code.
#pragma once

#include "sim_codec.h"
#include "sim_fault.h"

#include <QByteArray>
#include <QList>
#include <cstddef>
#include <memory>

class DeviceReplay;

// The values the device keeps. Text items are byte strings: the host writes one byte per
// UTF-16 code unit and reads them back as UTF-8, and the device stores them byte for byte.
struct SimDeviceState {
    QByteArray serial = "1100000001";  // "10..." is the model OR, "11..." the model OR+
    QByteArray key = "SIM-KEY-0001";
    // Five bytes each as the device reports them; a shorter or longer array is sent as it is,
    // which lets a test reproduce an odd firmware.
    QByteArray firmware = QByteArray::fromHex("010003000C");
    QByteArray hardware = QByteArray::fromHex("0100000002");
    QByteArray config_id = "ROVUncfg_CID";  // the id of a device with no vehicle
    QByteArray brand, model, engine, power, torque;
    QByteArray software_label;
    int drive_mode = 0;            // 0 stock, 1 eco, 2 dynamic
    quint16 indication = sim_wire::indication_on;  // 0 = off
    quint8 settings_flags = 0x0C;  // automatic standby and automatic protocol
    quint16 protocol_mask = 0;
    quint16 pin_activity = 0;
    int config_count = 3;          // remaining configurations
    bool software_received = false;
    QByteArray software_file;      // the file of the last 0x1E message, checksum removed
    bool software_checksum_ok = false;

    bool configured() const { return config_id != "ROVUncfg_CID"; }
    // A sample vehicle, for engineers and tests that need a configured device.
    void set_sample_vehicle();

    bool operator==(const SimDeviceState &o) const;
};

struct WirePacket {
    enum Direction { HostToDevice, DeviceToHost };
    Direction direction = HostToDevice;
    QByteArray bytes;   // the packet after base64 decoding
};

// The device's journal, in the order things happened: packets both ways and, after
// reassembly, each complete host message.
struct SimEvent {
    enum Kind { HostPacket, DevicePacket, HostMessage };
    Kind kind = HostPacket;
    QByteArray bytes;
    QByteArray report;  // host packets: the report text as it came (zero padding removed)
};

class SimDevice {
public:
    explicit SimDevice(const SimDeviceState &state = SimDeviceState());

    // One output report from the host: report id, then base64 text. Returns -1 when the
    // device is unplugged (or unplugs on this packet), else `length`.
    int write(const unsigned char *data, size_t length);
    // Non-blocking: 0 when nothing waits, -1 when unplugged, else the bytes copied of one
    // 64-byte input report.
    int read(unsigned char *data, size_t length);

    const SimDeviceState &state() const { return state_; }
    SimDeviceState &state() { return state_; }
    void set_state(const SimDeviceState &state) { state_ = state; }

    bool plugged() const { return plugged_; }
    void set_plugged(bool plugged);
    // A silent device takes every report and never answers: another kind of HID device.
    void set_silent(bool silent) { silent_ = silent; }
    bool silent() const { return silent_; }
    // A write sequence (0x03 ... 0x24) is open. Values take effect at once either way.
    bool session_open() const { return session_open_; }
    bool has_pending_report() const;
    // A device that takes no report: every write fails while it stays on the bus.
    void set_write_failing(bool failing) { write_failing_ = failing; }
    bool write_failing() const { return write_failing_; }

    // The host opened or closed a handle. What the device had not handed over when the
    // host let go (a late answer) stays in the device and reaches the host at the first
    // poll after the next open, first_poll_ms later; a leftover fault fires at the open.
    void host_opened();
    void host_closed();
    static constexpr qint64 first_poll_ms = 2;
    // When the next report may be read, on the steady clock in ms (0: whenever one waits).
    qint64 report_due_ms() const;
    static qint64 now_ms();

    // While set, the recording answers instead of the model: writes, reads and the due
    // time go to it, and the device is pulled out when the host departs from it. The
    // stored values, faults and the open/close hand-over are left alone. Null: the model again.
    void set_replay(std::shared_ptr<DeviceReplay> replay) { replay_ = std::move(replay); }
    const std::shared_ptr<DeviceReplay> &replay() const { return replay_; }

    void add_fault(const SimFault &fault);
    void set_faults(const QList<SimFault> &faults) { faults_ = faults; }
    QList<SimFault> faults() const { return faults_; }
    // Also ends faults already at work (dropped packets, a late answer, endless chunks).
    void clear_faults();

    QList<QByteArray> messages() const;
    QList<WirePacket> wire() const;
    const QList<SimEvent> &journal() const { return journal_; }
    void clear_log() { journal_.clear(); }

    // Grows whenever traffic changes what a state file holds: a stored value, the fault
    // queue or the plugged status. Lets an owner save only when something changed.
    quint64 revision() const { return revision_; }

private:
    void log(SimEvent::Kind kind, const QByteArray &bytes);
    QByteArray context_of(const QByteArray &packet) const;
    bool take_ready_fault(const QList<SimFault::Kind> &kinds, const QByteArray &context);
    void note_message(const QByteArray &message);
    void handle_packet(const QByteArray &packet);
    void on_chunk(const QByteArray &packet);
    void on_end(const QByteArray &packet);
    void on_host_ack(const QByteArray &packet);
    void on_message(const QByteArray &message);
    QByteArray answer(const QByteArray &message);
    QByteArray answer_query(const QByteArray &message) const;
    QByteArray store_software(const QByteArray &message);
    void send_reply(const QByteArray &reply);
    void queue_packet(const QByteArray &packet);
    void queue_report(const QByteArray &report);
    void stop_reply();
    void changed() { ++revision_; }

    enum class ReplyMode { None, Normal, BadOffset, Endless };

    SimDeviceState state_;
    bool plugged_ = true;
    bool silent_ = false;
    bool session_open_ = false;
    QList<SimFault> faults_;
    SimFault fired_;             // the fault take_ready_fault() took last
    QList<SimEvent> journal_;
    quint64 revision_ = 0;

    QList<QByteArray> pending_;  // input reports waiting to be read
    int drop_packets_ = 0;       // packets still to ignore (no-answer fault at work)
    int late_reads_ = 0;         // reads that still find nothing (late fault at work)
    bool held_ = false;          // reports kept in the device since the host closed it
    qint64 due_ms_ = 0;          // no report is read before this time (now_ms())
    bool write_failing_ = false;

    bool assembling_ = false;    // a chunked host message is coming in
    QByteArray assembly_;

    ReplyMode reply_mode_ = ReplyMode::None;
    QByteArray reply_;           // the chunked reply being sent
    QByteArray reply_query_;     // the message it answers
    int endless_left_ = 0;       // chunks an endless reply may still send (-1 = no limit)

    quint32 random_ = 0x2545F491u;
    std::shared_ptr<DeviceReplay> replay_;
};
