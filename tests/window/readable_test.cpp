// The texts that are not pictures follow the chosen language: message boxes through the
// embedded translations, and what a screen reader hears of every widget.

#include <QtTest>
#include <QAccessible>
#include <QComboBox>
#include <QPushButton>

#include "app/mainwindow.h"
#include "server/server_state.h"
#include "support/rig.h"

namespace {

const char *const languages[] = {"ENG", "DE", "RU"};

void choose_language(MainWindow &window, const char *language)
{
    window.findChild<QComboBox *>("comboBox_language")->setCurrentText(language);
}

QAccessibleInterface *accessible(QWidget *window, const char *name)
{
    return QAccessible::queryAccessibleInterface(window->findChild<QWidget *>(name));
}

// Every widget the keyboard reaches, and every picture label, must have a name.
QStringList unnamed_widgets(QWidget *window)
{
    QStringList unnamed;
    QList<QWidget *> widgets;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus))
            widgets << w;
    const char *pictures[] = {"label_device", "label_indication_on_off", "label_stby_u_s", "label_drive_modes",
                              "label_text_select_vehicle", "label_marka_model", "label_errors",
                              "label_serial_number", "label_firmware", "label_avail_config", "pin_6"};
    for (const char *name : pictures)
        widgets << window->findChild<QWidget *>(name);
    for (QWidget *w : qAsConst(widgets)) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (iface) qDebug().noquote() << w->objectName() << "|" << iface->text(QAccessible::Name) << "|" << iface->text(QAccessible::Description) << iface->role();
        if (!iface || iface->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << w->metaObject()->className() + QStringLiteral(" ") + w->objectName();
    }
    return unnamed;
}

} // namespace

class ReadableTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void boxes_in_each_language();
    void every_focusable_widget_is_named();

private:
    std::unique_ptr<Rig> rig;
};

void ReadableTest::init()
{
    rig = std::make_unique<Rig>();
    rig->start_server();
    rig->register_device(configured_device(), 300);
}

void ReadableTest::cleanup()
{
    rig.reset();
}

// One box of each kind ("Error!", "Error", "Info"); English is the source text itself.
void ReadableTest::boxes_in_each_language()
{
    rig->plug(configured_device());
    MainWindow &window = rig->open_window();
    QVERIFY(rig->wait_identified());
    const QVector<QStringList> expected = {
        {"Info / Settings are changed!", "Error! / Please select your vehicle!", "Error / No tuning files!"},
        {"Info / Einstellungen wurden geändert!", "Fehler! / Bitte wählen Sie Ihr Fahrzeug aus!",
         "Fehler / Keine Tuning-Dateien!"},
        {"Информация / Настройки изменены!", "Ошибка! / Пожалуйста, выберите автомобиль!",
         "Ошибка / Нет файлов тюнинга!"},
    };
    auto *apply = window.findChild<QPushButton *>("pushButton_apply_car");
    // The mode shown cannot be chosen again: a new one each time.
    const char *modes[] = {"pushButton_eco", "pushButton_stock", "pushButton_dynamic"};
    for (int i = 0; i < 3; ++i) {
        choose_language(window, languages[i]);
        rig->boxes.clear();
        window.findChild<QPushButton *>(modes[i])->click();
        apply->click();
        for (const char *name : {"comboBox_marka", "comboBox_model", "comboBox_model_exactly"})
            window.findChild<QComboBox *>(name)->setCurrentIndex(1);
        avail_config = 0;
        apply->click();
        QCOMPARE(rig->boxes.texts(), expected[i]);
        avail_config = 300;
    }
}

void ReadableTest::every_focusable_widget_is_named()
{
    MainWindow &window = rig->open_window();
    // Without a device first, then identified.
    for (bool identified : {false, true}) {
        if (identified) {
            rig->plug(configured_device());
            QVERIFY(rig->wait_identified());
        }
        const QStringList dynamic = {"Dynamic", "Dynamisch", "Динамичный"};
        for (int i = 0; i < 3; ++i) {
            choose_language(window, languages[i]);
            const QStringList unnamed = unnamed_widgets(&window);
            QVERIFY2(unnamed.isEmpty(), qPrintable(QString(languages[i]) + ": " + unnamed.join(", ")));
            // Not the button's own (invisible) text "DYNAMIC".
            QCOMPARE(accessible(&window, "pushButton_dynamic")->text(QAccessible::Name), dynamic[i]);
        }
    }

    // Names and states in the chosen language, current with the pictures.
    QCOMPARE(accessible(&window, "comboBox_language")->text(QAccessible::Description), QStringLiteral("Язык"));
    window.findChild<QPushButton *>("pushButton_stock")->click();
    choose_language(window, "DE");
    QCOMPARE(accessible(&window, "pushButton_stock")->text(QAccessible::Description),
             QStringLiteral("Fahrmodus: Serie, ausgewählt"));
    QCOMPARE(accessible(&window, "pushButton_eco")->text(QAccessible::Description),
             QStringLiteral("Fahrmodus: Eco, nicht ausgewählt"));
    choose_language(window, "ENG");
    window.findChild<QPushButton *>("pushButton_dynamic")->click();
    QCOMPARE(accessible(&window, "pushButton_dynamic")->text(QAccessible::Description),
             QStringLiteral("Drive mode: Dynamic, selected"));
    QCOMPARE(accessible(&window, "label_serial_number")->text(QAccessible::Name), QStringLiteral("Serial number"));
    QCOMPARE(accessible(&window, "label_serial_number")->text(QAccessible::Description),
             QStringLiteral("1100000001"));
}

QTEST_MAIN(ReadableTest)
#include "readable_test.moc"
