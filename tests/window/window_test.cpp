// The window shell: the widget tree, the pictures it addresses, the cleared
// state and the language switch.

#include <QtTest>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QMovie>
#include <QScrollBar>
#include <QTemporaryDir>

#include "app/app_state.h"
#include "app/data_files.h"
#include "app/mainwindow.h"
#include "app/pictures.h"
#include "app/style_sheets.h"
#include "controls/controls_state.h"
#include "device/device_state.h"
#include "support/box_catcher.h"
#include "support/state_reset.h"
#include "support/window_probe.h"
#include "tools/picgen/layout.h"

namespace {

// Every widget sits where the picture generator draws for it: the background
// leaves its place free and its pictures are made for that size, so a widget
// moved in the form, or a picture drawn for another place, shows here.
namespace place = picgen::layout;

// The transparent buttons over the vehicle boxes leave the boxes' drop-down
// arrows (19 pixels) to the boxes.
QRect beside_arrow(const QRect &box)
{
    return box.adjusted(0, 0, -19, 0);
}

struct Row {
    const char *name;
    const char *cls;
    QRect geometry;
    int stack;
};

const Row layout[] = {
    {"pushButton_indication_off", "QPushButton", place::indication_off, 7},
    {"pushButton_dynamic", "QPushButton", place::dynamic, 1},
    {"pushButton_stock", "QPushButton", place::stock, 2},
    {"label_marka_model", "QLabel", place::vehicle_name, 3},
    {"label_modif_power_torque", "QLabel", place::vehicle_engine, 4},
    {"pushButton_eco", "QPushButton", place::eco, 5},
    {"label_indication_on_off", "QLabel", place::indication, 6},
    {"pushButton_indication_on", "QPushButton", place::indication_on, 8},
    {"pushButton_custom", "QPushButton", place::custom, 9},
    {"checkBox_auto_stby", "QCheckBox", place::auto_standby, 10},
    {"pushButton_stby_u", "QPushButton", place::standby_u, 27},
    {"comboBox_protocol", "QComboBox", place::protocol, 11},
    {"checkBox_auto_proto", "QCheckBox", place::auto_protocol, 12},
    {"pushButton_send_errors", "QPushButton", place::send_errors, 13},
    {"pushButton_clear_errors", "QPushButton", place::clear_errors, 14},
    {"label_errors", "QLabel", place::errors, 15},
    {"label_serial_number", "QLabel", place::serial_number, 16},
    {"label_avail_config", "QLabel", place::configs_left, 29},
    {"label_firmware", "QLabel", place::firmware, 17},
    {"label_hardware", "QLabel", place::hardware, 18},
    {"label_software", "QLabel", place::software, 19},
    {"pushButton_update_firmware", "QPushButton", place::update_firmware, 20},
    {"pushButton_update_car_software", "QPushButton", place::update_software, 21},
    {"pushButton_apply_car", "QPushButton", place::apply_car, 22},
    {"comboBox_marka", "QComboBox", place::brand, 23},
    {"comboBox_model", "QComboBox", place::model, 24},
    {"comboBox_model_exactly", "QComboBox", place::engine, 25},
    {"pushButton_stby_s", "QPushButton", place::standby_s, 28},
    {"label_stby_u_s", "QLabel", place::standby, 26},
    {"label_drive_modes", "QLabel", place::drive_modes, 30},
    {"label_device", "QLabel", place::device, 31},
    {"label_text_select_vehicle", "QLabel", place::select_vehicle, 32},
    {"pushButton_marka", "QPushButton", beside_arrow(place::brand), 33},
    {"label_protocol", "QLabel", place::protocol_info, 34},
    {"label_stby", "QLabel", place::standby_info, 35},
    {"pushButton_model", "QPushButton", beside_arrow(place::model), 36},
    {"pushButton_model_exactly", "QPushButton", beside_arrow(place::engine), 37},
    {"pin_1", "QLabel", place::pin(1), 38},
    {"pin_2", "QLabel", place::pin(2), 39},
    {"pin_3", "QLabel", place::pin(3), 40},
    {"pin_4", "QLabel", place::pin(4), 41},
    {"pin_5", "QLabel", place::pin(5), 42},
    {"pin_6", "QLabel", place::pin(6), 43},
    {"pin_7", "QLabel", place::pin(7), 44},
    {"pin_8", "QLabel", place::pin(8), 45},
    {"pin_9", "QLabel", place::pin(9), 46},
    {"pin_10", "QLabel", place::pin(10), 47},
    {"pin_11", "QLabel", place::pin(11), 48},
    {"pin_12", "QLabel", place::pin(12), 49},
    {"pin_13", "QLabel", place::pin(13), 50},
    {"pin_14", "QLabel", place::pin(14), 51},
    {"pin_15", "QLabel", place::pin(15), 52},
    {"pin_16", "QLabel", place::pin(16), 53},
    {"comboBox_language", "QComboBox", place::language, 54},
    {"pushButton_apply_settings", "QPushButton", place::apply_settings, 55},
    {"label_load", "QLabel", place::loading, 56},
};

QStringList warnings;
QtMessageHandler previous_handler = nullptr;

void catch_warnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg)
        warnings << message;
    if (previous_handler)
        previous_handler(type, context, message);
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void widget_tree_matches_layout();
    void fixed_size_and_title();
    void vehicle_boxes_are_read_only_and_centred();
    void focus_chain();
    void cleared_state();
    void clearing_twice_is_clearing_once();
    void every_picture_the_code_addresses_exists();
    void language_switch_data();
    void language_switch();
    void language_switch_keeps_widget_states();
    void unknown_language_keeps_folder();
    void start_up_files_are_found_from_anywhere();
    void only_shown_pictures_are_decoded();

private:
    MainWindow *window = nullptr;
    BoxCatcher *boxes = nullptr;
};

void WindowTest::init()
{
    init_window_resources();
    reset_shared_state();
    warnings.clear();
    previous_handler = qInstallMessageHandler(catch_warnings);
    boxes = new BoxCatcher;
    window = new MainWindow;
    qInstallMessageHandler(previous_handler);
}

void WindowTest::cleanup()
{
    delete window;
    window = nullptr;
    delete boxes;
    boxes = nullptr;
}

void WindowTest::widget_tree_matches_layout()
{
    // Slots connected by name break silently when a widget or slot is renamed.
    for (const QString &warning : qAsConst(warnings))
        QVERIFY2(!warning.contains("connectSlotsByName"), qPrintable(warning));

    QWidget *central = window->centralWidget();
    QCOMPARE(central->objectName(), QStringLiteral("centralWidget"));
    QList<QWidget *> children;
    for (QObject *child : central->children())
        if (auto *widget = qobject_cast<QWidget *>(child))
            children << widget;
    QCOMPARE(children.size(), 56);

    for (const Row &row : layout) {
        QWidget *widget = central->findChild<QWidget *>(row.name, Qt::FindDirectChildrenOnly);
        QVERIFY2(widget, row.name);
        QCOMPARE(widget->metaObject()->className(), row.cls);
        QCOMPARE(widget->geometry(), row.geometry);
        // children() is in stacking order, lowest first.
        QVERIFY2(children.indexOf(widget) == row.stack - 1, row.name);
    }
}

void WindowTest::fixed_size_and_title()
{
    QCOMPARE(window->size(), QSize(1000, 650));
    QCOMPARE(window->minimumSize(), QSize(1000, 650));
    QCOMPARE(window->maximumSize(), QSize(1000, 650));
    window->resize(1200, 800);
    QCOMPARE(window->size(), QSize(1000, 650));
    QCOMPARE(window->windowTitle(), QStringLiteral("ORV"));
    QCOMPARE(window->font().pointSize(), 8);
    auto *errors = window->findChild<QLabel *>("label_errors");
    QCOMPARE(errors->font().pointSize(), 12);
    QVERIFY(errors->font().bold());
    QCOMPARE(errors->alignment(), Qt::AlignCenter);
    QCOMPARE(window->findChild<QComboBox *>("comboBox_protocol")->maxVisibleItems(), 14);
    QCOMPARE(window->findChild<QCheckBox *>("checkBox_auto_stby")->iconSize(), QSize(16, 16));
    QCOMPARE(window->findChild<QPushButton *>("pushButton_stock")->text(), QStringLiteral("STOCK(OFF)"));
}

void WindowTest::vehicle_boxes_are_read_only_and_centred()
{
    for (const char *name : {"comboBox_marka", "comboBox_model", "comboBox_model_exactly"}) {
        auto *box = window->findChild<QComboBox *>(name);
        QVERIFY(box->isEditable());
        QVERIFY(box->lineEdit()->isReadOnly());
        QCOMPARE(box->lineEdit()->alignment(), Qt::AlignCenter);
        QCOMPARE(box->maxVisibleItems(), 15);
        QCOMPARE(box->minimumSize(), QSize(350, 35));
        // Fixed in size: a filled list of thousands is neither measured item by item
        // after the fill nor when it opens.
        QCOMPARE(box->sizeAdjustPolicy(), QComboBox::AdjustToContentsOnFirstShow);
        QVERIFY(qobject_cast<QListView *>(box->view())->uniformItemSizes());
        QCOMPARE(box->itemData(0, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QVERIFY(!box->font().bold());
        QVERIFY(!box->font().italic());
        QCOMPARE(box->view()->verticalScrollBar()->styleSheet(), QStringLiteral("width: 20px; background-color: black;"));
        // Typing changes nothing.
        QTest::keyClicks(box->lineEdit(), "xyz");
        QVERIFY(box->lineEdit()->text() != "xyz");
    }
}

void WindowTest::focus_chain()
{
    const char *chain[] = {"comboBox_marka", "comboBox_model", "comboBox_model_exactly", "pushButton_apply_car",
                           "pushButton_indication_off", "pushButton_dynamic", "pushButton_stock", "pushButton_eco",
                           "pushButton_indication_on", "pushButton_custom", "checkBox_auto_stby",
                           "pushButton_stby_u", "comboBox_protocol", "checkBox_auto_proto",
                           "pushButton_send_errors", "pushButton_clear_errors", "pushButton_update_firmware",
                           "pushButton_update_car_software", "pushButton_stby_s", "pushButton_marka"};
    for (size_t i = 0; i + 1 < sizeof chain / sizeof *chain; ++i) {
        QWidget *widget = window->findChild<QWidget *>(chain[i]);
        QWidget *next = widget->nextInFocusChain();
        // Tab skips what takes no focus; an editable combo box's line edit
        // follows the box itself.
        while (next && (next->parentWidget() == widget || !(next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), QString(chain[i + 1]));
    }
}

void WindowTest::cleared_state()
{
    const WindowProbe probe(window);
    QVERIFY(!device_open);
    QVERIFY(settings_locked);
    QVERIFY(widgets_cleared);
    QCOMPARE(protocol_index, -1);
    QCOMPARE(lang_folder, QStringLiteral("eng"));
    QVERIFY(pin_states.isEmpty());

    QCOMPARE(probe.items("comboBox_marka"), QStringList{"BRAND"});
    QCOMPARE(probe.items("comboBox_model"), QStringList{"MODEL"});
    QCOMPARE(probe.items("comboBox_model_exactly"), QStringList{"ENGINE"});
    QCOMPARE(probe.items("comboBox_protocol"), QStringList());
    QCOMPARE(probe.items("comboBox_language"), (QStringList{"ENG", "DE", "RU"}));
    for (const char *name : {"comboBox_marka", "comboBox_model", "comboBox_model_exactly", "comboBox_protocol",
                             "pushButton_apply_car", "pushButton_apply_settings", "pushButton_indication_on",
                             "pushButton_indication_off"})
        QVERIFY2(!probe.widget(name)->isEnabled(), name);
    for (const char *name : {"pushButton_stby_u", "pushButton_stby_s", "checkBox_auto_stby", "checkBox_auto_proto",
                             "comboBox_language", "pushButton_marka"})
        QVERIFY2(probe.widget(name)->isEnabled(), name);
    for (const char *name : {"label_drive_modes", "pushButton_dynamic", "pushButton_eco", "pushButton_stock",
                             "label_load", "pin_1", "pin_16"})
        QVERIFY2(probe.widget(name)->isHidden(), name);
    for (const char *name : {"label_marka_model", "label_modif_power_torque", "label_avail_config", "label_errors",
                             "label_serial_number", "label_firmware", "label_hardware", "label_software",
                             "label_protocol", "label_stby"})
        QVERIFY2(probe.text(name).isEmpty(), name);

    QCOMPARE(probe.sheet("label_device"), "background-color: none; image: url(:/eng/no_device.png);");
    QCOMPARE(probe.sheet("pushButton_apply_car"),
             "background: none; border: none; outline: none; color: transparent; image: url(:/eng/apply_car_off.png);");
    QCOMPARE(probe.sheet("label_indication_on_off"),
             "background: none; border: none; outline: none; color: transparent; image: url(:/all/indication_no.png);");
    QCOMPARE(probe.sheet("label_stby_u_s"),
             "background: none; border: none; outline: none; color: transparent; image: url(:/all/stby_no.png);");
    QCOMPARE(probe.sheet("pin_6"), "background-color: none;image: none;");
    QCOMPARE(probe.sheet("centralWidget"), "image: url(:/eng/main.png);image-position: left;");
    QVERIFY(!probe.check("checkBox_auto_stby"));
    QVERIFY(!probe.check("checkBox_auto_proto"));
}

void WindowTest::clearing_twice_is_clearing_once()
{
    window->clear_widgets();
    const QString once = WindowProbe(window).snapshot();
    window->clear_widgets();
    QCOMPARE(WindowProbe(window).snapshot(), once);
    QCOMPARE(boxes->count(), 0);
}

void WindowTest::every_picture_the_code_addresses_exists()
{
    // The pictures addressed in every language and state the window can show
    // without a device; device states are covered where they are entered.
    for (const char *language : {"ENG", "DE", "RU"}) {
        window->findChild<QComboBox *>("comboBox_language")->setCurrentText(language);
        const QStringList missing = WindowProbe(window).missing_pictures();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }
    QVERIFY(QFile::exists(":/load.gif"));
}

void WindowTest::language_switch_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("folder");
    QTest::newRow("DE") << "DE" << "de";
    QTest::newRow("RU") << "RU" << "ru";
    QTest::newRow("ENG") << "ENG" << "eng";
}

void WindowTest::language_switch()
{
    QFETCH(QString, item);
    QFETCH(QString, folder);
    const WindowProbe probe(window);
    const QString common_before = probe.sheet("pushButton_dynamic") + probe.sheet("label_stby_u_s") + probe.sheet("pin_3");
    window->findChild<QComboBox *>("comboBox_language")->setCurrentText(item);
    QCOMPARE(lang_folder, folder);
    const QString prefix = ":/" + folder + "/";
    QCOMPARE(probe.sheet("centralWidget"), "image: url(" + prefix + "main.png);image-position: left;");
    QVERIFY(probe.sheet("label_device").contains(prefix + "no_device.png"));
    QVERIFY(probe.sheet("pushButton_apply_car").contains(prefix + "apply_car_off.png"));
    QVERIFY(probe.sheet("pushButton_apply_settings").contains(prefix + "apply_settings_off.png"));
    QVERIFY(probe.sheet("pushButton_send_errors").contains(prefix + "send_errors_off.png"));
    QVERIFY(probe.sheet("pushButton_clear_errors").contains(prefix + "clear_errors_off.png"));
    QVERIFY(probe.sheet("label_drive_modes").contains(prefix + "drive_modes.png"));
    QVERIFY(probe.widget("label_drive_modes")->isHidden());
    QCOMPARE(probe.sheet("pushButton_dynamic") + probe.sheet("label_stby_u_s") + probe.sheet("pin_3"), common_before);

    // Choosing the same language again changes nothing.
    const QString before = probe.snapshot();
    const int index = window->findChild<QComboBox *>("comboBox_language")->findText(item);
    QMetaObject::invokeMethod(window, "on_comboBox_language_currentIndexChanged", Q_ARG(int, index));
    QCOMPARE(probe.snapshot(), before);
}

void WindowTest::language_switch_keeps_widget_states()
{
    const WindowProbe probe(window);
    auto *apply = probe.widget("pushButton_apply_car");
    apply->setStyleSheet("background: none; border: none; outline: none; color: transparent; image: url(:/eng/apply_car_press.png);");
    auto *vehicle = window->findChild<QLabel *>("label_marka_model");
    vehicle->setText("Audi   A4");
    const QString vehicle_sheet = vehicle->styleSheet();
    auto *select = probe.widget("label_text_select_vehicle");
    select->setStyleSheet("background-color: none; image: url(:/eng/text_select_new_vehicle.png);");

    window->findChild<QComboBox *>("comboBox_language")->setCurrentText("RU");
    QCOMPARE(apply->styleSheet(), "background: none; border: none; outline: none; color: transparent; image: url(:/ru/apply_car_press.png);");
    QCOMPARE(vehicle->text(), QStringLiteral("Audi   A4"));
    QCOMPARE(vehicle->styleSheet(), vehicle_sheet);
    QCOMPARE(select->styleSheet(), "background-color: none; image: url(:/ru/text_select_new_vehicle.png);");

    // A device without a vehicle: the picture follows the language, the rest of the sheet stays.
    const QString no_vehicle = sheets::no_vehicle("ru");
    vehicle->setStyleSheet(no_vehicle);
    window->findChild<QComboBox *>("comboBox_language")->setCurrentText("DE");
    QCOMPARE(vehicle->styleSheet(), QString(no_vehicle).replace(":/ru/", ":/de/"));
}

void WindowTest::unknown_language_keeps_folder()
{
    window->findChild<QComboBox *>("comboBox_language")->setCurrentText("DE");
    QMetaObject::invokeMethod(window, "on_comboBox_language_currentIndexChanged", Q_ARG(int, -1));
    QCOMPARE(lang_folder, QStringLiteral("de"));
    QCOMPARE(WindowProbe(window).sheet("centralWidget"), "image: url(:/de/main.png);image-position: left;");
}

// The icon and the animation come from the working directory, else from the data folder
// installed with the program, else from the embedded copies, so the window always has both.
void WindowTest::start_up_files_are_found_from_anywhere()
{
    // The test runs where neither file lies, far from any installed data folder.
    QVERIFY(!window->windowIcon().pixmap(32, 32).isNull());
    QVERIFY(window->findChild<QLabel *>("label_load")->movie()->isValid());

    QTemporaryDir root;
    const QString program_dir = root.filePath("bin");
    const QString work = root.filePath("home");
    const QString installed = installed_data_dir(program_dir);
    QVERIFY(QDir().mkpath(program_dir) && QDir().mkpath(work) && QDir().mkpath(installed));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work));
    for (const QString name : {"orv.ico", "load.gif"}) {
        QCOMPARE(find_data_file(name, program_dir), ":/" + name);
        QVERIFY(QFile::copy(":/" + name, installed + '/' + name));
        QCOMPARE(find_data_file(name, program_dir), installed + '/' + name);
        QVERIFY(QFile::copy(":/" + name, name));
        QCOMPARE(find_data_file(name, program_dir), name);
    }
    QVERIFY(QDir::setCurrent(before));
}

// A picture is decoded when it is painted, once however many sheets name it; a hidden
// widget's picture and the @2x set wait. Drawn exactly as Qt's own engine draws it.
void WindowTest::only_shown_pictures_are_decoded()
{
    pictures::release_unused();   // what earlier tests' windows showed
    const int before = pictures::decoded_files().size();
    window->grab();
    const QStringList decoded = pictures::decoded_files().mid(before);
    QCOMPARE(decoded.count(":/eng/main.png"), 1);
    QCOMPARE(decoded.count(":/eng/no_device.png"), 1);
    QCOMPARE(decoded.filter("drive_modes").size() + decoded.filter("dynamic").size(), 0);
    QCOMPARE(decoded.filter("@2x").size(), 0);
    QCOMPARE(QSet<QString>(decoded.begin(), decoded.end()).size(), decoded.size());
    for (const auto &[picture, size] : {std::pair<QString, QSize>{"eng/main.png", {1000, 650}},
                                        {"all/OR+.png", {293, 40}},
                                        {"de/no_vehicle.png", {491, 31}}}) {
        const QString difference = drawn_unlike_qt(picture, size);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
