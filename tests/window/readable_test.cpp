// The texts that are not pictures follow the chosen language: message boxes through the
// embedded translations.

#include <QtTest>
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

} // namespace

class ReadableTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void boxes_in_each_language();

private:
    std::unique_ptr<Rig> rig;
    SimDevice *device = nullptr;
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
    device = rig->plug(configured_device());
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

QTEST_MAIN(ReadableTest)
#include "readable_test.moc"
