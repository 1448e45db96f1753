#ifndef PROPERTY_COMMANDS_H
#define PROPERTY_COMMANDS_H

// The commands of the property test: what a user, the device and the server
// can do to the window, one at a time or in the middle of a sequence. Each is
// drawn with its arguments, can be built with given ones (regression cases),
// and shows itself as a line of the failing sequence.

#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <array>
#include <iterator>
#include <ostream>

#include "api_server.h"
#include "world.h"

// What the test believes of the bus; a device may also leave on its own (a fault).
struct Model {
    std::array<bool, World::device_slots> plugged{{true, false}};
};

using Command = rc::state::Command<Model, World>;

namespace cmd {

// ---------------------------------------------------------------- devices

struct Plug : Command {
    int slot = 0;
    DeviceSetup setup;
    Plug()
    {
        slot = *rc::gen::inRange(0, World::device_slots);
        setup.plus = *rc::gen::weightedElement<bool>({{3, true}, {1, false}});
        setup.configured = *rc::gen::arbitrary<bool>();
        setup.count_left = *rc::gen::weightedElement<bool>({{4, true}, {1, false}});
        setup.drive_mode = *rc::gen::inRange(0, 3);
        setup.indication = *rc::gen::arbitrary<bool>();
        setup.flags = *rc::gen::element(0x0C, 0x04, 0x08, 0x01, 0x02, 0x00, 0x09);
        setup.protocol_bit = setup.flags & 0x08 ? -1 : *rc::gen::element(-1, 0, 5, 11, 15);
        setup.pins = *rc::gen::element(0, 0x0021, 0x0800);
        setup.broken = *rc::gen::weightedElement<bool>({{12, false}, {1, true}});
    }
    Plug(int slot, DeviceSetup setup) : slot(slot), setup(setup) {}
    void checkPreconditions(const Model &m) const override { RC_PRE(!m.plugged[size_t(slot)]); }
    void apply(Model &m) const override { m.plugged[size_t(slot)] = true; }
    void run(const Model &, World &w) const override
    {
        w.begin(text());
        w.plug(slot, setup);
        w.settle();
    }
    QString text() const
    {
        return QStringLiteral("plug %1 %2%3 %4 %5, mode %6, indication %7, settings %8/%9, pins %10")
            .arg(slot)
            .arg(setup.broken ? "broken (takes no write) " : "")
            .arg(setup.plus ? "OR+" : "OR", setup.configured ? "configured" : "unconfigured",
                 setup.count_left ? "count 3" : "count 0")
            .arg(setup.drive_mode)
            .arg(setup.indication ? "on" : "off")
            .arg(setup.flags, 2, 16, QLatin1Char('0'))
            .arg(setup.protocol_bit)
            .arg(setup.pins, 4, 16, QLatin1Char('0'));
    }
    void show(std::ostream &os) const override { os << text().toStdString(); }
};

struct Unplug : Command {
    int slot = 0;
    Unplug() : slot(*rc::gen::inRange(0, World::device_slots)) {}
    explicit Unplug(int slot) : slot(slot) {}
    void checkPreconditions(const Model &m) const override { RC_PRE(m.plugged[size_t(slot)]); }
    void apply(Model &m) const override { m.plugged[size_t(slot)] = false; }
    void run(const Model &, World &w) const override
    {
        w.begin(QStringLiteral("unplug %1").arg(slot));
        w.unplug(slot);
        w.settle();
    }
    void show(std::ostream &os) const override { os << "unplug " << slot; }
};

struct WaitPresence : Command {
    void run(const Model &, World &w) const override
    {
        w.begin(QStringLiteral("wait one presence interval"));
        w.wait_presence();
        w.settle();
    }
    void show(std::ostream &os) const override { os << "wait one presence interval"; }
};

// A device fault that waits for the next sequence: it fires on the message
// `skip` messages on.
struct DeviceFault : Command {
    enum Kind { NoReply, Fail, FailConnection, Garbage, InvalidText, LowerAck, AckAhead, AckPastEnd,
                LateWithin, LateBeyond, UnplugAt, WrongEcho, ChunkGap, ChunkedFail, LeftoverAtOpen, Count };
    int kind = 0;
    int skip = 0;
    DeviceFault() : kind(*rc::gen::inRange(0, int(Count))), skip(*rc::gen::inRange(0, 16)) {}
    DeviceFault(Kind kind, int skip) : kind(kind), skip(skip) {}
    SimFault fault() const
    {
        switch (Kind(kind)) {
        case NoReply: return SimFault::no_answer(1, {}, skip);
        case Fail: return SimFault::fail({}, skip);
        case FailConnection: return SimFault::fail_connection({}, skip);
        case Garbage: return SimFault::garbage_reply(SimFault::GarbageKind::RandomBytes, {}, skip);
        case InvalidText: return SimFault::garbage_reply(SimFault::GarbageKind::InvalidBase64, {}, skip);
        case LowerAck: return SimFault::lower_ack({}, skip);
        case AckAhead: return SimFault::ack_ahead({}, skip);
        case AckPastEnd: return SimFault::ack_past_end({}, skip);
        case LateWithin: return SimFault::late(5, {}, skip);
        case LateBeyond: return SimFault::late(30, {}, skip);
        case UnplugAt: return SimFault::unplug_after(skip);
        case WrongEcho: return SimFault::wrong_echo({}, skip);
        case ChunkGap: return SimFault::chunk_gap({}, skip);
        case ChunkedFail: return SimFault::chunked_fail({}, {}, skip);
        // A report the device still holds when the program next opens it, a few
        // milliseconds later (within the device's scaled read delay of 5 ms).
        case LeftoverAtOpen: return SimFault::leftover(1 + skip % 3);
        case Count: break;
        }
        return SimFault();
    }
    void run(const Model &, World &w) const override
    {
        w.begin(describe());
        w.arm_device_fault(fault());
        w.settle();
    }
    QString describe() const { return "device fault: " + fault().describe(); }
    void show(std::ostream &os) const override { os << describe().toStdString(); }
};

// ---------------------------------------------------------------- the server

struct ServerFault : Command {
    enum Kind { TimeOut, Unauthorized, Status500, Oversized, WrongBody, EmptyBody, BrokenJson, WrongType,
                Html, Dropped, Count };
    // Types of structured text a server may send in place of a file.
    static constexpr const char *text_types[] = {"text/plain", "application/json-seq", "application/yaml",
                                                 "application/toml", "application/javascript"};
    int endpoint = 0;
    int kind = 0;
    int type = 0;
    ServerFault()
        : endpoint(*rc::gen::inRange(0, int(apiserver::Endpoint::Any))),
          kind(*rc::gen::weightedElement<int>({{1, TimeOut}, {3, Unauthorized}, {3, Status500}, {1, Oversized},
                                               {3, WrongBody}, {3, EmptyBody}, {3, BrokenJson}, {3, WrongType},
                                               {2, Html}, {2, Dropped}})),
          type(*rc::gen::inRange(0, int(std::size(text_types))))
    {
    }
    ServerFault(apiserver::Endpoint endpoint, Kind kind) : endpoint(int(endpoint)), kind(kind) {}
    apiserver::Fault fault() const
    {
        const auto at = apiserver::Endpoint(endpoint);
        switch (Kind(kind)) {
        case TimeOut: return server_fault(at, apiserver::FaultKind::Delay, 0, {}, 1300);
        case Unauthorized: return server_fault(at, apiserver::FaultKind::Status, 401, "{\"message\":\"Unauthorized token\"}");
        case Status500: return server_fault(at, apiserver::FaultKind::Status, 500);
        case Oversized: {
            apiserver::Fault f = server_fault(at, apiserver::FaultKind::Stream);
            f.size = at == apiserver::Endpoint::Software ? 70000 : 9 * 1024 * 1024;
            return f;
        }
        case WrongBody: return server_fault(at, apiserver::FaultKind::Status, 200, "{\"result\":[1,2,3]}");
        case EmptyBody: return server_fault(at, apiserver::FaultKind::Empty);
        case BrokenJson: return server_fault(at, apiserver::FaultKind::Status, 200, "{\"result\":{\"items\":[");
        case WrongType: {
            apiserver::Fault f = server_fault(at, apiserver::FaultKind::ContentType);
            f.content_type = text_types[type];
            return f;
        }
        case Html: return server_fault(at, apiserver::FaultKind::NonJson);
        case Dropped: return server_fault(at, apiserver::FaultKind::Drop);
        case Count: break;
        }
        return apiserver::Fault();
    }
    void run(const Model &, World &w) const override
    {
        w.begin(describe());
        w.arm_server_fault(fault());
        w.settle();
    }
    QString describe() const
    {
        static const char *const names[] = {"time-out", "401", "500", "oversized", "wrong body", "empty body",
                                            "broken JSON", "wrong type", "HTML page", "dropped"};
        static const char *const endpoints[] = {"limitInfo", "brand", "model", "vehicle", "settings", "software", "install"};
        const QString what = kind == WrongType ? QStringLiteral("type %1").arg(text_types[type]) : names[kind];
        return QStringLiteral("server fault: %1 on %2").arg(what, endpoints[endpoint]);
    }
    void show(std::ostream &os) const override { os << describe().toStdString(); }
};

// ---------------------------------------------------------------- the user

struct Click : Command {
    QString name;
    Click()
        : name(*rc::gen::element(QStringLiteral("pushButton_dynamic"), QStringLiteral("pushButton_eco"),
                                 QStringLiteral("pushButton_stock"), QStringLiteral("pushButton_indication_on"),
                                 QStringLiteral("pushButton_indication_off"), QStringLiteral("pushButton_stby_u"),
                                 QStringLiteral("pushButton_stby_s"), QStringLiteral("checkBox_auto_stby"),
                                 QStringLiteral("checkBox_auto_proto"), QStringLiteral("pushButton_apply_settings"),
                                 QStringLiteral("pushButton_apply_car"), QStringLiteral("pushButton_apply_car")))
    {
    }
    explicit Click(const char *name) : name(QString::fromLatin1(name)) {}
    void run(const Model &, World &w) const override
    {
        w.begin("click " + name);
        w.click(name);
        w.settle();
    }
    void show(std::ostream &os) const override { os << "click " << name.toStdString(); }
};

struct ChooseProtocol : Command {
    int index = 0;
    ChooseProtocol() : index(*rc::gen::inRange(0, 13)) {}
    explicit ChooseProtocol(int index) : index(index) {}
    void run(const Model &, World &w) const override
    {
        w.begin(QStringLiteral("choose protocol item %1").arg(index));
        w.choose_protocol(index);
        w.settle();
    }
    void show(std::ostream &os) const override { os << "choose protocol item " << index; }
};

struct ChooseVehicle : Command {
    int vehicle = 0;
    ChooseVehicle() : vehicle(*rc::gen::inRange(0, 2)) {}
    explicit ChooseVehicle(int vehicle) : vehicle(vehicle) {}
    void run(const Model &, World &w) const override
    {
        w.begin(QStringLiteral("choose vehicle %1").arg(vehicle));
        w.choose_vehicle(vehicle);
        w.settle();
    }
    void show(std::ostream &os) const override { os << "choose vehicle " << vehicle; }
};

struct Language : Command {
    int index = 0;
    Language() : index(*rc::gen::inRange(0, 3)) {}
    explicit Language(int index) : index(index) {}
    void run(const Model &, World &w) const override
    {
        w.begin(QStringLiteral("language %1").arg(index));
        w.set_language(index);
        w.settle();
    }
    void show(std::ostream &os) const override { os << "language " << index; }
};

// Closing the window while idle: nothing is asked, the program ends and starts again.
struct Close : Command {
    void run(const Model &, World &w) const override
    {
        w.begin(QStringLiteral("close the window"));
        w.close_window(true);
        w.settle();
    }
    void show(std::ostream &os) const override { os << "close the window"; }
};

// Something that happens in the middle of the next sequence, on its message N.
struct During : Command {
    enum What { PlugOther, UnplugActive, ClickMode, ClickApplySettings, ClickApplyCar, ChooseBrand, CloseYes,
                CloseNo, PullUnderQuestionYes, PullUnderQuestionNo, CloseInReportYes, CloseInReportNo, Language,
                Count };
    int what = 0;
    int message = 1;
    During() : what(*rc::gen::inRange(0, int(Count))), message(*rc::gen::inRange(1, 16)) {}
    During(What what, int message) : what(what), message(message) {}
    QString describe() const
    {
        static const char *const names[] = {"plug the other slot", "unplug the open device", "click ECO",
                                            "click apply settings", "click apply vehicle", "choose a brand",
                                            "close, answer Yes", "close, answer No",
                                            "close, unplug the device, answer Yes late",
                                            "close, unplug the device, answer No late",
                                            "close while the installation is reported, answer Yes",
                                            "close while the installation is reported, answer No",
                                            "switch the language"};
        if (what == CloseInReportYes || what == CloseInReportNo)
            return QStringLiteral("in the next installation's report: %1").arg(names[what]);
        return QStringLiteral("on message %1 of the next sequence: %2").arg(message).arg(names[what]);
    }
    void run(const Model &, World &w) const override
    {
        w.begin(describe());
        World *world = &w;
        const What action = What(what);
        if (action == CloseInReportYes || action == CloseInReportNo) {
            w.arm_report(describe(), [world, action] { world->close_window(action == CloseInReportYes); });
            w.settle();
            return;
        }
        const int language = message % 3;
        w.arm_during(message, describe(), [world, action, language] {
            switch (action) {
            case PlugOther: world->plug_spare_slot(); break;
            case UnplugActive: world->pull_active_device(); break;
            case ClickMode: world->click(QStringLiteral("pushButton_eco")); break;
            case ClickApplySettings: world->click(QStringLiteral("pushButton_apply_settings")); break;
            case ClickApplyCar: world->click(QStringLiteral("pushButton_apply_car")); break;
            case ChooseBrand: world->choose_vehicle(0); break;
            case CloseYes: world->close_window(true); break;
            case CloseNo: world->close_window(false); break;
            // The device fails while the close question is open.
            case PullUnderQuestionYes:
            case PullUnderQuestionNo:
                world->pull_active_device();
                world->close_window(action == PullUnderQuestionYes, World::late_answer_ms);
                break;
            case Language: world->set_language(language); break;
            case CloseInReportYes:
            case CloseInReportNo:
            case Count: break;
            }
        });
        w.settle();
    }
    void show(std::ostream &os) const override { os << describe().toStdString(); }
};

// A sequence of several steps in one command, so that the interesting
// sequences come often: choose a vehicle and apply it.
struct Install : Command {
    int vehicle = 0;
    Install() : vehicle(*rc::gen::inRange(0, 2)) {}
    explicit Install(int vehicle) : vehicle(vehicle) {}
    void run(const Model &, World &w) const override
    {
        w.begin(QStringLiteral("install vehicle %1").arg(vehicle));
        w.choose_vehicle(vehicle);
        w.click(QStringLiteral("pushButton_apply_car"));
        w.settle();
    }
    void show(std::ostream &os) const override { os << "install vehicle " << vehicle; }
};

inline auto generator()
{
    return rc::state::gen::execOneOfWithArgs<Plug, Unplug, WaitPresence, DeviceFault, DeviceFault, ServerFault,
                                             Click, Click, ChooseProtocol, ChooseVehicle, Language, Close, During,
                                             During, Install, Install>();
}

} // namespace cmd

#endif // PROPERTY_COMMANDS_H
