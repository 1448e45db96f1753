// The simulated device driven through the hidapi functions, as the configurator drives it.
// The host side below frames packets with Qt's own base64, so the device's codec is checked
// against an independent one.
#include "device_replay.h"
#include "sim_bus.h"
#include "sim_codec.h"
#include "sim_file_link.h"
#include "sim_state_file.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray report_text(const unsigned char *report, int n)
{
    QByteArray text(reinterpret_cast<const char *>(report), n);
    const int zero = text.indexOf('\0');
    return zero < 0 ? text : text.left(zero);
}

// Plays the host: one output report per packet, one input report read back.
struct Host {
    hid_device *handle = nullptr;
    int last_read = 0;
    QByteArray last_text;

    int send(const QByteArray &packet)
    {
        const QByteArray text = packet.toBase64(QByteArray::OmitTrailingEquals);
        unsigned char report[65] = {};
        memcpy(report + 1, text.constData(), size_t(text.size()));
        return hid_write(handle, report, sizeof report);
    }
    // The packet read, or "none" when nothing waited (see last_read for the result).
    QByteArray receive()
    {
        unsigned char report[64] = {};
        last_read = hid_read(handle, report, sizeof report);
        if (last_read <= 0)
            return "none";
        last_text = report_text(report, last_read);
        return QByteArray::fromBase64(last_text);
    }
    QByteArray round(const QByteArray &packet)
    {
        send(packet);
        return receive();
    }
    static QByteArray frame(int type, int offset, const QByteArray &data = {})
    {
        return QByteArray(1, char(type)) + char(offset >> 8) + char(offset & 0xFF) + data;
    }
    // A whole exchange with chunking both ways; returns the reply message.
    QByteArray exchange(const QByteArray &message)
    {
        QByteArray answer;
        if (message.size() <= 16) {
            answer = round(message);
        } else {
            answer = round(frame(0xDC, 0, message.left(16)));
            for (int guard = 0; answer.startsWith(char(0xDD)) && guard < 10000; ++guard) {
                const int offset = quint8(answer[1]) * 256 + quint8(answer[2]);
                answer = offset >= message.size()
                             ? round(frame(0xDE, offset))
                             : round(frame(0xDC, offset, message.mid(offset, 16)));
                if (offset >= message.size())
                    break;
            }
        }
        if (!answer.startsWith(char(0xDC)))
            return answer;
        QByteArray data;
        for (int guard = 0; answer.startsWith(char(0xDC)) && guard < 10000; ++guard) {
            const int offset = quint8(answer[1]) * 256 + quint8(answer[2]);
            data.truncate(offset);
            data += answer.mid(3);
            answer = round(frame(0xDD, data.size()));
        }
        return answer.startsWith(char(0xDE)) ? data : "bad end " + answer.toHex();
    }
};

QList<QByteArray> wire_of(const SimDevice *device)
{
    QList<QByteArray> out;
    for (const WirePacket &p : device->wire())
        out << (p.direction == WirePacket::HostToDevice ? "H " : "D ") + p.bytes.toHex(' ');
    return out;
}

SimDeviceState configured_state()
{
    SimDeviceState s;
    s.serial = "1000123456";
    s.key = "k\xC3\xA9y";
    s.set_sample_vehicle();
    s.config_count = 12;
    s.drive_mode = 1;
    s.settings_flags = 0x02;
    s.protocol_mask = 0x0080;
    s.pin_activity = 0x0021;
    return s;
}

QByteArray software_message(const QByteArray &file, const QByteArray &checksum)
{
    return hex("1E0000") + file + checksum;
}

const QByteArray replay_header = "orv-record header format=1 program=orv vendor=1fc9 product=0087\n";

QByteArray recorded(const char *kind, int t, const char *packet)
{
    return QByteArray("orv-record ") + kind + " t=" + QByteArray::number(t) + " r="
           + hex(packet).toBase64(QByteArray::OmitTrailingEquals) + '\n';
}

}  // namespace

Q_DECLARE_METATYPE(SimFault)

class TestSimDevice : public QObject {
    Q_OBJECT

    SimBus &bus = SimBus::instance();
    SimDevice *device = nullptr;
    Host host;

    void open_device(const SimDeviceState &state = configured_state())
    {
        device = bus.plug(state);
        host.handle = hid_open_path(bus.path_of(device).constData());
        QVERIFY(host.handle);
        QCOMPARE(hid_set_nonblocking(host.handle, 1), 0);
    }

private slots:
    void init() { bus.reset(); }
    void cleanup()
    {
        bus.reset();
        device = nullptr;
        host = Host();
    }

    void enumeration_lists_plugged_devices_in_order()
    {
        QVERIFY(!hid_enumerate(0, 0));
        QCOMPARE(QString::fromWCharArray(hid_error(nullptr)),
                 QStringLiteral("No HID devices found in the system."));

        SimDevice *first = bus.plug(SimDeviceState());
        bus.plug_other();
        SimDevice *second = bus.plug(configured_state());
        hid_device_info *all = hid_enumerate(0, 0);
        hid_device_info *ours = hid_enumerate(0x1FC9, 0x0087);
        QCOMPARE(bus.live_enumerations(), 2);
        int listed = 0;
        for (hid_device_info *i = all; i; i = i->next)
            ++listed;
        QCOMPARE(listed, 3);
        QVERIFY(ours && ours->next && !ours->next->next);
        QCOMPARE(QByteArray(ours->path), bus.path_of(first));
        QCOMPARE(QByteArray(ours->next->path), bus.path_of(second));
        QVERIFY(bus.path_of(first) != bus.path_of(second));
        QCOMPARE(QString::fromWCharArray(ours->next->serial_number), QStringLiteral("1000123456"));
        hid_free_enumeration(all);
        hid_free_enumeration(ours);

        bus.unplug(first);
        ours = hid_enumerate(0x1FC9, 0x0087);
        QVERIFY(ours && !ours->next);
        QCOMPARE(QByteArray(ours->path), bus.path_of(second));
        hid_free_enumeration(ours);
        QCOMPARE(bus.live_enumerations(), 0);
    }

    void handles_fail_after_unplug_and_are_counted()
    {
        SimDevice *d = bus.plug(configured_state());
        const QByteArray path = bus.path_of(d);
        bus.fail_next_opens(1);
        QVERIFY(!hid_open_path(path.constData()));
        QVERIFY(QString::fromWCharArray(hid_error(nullptr)).contains("busy"));
        // A node without access, as hidraw reports it.
        bus.fail_next_opens(1, EACCES);
        QVERIFY(!hid_open_path(path.constData()));
        QCOMPARE(errno, EACCES);
        QCOMPARE(QString::fromWCharArray(hid_error(nullptr)),
                 "Failed to open a device with path '" + path + "': " + QString::fromLocal8Bit(strerror(EACCES)));
        host.handle = hid_open_path(path.constData());
        QVERIFY(host.handle);
        QCOMPARE(bus.total_opens(), 1);
        QCOMPARE(bus.open_handles(), 1);

        bus.unplug(d);
        QCOMPARE(host.send(hex("090a")), -1);
        QCOMPARE(host.receive(), QByteArray("none"));
        QCOMPARE(host.last_read, -1);
        QVERIFY(!hid_open_path(path.constData()));
        QVERIFY(QString::fromWCharArray(hid_error(host.handle)).contains("disconnected"));
        hid_close(host.handle);
        QCOMPARE(bus.open_handles(), 0);
        QCOMPARE(bus.total_closes(), 1);
        QCOMPARE(bus.stale_handle_calls(), 0);
        hid_close(host.handle);  // a stale handle is ignored, not freed twice, and counted
        QCOMPARE(hid_read(host.handle, nullptr, 64), -1);
        QCOMPARE(bus.total_closes(), 1);
        QCOMPARE(bus.stale_handle_calls(), 2);
        QCOMPARE(hid_exit(), 0);
        QCOMPARE(bus.exit_calls(), 1);
    }

    void queries_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("serial") << hex("090a") << "\x0a" + QByteArray("1000123456");
        QTest::newRow("hardware") << hex("090b") << hex("0b0100000002");
        QTest::newRow("firmware") << hex("090c") << hex("0c010003000c");
        QTest::newRow("key") << hex("090d04") << hex("0d04") + "k\xC3\xA9y";
        QTest::newRow("key without marker") << hex("090d") << hex("f1");
        QTest::newRow("config id") << hex("0914") << "\x14" + QByteArray("VEH-000142");
        QTest::newRow("model") << hex("0916") << "\x16" + QByteArray("Roadster");
        QTest::newRow("torque") << hex("0919") << "\x19" + QByteArray("320");
        QTest::newRow("software label") << hex("091a") << "\x1a" + QByteArray("SW-0142-A");
        QTest::newRow("count as digits") << hex("091b") << hex("1b0102");
        QTest::newRow("drive mode") << hex("091c") << hex("1c01");
        QTest::newRow("settings") << hex("0932") << hex("32020080");
        QTest::newRow("pin activity") << hex("0933") << hex("330021");
        QTest::newRow("indication") << hex("0934") << hex("34003c");
        QTest::newRow("unknown query") << hex("0963") << hex("f1");
        QTest::newRow("query without code") << hex("09") << hex("f1");
    }
    void queries()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, reply);
        open_device();
        QCOMPARE(host.exchange(message), reply);
        QCOMPARE(device->messages(), QList<QByteArray>{message});
    }

    void commands_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("read_back");
        QTest::newRow("eco") << hex("1c01") << hex("f0") << hex("091c") << hex("1c01");
        QTest::newRow("mode 3 refused") << hex("1c03") << hex("f1") << hex("091c") << hex("1c01");
        QTest::newRow("settings word") << hex("320c0000") << hex("f0") << hex("0932") << hex("320c0000");
        QTest::newRow("short settings") << hex("320c") << hex("f1") << hex("0932") << hex("32020080");
        QTest::newRow("indication off") << hex("340000") << hex("f0") << hex("0934") << hex("340000");
        QTest::newRow("count 300 sent as 0x2c") << hex("1b2c") << hex("f0") << hex("091b") << hex("1b0404");
        QTest::newRow("brand byte for byte") << hex("15eb00") << hex("f0") << hex("0915") << hex("15eb00");
        QTest::newRow("empty brand") << hex("15") << hex("f0") << hex("0915") << hex("15");
        QTest::newRow("unconfigure") << "\x14" + QByteArray("ROVUncfg_CID") << hex("f0") << hex("0914")
                                     << "\x14" + QByteArray("ROVUncfg_CID");
        QTest::newRow("unknown command") << hex("77") << hex("f1") << hex("091c") << hex("1c01");
    }
    void commands()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, read_back);
        open_device();
        QCOMPARE(host.exchange(hex("03")), hex("f0"));
        const quint64 revision = device->revision();
        QCOMPARE(host.exchange(command), answer);
        QCOMPARE(device->revision() != revision, answer == hex("f0"));
        QCOMPARE(host.exchange(hex("21")), hex("f0"));
        QCOMPARE(host.exchange(hex("24")), hex("f0"));
        QCOMPARE(host.exchange(query), read_back);
    }

    void sixteen_bytes_go_plain_seventeen_in_chunks()
    {
        open_device();
        const QByteArray sixteen = "\x15" + QByteArray("ABCDEFGHIJKLMNO");
        const QByteArray seventeen = sixteen + "P";
        QCOMPARE(host.exchange(sixteen), hex("f0"));
        QCOMPARE(host.last_text, QByteArray("8A"));  // no '=' on the wire
        QCOMPARE(host.exchange(seventeen), hex("f0"));
        QCOMPARE(wire_of(device), (QList<QByteArray>{
                                      "H " + sixteen.toHex(' '), "D f0",
                                      "H dc 00 00 " + sixteen.toHex(' '), "D dd 00 10",
                                      "H dc 00 10 50", "D dd 00 11",
                                      "H de 00 11", "D f0"}));
        QCOMPARE(device->messages(), (QList<QByteArray>{sixteen, seventeen}));
        QCOMPARE(device->state().brand, QByteArray("ABCDEFGHIJKLMNOP"));
    }

    void long_reply_follows_the_host_acks()
    {
        SimDeviceState s = configured_state();
        s.brand = "ABCDEFGHIJKLMNOPQRST";  // 21 bytes with the echoed code
        open_device(s);
        QCOMPARE(host.round(hex("0915")), Host::frame(0xDC, 0, "\x15" + QByteArray("ABCDEFGHIJKLMNO")));
        // The host may ask again from an earlier offset; the device sends from there.
        QCOMPARE(host.round(Host::frame(0xDD, 4)), Host::frame(0xDC, 4, "DEFGHIJKLMNOPQRS"));
        QCOMPARE(host.round(Host::frame(0xDD, 20)), Host::frame(0xDC, 20, "T"));
        QCOMPARE(host.round(Host::frame(0xDD, 21)), Host::frame(0xDE, 21));
        QCOMPARE(host.round(Host::frame(0xDD, 21)), hex("f1"));  // no reply under way any more
        QCOMPARE(device->messages(), QList<QByteArray>{hex("0915")});
    }

    void chunk_beyond_what_the_device_holds_is_asked_again()
    {
        open_device();
        QCOMPARE(host.round(Host::frame(0xDC, 0, QByteArray("\x15") + QByteArray(15, 'x'))), Host::frame(0xDD, 16));
        QCOMPARE(host.round(Host::frame(0xDC, 32, "zz")), Host::frame(0xDD, 16));
        QCOMPARE(host.round(Host::frame(0xDE, 20)), hex("f1"));  // length the device never got
        QVERIFY(device->messages().isEmpty());
    }

    void reports_decode_leniently()
    {
        open_device();
        unsigned char report[65] = {};
        memcpy(report + 1, "C\nQo=*", 6);  // noise inside and padding after the text of 09 0a
        QCOMPARE(hid_write(host.handle, report, sizeof report), 65);
        QCOMPARE(host.receive(), "\x0a" + QByteArray("1000123456"));
        QCOMPARE(host.last_read, 64);
    }

    void software_file_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("verified");
        QTest::newRow("empty file") << hex("1e00001e00") << hex("f0") << QByteArray() << true;
        QTest::newRow("three bytes") << hex("1e0000010203" "2400") << hex("f0") << hex("010203") << true;
        const QByteArray ff300(300, char(0xFF));
        QTest::newRow("odd digit dropped") << software_message(ff300, hex("f22a")) << hex("f0") << ff300 << true;
        const QByteArray ff4112(4112, char(0xFF));  // S = 0x10000e, three checksum bytes
        QTest::newRow("six digits") << software_message(ff4112, hex("0e0010")) << hex("f0") << ff4112 << true;
        QTest::newRow("wrong checksum") << hex("1e0000010203" "2500") << hex("f1") << hex("010203") << false;
        QTest::newRow("bad header") << hex("1e0100010203" "2400") << hex("f1") << hex("010203") << false;
    }
    void software_file()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, file);
        QFETCH(bool, verified);
        open_device();
        QCOMPARE(host.exchange(message), answer);
        QVERIFY(device->state().software_received);
        QCOMPARE(device->state().software_checksum_ok, verified);
        QCOMPARE(device->state().software_file, file);
        QCOMPARE(sim_wire::checksum_bytes(0x12AF2), hex("f22a"));
    }

    void answer_faults_data()
    {
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("fail") << SimFault::fail() << hex("f1");
        QTest::newRow("fail connection") << SimFault::fail_connection() << hex("f1f3");
        QTest::newRow("reply with a wrong code") << SimFault::reply(hex("0b01")) << hex("0b01");
        QTest::newRow("chunked fail") << SimFault::chunked_fail(hex("f3"))
                                      << hex("f1f3") + QByteArray(18, '\0');
        QTest::newRow("late") << SimFault::late(0) << hex("f0");
        QTest::newRow("long reply is chunked") << SimFault::reply(QByteArray(20, 'r')) << QByteArray(20, 'r');
    }
    void answer_faults()
    {
        QFETCH(SimFault, fault);
        QFETCH(QByteArray, answer);
        open_device();
        device->add_fault(fault);
        QCOMPARE(host.exchange(hex("1c02")), answer);
        QCOMPARE(device->state().drive_mode, answer == hex("f0") ? 2 : 1);  // refused = untouched
        QCOMPARE(host.exchange(hex("1c00")), hex("f0"));                      // fired once only
        QVERIFY(device->faults().isEmpty());
    }

    void faults_wait_for_their_message()
    {
        open_device();
        device->add_fault(SimFault::fail(hex("0914"), 1));
        QCOMPARE(host.exchange(hex("090a")).left(1), hex("0a"));  // another code does not count
        QCOMPARE(host.exchange(hex("0914")), "\x14" + QByteArray("VEH-000142"));
        QCOMPARE(host.exchange(hex("0914")), hex("f1"));
        QCOMPARE(host.exchange(hex("0914")).left(1), hex("14"));
    }

    void no_answer_drops_packets()
    {
        open_device();
        device->add_fault(SimFault::no_answer(2, hex("090a")));
        QCOMPARE(host.round(hex("03")), hex("f0"));
        QCOMPARE(host.round(hex("090a")), QByteArray("none"));
        QCOMPARE(host.last_read, 0);
        QCOMPARE(host.round(hex("090a")), QByteArray("none"));
        QCOMPARE(host.round(hex("090a")).left(1), hex("0a"));
        // The host sent them all, answered or not.
        QCOMPARE(device->messages(), (QList<QByteArray>{hex("03"), hex("090a"), hex("090a"), hex("090a")}));
    }

    void faults_on_chunked_messages()
    {
        open_device();
        const QByteArray message = "\x15" + QByteArray(20, 'b');
        device->add_fault(SimFault::no_answer(1, hex("15")));
        QCOMPARE(host.round(Host::frame(0xDC, 0, message.left(16))), QByteArray("none"));
        QCOMPARE(host.exchange(message), hex("f0"));  // the host starts over and gets through
        device->add_fault(SimFault::unplug_after(0, hex("15")));
        QCOMPARE(host.send(Host::frame(0xDC, 0, message.left(16))), -1);
        QCOMPARE(device->messages(), QList<QByteArray>{message});
    }

    void replies_queue_in_order()
    {
        open_device();
        host.send(hex("091b"));
        host.send(hex("091c"));
        QCOMPARE(host.receive(), hex("1b0102"));
        QCOMPARE(host.receive(), hex("1c01"));
        QCOMPARE(host.receive(), QByteArray("none"));
        QCOMPARE(host.last_read, 0);
    }

    void late_answer_waits_for_reads()
    {
        open_device();
        device->add_fault(SimFault::late(3));
        host.send(hex("091c"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(host.receive(), QByteArray("none"));
        QCOMPARE(host.receive(), hex("1c01"));
        QCOMPARE(host.receive(), QByteArray("none"));
    }

    void lower_ack_makes_the_host_resend()
    {
        open_device();
        device->add_fault(SimFault::lower_ack(hex("15")));
        const QByteArray message = "\x15" + QByteArray("ABCDEFGHIJKLMNOP");
        QCOMPARE(host.exchange(message), hex("f0"));
        QCOMPARE(wire_of(device), (QList<QByteArray>{
                                      "H dc 00 00 " + message.left(16).toHex(' '), "D dd 00 10",
                                      "H dc 00 10 50", "D dd 00 00",
                                      "H dc 00 00 " + message.left(16).toHex(' '), "D dd 00 10",
                                      "H dc 00 10 50", "D dd 00 11",
                                      "H de 00 11", "D f0"}));
        QCOMPARE(device->state().brand, QByteArray("ABCDEFGHIJKLMNOP"));
    }

    void ack_past_end_after_the_first_chunk()
    {
        open_device();
        device->add_fault(SimFault::ack_past_end(hex("15")));
        const QByteArray message = "\x15" + QByteArray("ABCDEFGHIJKLMNOPQ");
        QCOMPARE(host.round(Host::frame(0xDC, 0, message.left(16))), Host::frame(0xDD, 0xFFFF));
        // The device holds the first chunk only, so an end at the message's size is refused.
        QCOMPARE(host.round(Host::frame(0xDE, message.size())), hex("f1"));
        QCOMPARE(host.exchange(message), hex("f0"));  // once only
        QCOMPARE(device->state().brand, message.mid(1));
    }

    void chunk_gap_skips_sixteen_bytes_once()
    {
        SimDeviceState s = configured_state();
        s.brand = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        open_device(s);
        device->add_fault(SimFault::chunk_gap(hex("0915")));
        QCOMPARE(host.round(hex("0915")), Host::frame(0xDC, 0, "\x15" + s.brand.left(15)));
        QCOMPARE(host.round(Host::frame(0xDD, 16)), Host::frame(0xDC, 32, s.brand.mid(31)));
        QCOMPARE(host.exchange(hex("0915")), "\x15" + s.brand);  // once only
    }

    void unplug_after_messages()
    {
        open_device();
        device->add_fault(SimFault::unplug_after(2));
        QCOMPARE(host.exchange(hex("03")), hex("f0"));
        QCOMPARE(host.exchange(hex("1c02")), hex("f0"));
        QCOMPARE(host.send(hex("21")), -1);
        QCOMPARE(host.receive(), QByteArray("none"));
        QCOMPARE(host.last_read, -1);
        QVERIFY(!hid_enumerate(0x1FC9, 0x0087));
        QCOMPARE(device->state().drive_mode, 2);
        QCOMPARE(device->messages().size(), 2);
    }

    void garbage_replies()
    {
        open_device();
        device->add_fault(SimFault::garbage_reply(SimFault::GarbageKind::RandomBytes));
        device->add_fault(SimFault::garbage_reply(SimFault::GarbageKind::InvalidBase64));
        device->add_fault(SimFault::garbage_reply(SimFault::GarbageKind::BadOffset));
        device->add_fault(SimFault::garbage_reply(SimFault::GarbageKind::EndlessChunks, {}, 0, 3));

        unsigned char report[64];
        host.send(hex("090a"));
        QCOMPARE(hid_read(host.handle, report, 64), 64);
        QVERIFY(report[0] != 0);  // a report the host must take, not "nothing waiting"

        QCOMPARE(host.round(hex("090a")), QByteArray());
        QVERIFY(!host.last_text.isEmpty());

        QCOMPARE(host.round(hex("090a")), Host::frame(0xDC, 0x1234, QByteArray(16, 'Z')));
        QCOMPARE(host.round(Host::frame(0xDD, 0x1244)), Host::frame(0xDE, 0x1244));

        QCOMPARE(host.round(hex("090a")).left(3), Host::frame(0xDC, 0));
        QCOMPARE(host.round(Host::frame(0xDD, 16)).left(3), Host::frame(0xDC, 16));
        QCOMPARE(host.round(Host::frame(0xDD, 32)).left(3), Host::frame(0xDC, 32));
        QCOMPARE(host.round(Host::frame(0xDD, 48)), QByteArray("none"));

        QCOMPARE(host.exchange(hex("090a")).left(1), hex("0a"));  // back to normal
    }

    void state_file_round_trip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("device.json");
        SimDeviceFile f;
        f.plugged = false;
        f.vendor_id = 0x1234;
        f.generation = 7;
        f.state = configured_state();
        f.state.brand = hex("eb41");          // not UTF-8
        f.state.serial = QByteArray("11\0x", 4);  // a zero byte inside
        f.state.firmware = hex("010203");
        f.state.software_received = true;
        f.state.software_file = QByteArray(1000, char(0xAB));
        f.faults << SimFault::no_answer(3, hex("090a"), 2) << SimFault::chunked_fail(hex("f3"))
                 << SimFault::garbage_reply(SimFault::GarbageKind::EndlessChunks, {}, 0, 5)
                 << SimFault::reply(hex("0b01")) << SimFault::unplug_after(4)
                 << SimFault::lower_ack() << SimFault::late(2) << SimFault::fail_connection()
                 << SimFault::ack_past_end(hex("1e"));
        QString error;
        QVERIFY2(save_device_file(path, f, &error), qPrintable(error));
        SimDeviceFile back;
        QVERIFY2(load_device_file(path, &back, &error), qPrintable(error));
        QCOMPARE(device_file_to_json(back), device_file_to_json(f));

        QFile hand(path);
        QVERIFY(hand.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hand.write(R"({"state": {"brand": "Ölmotor", "drive_mode": "0x2"}, "faults": [{"kind": "fail"}]})");
        hand.close();
        QVERIFY2(load_device_file(path, &back, &error), qPrintable(error));
        QCOMPARE(back.state.brand, QByteArray("Ölmotor"));
        QCOMPARE(back.state.drive_mode, 2);
        QCOMPARE(back.state.key, SimDeviceState().key);  // missing keys keep their defaults
        QCOMPARE(back.faults, QList<SimFault>{SimFault::fail()});

        QVERIFY(hand.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hand.write(R"({"state": {"indication": 70000}})");
        hand.close();
        QVERIFY(!load_device_file(path, &back, &error));
        QVERIFY(error.contains("indication"));
    }

    void file_link_follows_and_updates_the_file()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("device.json");
        const QString log = dir.filePath("wire.log");
        SimDeviceFile f;
        f.state = configured_state();
        f.faults << SimFault::fail(hex("0932"));
        QString error;
        QVERIFY(save_device_file(path, f, &error));
        SimFileLink link(path, log);
        QVERIFY(link.sync());
        const std::shared_ptr<SimDevice> first = link.device();
        QVERIFY(first && first->plugged());
        // One plain packet through the link, and its answer as the bed hands it on.
        const auto round = [&](const QByteArray &packet) {
            const QByteArray report = QByteArray(1, '\0') + sim_wire::make_report(packet);
            link.write(*first, reinterpret_cast<const unsigned char *>(report.constData()), size_t(report.size()));
            unsigned char in[64] = {};
            const int n = first->read(in, sizeof in);
            link.flush_log(*first);
            return QByteArray::fromBase64(report_text(in, n));
        };
        link.log_line("OPEN /dev/hidraw0");
        QCOMPARE(round(hex("1c02")), hex("f0"));
        QCOMPARE(round(hex("0932")), hex("f1"));
        SimDeviceFile on_disk;
        QVERIFY(load_device_file(path, &on_disk, &error));
        QCOMPARE(on_disk.state.drive_mode, 2);  // the host's change is written back
        QVERIFY(on_disk.faults.isEmpty());      // and so is the fault it used up

        // An engineer edits the file while the program runs, then plugs the device in again.
        on_disk.state.brand = "Edited";
        QVERIFY(save_device_file(path, on_disk, &error));
        QCOMPARE(round(hex("0915")), "\x15" + QByteArray("Edited"));
        ++on_disk.generation;
        QVERIFY(save_device_file(path, on_disk, &error));
        QVERIFY(link.sync());
        QVERIFY(!first->plugged());
        QVERIFY(link.device() && link.device() != first);
        QCOMPARE(link.device()->state().drive_mode, 2);

        QFile broken(path);  // a bad edit leaves the device as it was
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("{ not json");
        broken.close();
        QVERIFY(!link.sync());
        QVERIFY(link.device()->plugged());

        QFile wire(log);
        QVERIFY(wire.open(QIODevice::ReadOnly));
        QCOMPARE(wire.readAll().split('\n').mid(0, 4),
                 (QList<QByteArray>{"OPEN /dev/hidraw0", "H>D 1c 02", "MSG 1c 02", "D>H f0"}));
    }

    void simdev_command_edits_the_file()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("device.json");
        auto run = [&](const QStringList &args) {
            QProcess p;
            p.start(ORV_SIMDEV_COMMAND, QStringList{"--file", path} + args);
            p.waitForFinished(10000);
            return qMakePair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()));
        };
        QCOMPARE(run({"init", "--model", "or", "--configured"}).first, 0);
        QCOMPARE(run({"set", "drive_mode", "1"}).first, 0);
        QCOMPARE(run({"set", "brand", R"({"hex": "eb41"})"}).first, 0);
        QCOMPARE(run({"set", "power", "150"}).first, 0);  // a text field keeps digits as text
        QCOMPARE(run({"set", "settings_flags", "0x0c"}).first, 0);
        QCOMPARE(run({"fault", "no-answer", "2", "--match", "09 0a"}).first, 0);
        QCOMPARE(run({"fault", "chunk-gap", "--match", "09 15"}).first, 0);
        QCOMPARE(run({"set", "drive_mode", "turbo"}).first, 2);
        QCOMPARE(run({"set", "turbo", "1"}).first, 2);
        QCOMPARE(run({"unplug"}).first, 0);
        SimDeviceFile f;
        QString error;
        QVERIFY(load_device_file(path, &f, &error));
        QVERIFY(!f.plugged);
        QCOMPARE(f.state.serial, QByteArray("1000000001"));  // an OR's
        QCOMPARE(f.state.drive_mode, 1);
        QCOMPARE(f.state.brand, hex("eb41"));
        QCOMPARE(f.state.power, QByteArray("150"));
        QCOMPARE(f.state.settings_flags, quint8(0x0c));
        QCOMPARE(f.faults, (QList<SimFault>{SimFault::no_answer(2, hex("090a")), SimFault::chunk_gap(hex("0915"))}));
        const auto shown = run({"show"});  // the file's JSON, as the file holds it
        QCOMPARE(shown.first, 0);
        QCOMPARE(QJsonDocument::fromJson(shown.second.toUtf8()).object(), device_file_to_json(f));
        QCOMPARE(run({"plug"}).first, 0);
        QVERIFY(load_device_file(path, &f, &error));
        QVERIFY(f.plugged);
        QCOMPARE(f.generation, 1);
    }
    void replay_answers_as_recorded_after_the_delay()
    {
        open_device();
        QString error;
        const auto replay = DeviceReplay::from_text(
            replay_header + "orv-record open t=0\n" + recorded("out", 100, "090c") + recorded("in", 245, "0c0100")
                + recorded("in", 245, "0c0200") + recorded("out", 300, "090a") + recorded("in", 300, "0a31"),
            "test", &error);
        QVERIFY2(replay, qPrintable(error));
        device->set_replay(replay);
        QElapsedTimer clock;
        clock.start();
        host.send(hex("090c"));
        QCOMPARE(host.receive(), QByteArray("none"));  // read 145 ms later: due after 120 ms
        QCOMPARE(replay->unfinished(), QStringLiteral("replay: incomplete: the program stopped before packet 4 "
                                                      "(out CQo (09 0a)), 2 packets early"));
        QByteArray first;
        while ((first = host.receive()) == "none" && clock.elapsed() < 2000)
            QThread::msleep(2);
        QVERIFY2(clock.elapsed() >= 110, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(first, hex("0c0100"));
        QCOMPARE(host.receive(), hex("0c0200"));
        QCOMPARE(host.round(hex("090a")), hex("0a31"));
        QVERIFY(replay->finished());
    }

    // A failed write fails again; the device stays unless the recording dropped it next.
    void replay_fails_a_write_that_failed_when_recorded()
    {
        open_device();
        const QByteArray failed = " failed=1\norv-record end t=0 ok=0\n";
        const auto replay = DeviceReplay::from_text(
            replay_header + recorded("out", 0, "090c").chopped(1) + failed + recorded("out", 9, "090c")
                + recorded("in", 9, "0c01") + recorded("out", 20, "091b").chopped(1) + failed + "orv-record drop t=30\n",
            "test", nullptr);
        device->set_replay(replay);
        QCOMPARE(host.send(hex("090c")), -1);
        QVERIFY(device->plugged() && !replay->failed());
        QCOMPARE(host.round(hex("090c")), hex("0c01"));
        QCOMPARE(host.send(hex("091b")), -1);
        QVERIFY(!device->plugged() && !replay->failed() && replay->finished());
    }

    void replay_fails_at_the_first_difference_and_the_device_is_gone()
    {
        open_device();
        const auto replay = DeviceReplay::from_text(replay_header + recorded("out", 0, "090c") + recorded("in", 0, "0c01")
                                                        + "orv-record end t=0 ok=1\n" + recorded("out", 9, "091b")
                                                        + recorded("in", 9, "1b01"),
                                                    "test", nullptr);
        device->set_replay(replay);
        QCOMPARE(host.round(hex("090c")), hex("0c01"));
        QCOMPARE(host.send(hex("091c")), -1);
        QCOMPARE(replay->failure(), QStringLiteral("replay: packet 3 differs (line 5 of the recording)\n"
                                                   "  expected: out CRs (09 1b)\n"
                                                   "  came:     out CRw (09 1c)\n"
                                                   "  before it:\n"
                                                   "    #1   out CQw (09 0c)\n"
                                                   "    #2   in  DAE (0c 01)\n"));
        QVERIFY(!device->plugged() && !replay->finished());
        QCOMPARE(host.receive(), QByteArray("none"));
        QCOMPARE(host.last_read, -1);
    }
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "simdevice_test.moc"
