// Drive mode, indication, standby and protocol controls against the simulated
// device: the messages on the wire, what the window shows after each click,
// what the device keeps, and how a failed or overlapping write behaves.

#include <QtTest>
#include <QAbstractButton>
#include <QComboBox>
#include <QTimer>

#include "app/app_state.h"
#include "app/mainwindow.h"
#include "device/device_state.h"
#include "support/rig.h"

Q_DECLARE_METATYPE(SimFault)

namespace {

const QString changed = "Info / Settings are changed!";
const QStringList mode_buttons{"pushButton_dynamic", "pushButton_eco", "pushButton_stock"};
const QStringList indication_buttons{"pushButton_indication_on", "pushButton_indication_off"};
const QStringList both_automatic{"check checkBox_auto_stby", "check checkBox_auto_proto"};

// An OR+ device with a vehicle: automatic standby and protocol, stock mode,
// indication on, HS CAN (pins 6, 14) and K Line (pin 7) active on the bus.
SimDeviceState or_plus(int flags = 0x0C, int mask = 0)
{
    SimDeviceState state = configured_device("1100000001");
    state.drive_mode = 0;
    state.indication = 0x003C;
    state.settings_flags = quint8(flags);
    state.protocol_mask = quint16(mask);
    state.pin_activity = 0x0021;
    return state;
}

QStringList bracket(const QString &value)
{
    return {"03", value, "21", "24"};
}

} // namespace

class ControlsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> rig;
    SimDevice *device = nullptr;
    SimDeviceState rig_state;  // what the device held when it was plugged
    int sent_before_box = -1;

    // Identification takes about a second, so every row that asks for the same
    // device keeps the window while the device stays identified. Rows bring the
    // controls they use to a known state themselves; each starts with a clean
    // log, no faults and no boxes.
    bool window_for(const SimDeviceState &state)
    {
        if (!(rig && state == rig_state && device->plugged() && device_open && !widgets_cleared)) {
            rig.reset();
            rig = std::make_unique<Rig>();
            rig->start_server();
            rig->register_device(state, 3);
            device = rig->plug(state);
            rig->open_window();
            if (!rig->wait_identified())
                return false;
            rig_state = state;
        }
        device->clear_faults();
        device->clear_log();
        rig->boxes.clear();
        rig->boxes.on_box = nullptr;
        return true;
    }

    QAbstractButton *button(const QString &name) const
    {
        return rig->window().findChild<QAbstractButton *>(name);
    }

    // Steps "click NAME", "check NAME", "uncheck NAME", "choose PROTOCOL", done as a user does them.
    bool run(const QStringList &steps)
    {
        for (const QString &step : steps) {
            const QString verb = step.section(' ', 0, 0);
            const QString what = step.section(' ', 1);
            bool done = false;
            if (verb == "choose") {
                auto *list = rig->window().findChild<QComboBox *>("comboBox_protocol");
                list->setCurrentIndex(list->findText(what));
                done = list->currentText() == what;
            } else if (QAbstractButton *target = button(what)) {
                const bool wanted = verb == "check";
                if (verb == "click" || target->isChecked() != wanted)
                    target->click();
                done = verb == "click" || target->isChecked() == wanted;
            }
            if (!done) {
                qWarning("step failed: %s", qPrintable(step));
                return false;
            }
        }
        return true;
    }

    // A button an earlier row left disabled (it marks the value written last)
    // is freed by writing another value of its group first.
    void free_buttons(const QStringList &needed)
    {
        for (const QString &name : needed) {
            if (button(name)->isEnabled())
                continue;
            const QStringList &group = mode_buttons.contains(name) ? mode_buttons : indication_buttons;
            for (const QString &other : group)
                if (!needed.contains(other)) {
                    button(other)->click();
                    break;
                }
        }
        device->clear_log();
        rig->boxes.clear();
    }

    // "red 2; yellow 6 7 14" from the pictures of the sixteen pins.
    QString pins() const
    {
        QStringList red{"red"}, yellow{"yellow"};
        for (int pin = 1; pin <= 16; ++pin) {
            const QString picture = rig->probe().picture(QStringLiteral("pin_%1").arg(pin));
            if (picture == "all/red.png")
                red << QString::number(pin);
            else if (picture == "all/yellow.png")
                yellow << QString::number(pin);
            else if (!picture.isEmpty())
                return QStringLiteral("pin %1: %2").arg(pin).arg(picture);
        }
        return red.join(' ') + "; " + yellow.join(' ');
    }

private slots:
    void cleanupTestCase() { rig.reset(); }

    void buttons_write_at_once_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("pictures");  // dynamic, eco, stock or the indication label
        QTest::addColumn<int>("stored");            // the drive mode or indication the device keeps
        QTest::newRow("DYNAMIC") << "pushButton_dynamic" << "1c 02"
                                 << QStringList{"dynamic_on", "eco_off", "stock_off"} << 2;
        QTest::newRow("ECO") << "pushButton_eco" << "1c 01" << QStringList{"dynamic_off", "eco_on", "stock_off"} << 1;
        QTest::newRow("STOCK") << "pushButton_stock" << "1c 00" << QStringList{"dynamic_off", "eco_off", "stock_on"}
                               << 0;
        QTest::newRow("indication off") << "pushButton_indication_off" << "34 00 00"
                                        << QStringList{"indication_off"} << 0;
        QTest::newRow("indication on") << "pushButton_indication_on" << "34 00 3c" << QStringList{"indication_on"}
                                       << 0x3C;
    }

    void buttons_write_at_once()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QStringList, pictures);
        QFETCH(int, stored);
        QVERIFY(window_for(or_plus()));
        free_buttons({name});
        sent_before_box = -1;
        rig->boxes.on_box = [this](const BoxCatcher::Box &) { sent_before_box = device->messages().size(); };

        button(name)->click();
        QCOMPARE(hex(device->messages()), bracket(value));
        QCOMPARE(rig->boxes.texts(), QStringList{changed});
        QCOMPARE(sent_before_box, 4);  // the box comes after the last exchange
        const WindowProbe probe = rig->probe();
        const bool mode = mode_buttons.contains(name);
        if (mode) {
            for (int i = 0; i < 3; ++i)
                QCOMPARE(probe.picture(mode_buttons[i]), "all/" + pictures[i] + ".png");
        } else {
            QCOMPARE(probe.picture("label_indication_on_off"), "all/" + pictures[0] + ".png");
        }
        // The clicked button marks the value written; the others of its group can be clicked.
        for (const QString &member : mode ? mode_buttons : indication_buttons)
            QVERIFY2(probe.enabled(member) == (member != name), qPrintable(member));
        QCOMPARE(mode ? device->state().drive_mode : int(device->state().indication), stored);
        QCOMPARE(probe.missing_pictures(), QStringList());
    }

    void apply_settings_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("mask");
        QTest::newRow("both automatic") << both_automatic << "32 0c 00 00" << 0x0C << 0x0000;
        QTest::newRow("standby S, J1850 VPW") << QStringList{"click pushButton_stby_s", "choose J1850 VPW"}
                                              << "32 01 00 80" << 0x01 << 0x0080;
        QTest::newRow("standby U, OEM 2") << QStringList{"click pushButton_stby_u", "choose OEM 2"}
                                          << "32 02 08 00" << 0x02 << 0x0800;
        QTest::newRow("automatic standby off selects U")
            << QStringList{"check checkBox_auto_stby", "uncheck checkBox_auto_stby", "choose HS CAN"}
            << "32 02 00 01" << 0x02 << 0x0001;
        QTest::newRow("protocol chosen while automatic")
            << QStringList{"check checkBox_auto_proto", "check checkBox_auto_stby", "choose Nis 2"}
            << "32 04 02 00" << 0x04 << 0x0200;
    }

    void apply_settings()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, message);
        QFETCH(int, flags);
        QFETCH(int, mask);
        QVERIFY(window_for(or_plus()));
        QVERIFY(run(steps));
        QVERIFY(device->messages().isEmpty());  // editing sends nothing

        button("pushButton_apply_settings")->click();
        QCOMPARE(hex(device->messages()), bracket(message));
        QCOMPARE(rig->boxes.texts(), QStringList{changed});
        QCOMPARE(int(device->state().settings_flags), flags);
        QCOMPARE(int(device->state().protocol_mask), mask);
        // The window still shows what was written; the placeholder only with automatic protocol.
        const WindowProbe probe = rig->probe();
        QCOMPARE(probe.check("checkBox_auto_stby"), bool(flags & 0x04));
        QCOMPARE(probe.check("checkBox_auto_proto"), bool(flags & 0x08));
        QCOMPARE(probe.items("comboBox_protocol"),
                 (flags & 0x08) ? QStringList{"NOT SELECTED"} + protocol_names : protocol_names);
    }

    void placeholder_follows_automatic_protocol()
    {
        QVERIFY(window_for(or_plus()));
        const WindowProbe probe = rig->probe();
        const QStringList with_placeholder = QStringList{"NOT SELECTED"} + protocol_names;
        QVERIFY(run({"check checkBox_auto_proto"}));
        QCOMPARE(probe.items("comboBox_protocol"), with_placeholder);

        // Unchecking: the first real protocol becomes current, its pins red.
        QVERIFY(run({"uncheck checkBox_auto_proto"}));
        QCOMPARE(probe.items("comboBox_protocol"), protocol_names);
        QCOMPARE(probe.text("comboBox_protocol"), QStringLiteral("HS CAN"));
        QCOMPARE(pins(), QStringLiteral("red 6 14; yellow 7"));

        // However often it is checked again: one placeholder, shown.
        for (int round = 0; round < 3; ++round) {
            QVERIFY(run({"uncheck checkBox_auto_proto", "check checkBox_auto_proto"}));
            QCOMPARE(probe.items("comboBox_protocol"), with_placeholder);
            QCOMPARE(probe.text("comboBox_protocol"), QStringLiteral("NOT SELECTED"));
        }

        // A real protocol replaces the automatic choice.
        QVERIFY(run({"choose K L Line"}));
        QVERIFY(!probe.check("checkBox_auto_proto"));
        QCOMPARE(probe.items("comboBox_protocol"), protocol_names);
        QCOMPARE(pins(), QStringLiteral("red 7 15; yellow 6 14"));
        QVERIFY(device->messages().isEmpty());
        QCOMPARE(rig->boxes.count(), 0);
    }

    void pins_follow_the_protocol_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("pins");
        QTest::newRow("automatic: no red pin") << QStringList{"check checkBox_auto_proto"} << "red; yellow 6 7 14";
        QTest::newRow("J1850 VPW") << QStringList{"choose J1850 VPW"} << "red 2; yellow 6 7 14";
        QTest::newRow("OEM 2: shared pins turn red") << QStringList{"choose OEM 2"} << "red 7 14; yellow 6";
        QTest::newRow("HS CAN after Nis 1") << QStringList{"choose Nis 1", "choose HS CAN"} << "red 6 14; yellow 7";
    }

    void pins_follow_the_protocol()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, pins);
        QVERIFY(window_for(or_plus()));
        QVERIFY(run(steps));
        QCOMPARE(this->pins(), pins);
    }

    void standby_controls_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("enabled");  // standby buttons that can be clicked
        QTest::addColumn<bool>("automatic");
        QTest::newRow("automatic") << QStringList{"check checkBox_auto_stby"} << "stby_no" << "u s" << true;
        QTest::newRow("S while automatic") << QStringList{"check checkBox_auto_stby", "click pushButton_stby_s"}
                                           << "stby_s" << "u" << false;
        QTest::newRow("U after S") << QStringList{"click pushButton_stby_s", "click pushButton_stby_u"} << "stby_u"
                                   << "s" << false;
        QTest::newRow("automatic off selects U")
            << QStringList{"click pushButton_stby_s", "check checkBox_auto_stby", "uncheck checkBox_auto_stby"}
            << "stby_u" << "s" << false;
    }

    void standby_controls()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, picture);
        QFETCH(QString, enabled);
        QFETCH(bool, automatic);
        QVERIFY(window_for(or_plus()));
        QVERIFY(run(steps));
        const WindowProbe probe = rig->probe();
        QCOMPARE(probe.picture("label_stby_u_s"), "all/" + picture + ".png");
        QCOMPARE(probe.enabled("pushButton_stby_u"), enabled.split(' ').contains("u"));
        QCOMPARE(probe.enabled("pushButton_stby_s"), enabled.split(' ').contains("s"));
        QCOMPARE(probe.check("checkBox_auto_stby"), automatic);
        QVERIFY(device->messages().isEmpty());
    }

    void second_click_is_refused_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("value");
        QTest::newRow("STOCK during ECO") << "pushButton_eco" << "pushButton_stock" << "1c 01";
        QTest::newRow("apply settings during ECO") << "pushButton_eco" << "pushButton_apply_settings" << "1c 01";
        QTest::newRow("indication during ECO") << "pushButton_eco" << "pushButton_indication_off" << "1c 01";
        QTest::newRow("DYNAMIC during indication") << "pushButton_indication_off" << "pushButton_dynamic"
                                                   << "34 00 00";
        QTest::newRow("ECO during apply settings") << "pushButton_apply_settings" << "pushButton_eco"
                                                   << "32 0c 00 00";
    }

    void second_click_is_refused()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, value);
        QVERIFY(window_for(or_plus()));
        QVERIFY(run(both_automatic));
        free_buttons({first, second});

        // The second click comes from the first wait of the running sequence.
        // The timer dies with this scope, so a first click that never waits
        // cannot leave it behind.
        bool first_returned = false, clicked_while_busy = false;
        QString before_second, after_second;
        QTimer during;
        during.setSingleShot(true);
        connect(&during, &QTimer::timeout, this, [&] {
            clicked_while_busy = !first_returned && button(second)->isEnabled();
            before_second = rig->probe().snapshot();
            button(second)->click();
            after_second = rig->probe().snapshot();
        });
        during.start(0);
        button(first)->click();
        first_returned = true;

        QVERIFY(clicked_while_busy);
        QCOMPARE(after_second, before_second);
        QCOMPARE(hex(device->messages()), bracket(value));
        QCOMPARE(rig->boxes.texts(), QStringList{changed});
    }

    void vehicle_choice_waits_for_a_write()
    {
        QVERIFY(window_for(or_plus()));
        free_buttons({"pushButton_eco"});
        const QStringList choice{"comboBox_marka", "comboBox_model", "comboBox_model_exactly",
                                 "pushButton_marka", "pushButton_model", "pushButton_model_exactly"};
        auto *brands = rig->window().findChild<QComboBox *>("comboBox_marka");
        QVERIFY(brands->count() > 2);
        QStringList enabled_during;
        QString before_change, after_change;
        QTimer during;
        during.setSingleShot(true);
        connect(&during, &QTimer::timeout, this, [&] {
            for (const QString &name : choice)
                if (rig->probe().enabled(name))
                    enabled_during << name;
            // A brand that reaches the box anyway is refused and changes nothing.
            before_change = rig->probe().snapshot();
            brands->setCurrentIndex(2);
            after_change = rig->probe().snapshot();
        });
        during.start(0);
        button("pushButton_eco")->click();

        QCOMPARE(enabled_during, QStringList());
        QCOMPARE(after_change, before_change);
        for (const QString &name : choice)
            QVERIFY2(rig->probe().enabled(name), qPrintable(name));
        QCOMPARE(rig->boxes.texts(), QStringList{changed});
    }

    // A write that stops before its value goes out puts the window back; once the
    // value may be in the device, the device is read back and shown as it is.
    void failure_stops_and_restores_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("read_back");
        QTest::newRow("ECO, 0xF1 to 0x03: restored")
            << "pushButton_eco" << SimFault::fail(QByteArray::fromHex("03")) << QStringList{"03"}
            << "Error! / Transmission error! Please reconnect device!" << false;
        QTest::newRow("indication off, 0xF1 to 0x21: read back")
            << "pushButton_indication_off" << SimFault::fail(QByteArray::fromHex("21"))
            << QStringList{"03", "34 00 00", "21"} << "Error! / Transmission error! Please reconnect device!" << true;
        QTest::newRow("apply settings, 0xF1 0xF3 to 0x32: read back")
            << "pushButton_apply_settings" << SimFault::fail_connection(QByteArray::fromHex("32"))
            << QStringList{"03", "32 0c 00 00"} << "Error! / Connection error! Please reconnect device!" << true;
        // Last: the device is gone afterwards, and so is the window's device.
        QTest::newRow("DYNAMIC, unplugged after two messages: dropped")
            << "pushButton_dynamic" << SimFault::unplug_after(2) << QStringList{"03", "1c 02"}
            << "Error! / USB write error! Please reconnect device!" << true;
    }

    void failure_stops_and_restores()
    {
        QFETCH(QString, name);
        QFETCH(SimFault, fault);
        QFETCH(QStringList, sent);
        QFETCH(QString, box);
        QFETCH(bool, read_back);
        QVERIFY(window_for(or_plus()));
        QVERIFY(run(both_automatic));
        free_buttons({name});
        const QString before = rig->probe().snapshot();
        device->add_fault(fault);

        button(name)->click();
        QCOMPARE(rig->boxes.texts(), QStringList{box});
        const QStringList messages = hex(device->messages());
        QCOMPARE(messages.mid(0, sent.size()), sent);
        if (!read_back) {
            QCOMPARE(messages, sent);
            QCOMPARE(rig->probe().snapshot(), before);
        } else if (device->plugged()) {
            // Queries only, ending with standby and protocol; the indication shows what the device holds.
            for (const QString &query : messages.mid(sent.size()))
                QVERIFY2(query.startsWith("09"), qPrintable(query));
            QCOMPARE(messages.last(), QStringLiteral("09 32"));
            QCOMPARE(rig->probe().picture("label_indication_on_off"),
                     device->state().indication ? QStringLiteral("all/indication_on.png")
                                                : QStringLiteral("all/indication_off.png"));
            QVERIFY(device_open && !widgets_cleared);
        } else {
            QCOMPARE(messages, sent);
            QVERIFY(rig->wait_cleared());
        }
        // Nothing more goes out once the sequence has stopped.
        const int count = device->messages().size();
        QTest::qWait(150);
        QCOMPARE(device->messages().size(), count);
        QCOMPARE(rig->boxes.count(), 1);
    }

    void wrong_settings_send_nothing_data()
    {
        QTest::addColumn<int>("flags");  // as the device reports them, with no protocol bit
        QTest::addColumn<QStringList>("fix");
        QTest::addColumn<QString>("message");
        QTest::newRow("no standby mode") << 0x08 << QStringList{"click pushButton_stby_u"} << "32 0a 00 00";
        // The placeholder is there with the box unchecked: checking adds no second one.
        QTest::newRow("NOT SELECTED without automatic protocol")
            << 0x04 << QStringList{"check checkBox_auto_proto"} << "32 0c 00 00";
        QTest::newRow("neither") << 0x00 << QStringList{"check checkBox_auto_stby", "choose OEM 1"} << "32 04 04 00";
    }

    void wrong_settings_send_nothing()
    {
        QFETCH(int, flags);
        QFETCH(QStringList, fix);
        QFETCH(QString, message);
        QVERIFY(window_for(or_plus(flags, 0)));
        const QString before = rig->probe().snapshot();

        button("pushButton_apply_settings")->click();
        QCOMPARE(rig->boxes.texts(), QStringList{"Error! / Wrong settings!"});
        QVERIFY(device->messages().isEmpty());
        QCOMPARE(rig->probe().snapshot(), before);

        rig->boxes.clear();
        QVERIFY(run(fix));
        QVERIFY(rig->probe().items("comboBox_protocol").count("NOT SELECTED") <= 1);
        button("pushButton_apply_settings")->click();
        QCOMPARE(rig->boxes.texts(), QStringList{changed});
        QCOMPARE(hex(device->messages()), bracket(message));
    }

    void stored_state_reads_back_after_replug()
    {
        QVERIFY(window_for(or_plus()));
        free_buttons({"pushButton_dynamic", "pushButton_indication_off"});
        QVERIFY(run({"click pushButton_dynamic", "click pushButton_indication_off", "click pushButton_stby_s",
                     "choose K Line", "click pushButton_apply_settings"}));
        QCOMPARE(rig->boxes.texts(), (QStringList{changed, changed, changed}));
        const SimDeviceState stored = device->state();
        QCOMPARE(stored.drive_mode, 2);
        QCOMPARE(int(stored.indication), 0);
        QCOMPARE(int(stored.settings_flags), 0x01);
        QCOMPARE(int(stored.protocol_mask), 0x0020);

        rig->unplug(device);
        QVERIFY(rig->wait_cleared());
        device = rig->plug(stored);
        QVERIFY(rig->wait_identified());
        QVERIFY(hex(device->messages()).contains("09 1c"));

        const WindowProbe probe = rig->probe();
        QCOMPARE(probe.picture("pushButton_dynamic"), "all/dynamic_on.png");
        QCOMPARE(probe.picture("pushButton_eco"), "all/eco_off.png");
        QCOMPARE(probe.picture("pushButton_stock"), "all/stock_off.png");
        QCOMPARE(probe.picture("label_indication_on_off"), "all/indication_off.png");
        QCOMPARE(probe.picture("label_stby_u_s"), "all/stby_s.png");
        QVERIFY(probe.enabled("pushButton_stby_u") && !probe.enabled("pushButton_stby_s"));
        QCOMPARE(probe.text("label_stby"), QStringLiteral("MANUAL, S"));
        QCOMPARE(probe.text("label_protocol"), QStringLiteral("MANUAL, K Line"));
        QCOMPARE(probe.items("comboBox_protocol"), protocol_names);
        QCOMPARE(probe.text("comboBox_protocol"), QStringLiteral("K Line"));
        QVERIFY(!probe.check("checkBox_auto_stby") && !probe.check("checkBox_auto_proto"));
        QCOMPARE(pins(), QStringLiteral("red 7; yellow 6 14"));

        // A new connection offers all three modes; the current one is written once more.
        for (const QString &name : mode_buttons)
            QVERIFY2(probe.enabled(name), qPrintable(name));
        device->clear_log();
        rig->boxes.clear();
        button("pushButton_dynamic")->click();
        QCOMPARE(hex(device->messages()), bracket("1c 02"));
        QCOMPARE(rig->boxes.texts(), QStringList{changed});
    }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
