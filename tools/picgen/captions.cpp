#include "captions.h"

namespace picgen {

namespace {

const char *const folders[] = {"eng", "de", "ru"};

// Each caption in the languages of `folders`, in that order.
struct Caption {
    QString Captions::*field;
    const char *text[3];
};

const Caption captions[] = {
    {&Captions::no_device, {"No device connected", "Kein Gerät verbunden", "Устройство не подключено"}},
    {&Captions::no_vehicle,
     {"No vehicle installed", "Kein Fahrzeug installiert", "Автомобиль не установлен"}},
    {&Captions::select_vehicle, {"Select your vehicle", "Fahrzeug auswählen", "Выберите автомобиль"}},
    {&Captions::select_new_vehicle,
     {"Select a new vehicle", "Neues Fahrzeug auswählen", "Выберите новый автомобиль"}},
    {&Captions::drive_modes, {"Drive modes", "Fahrmodi", "Режимы движения"}},
    {&Captions::no_errors, {"No errors", "Keine Fehler", "Ошибок нет"}},
    {&Captions::apply_car, {"Install vehicle", "Installieren", "Установить"}},
    {&Captions::apply_settings, {"Apply settings", "Übernehmen", "Применить"}},
    {&Captions::send_errors, {"Send errors", "Fehler senden", "Отправить ошибки"}},
    {&Captions::clear_errors, {"Clear errors", "Fehler löschen", "Стереть ошибки"}},
    {&Captions::installed_vehicle, {"Vehicle in the device", "Fahrzeug im Gerät", "Автомобиль в устройстве"}},
    {&Captions::vehicle_selection, {"Vehicle selection", "Fahrzeugauswahl", "Выбор автомобиля"}},
    {&Captions::configs_left,
     {"Configurations left:", "Verbleibende Konfigurationen:", "Осталось конфигураций:"}},
    {&Captions::indication, {"Indication", "Anzeige", "Индикация"}},
    {&Captions::protocol, {"Vehicle bus protocol", "Fahrzeugbus-Protokoll", "Протокол шины автомобиля"}},
    {&Captions::automatic, {"Automatic", "Automatisch", "Автоматически"}},
    {&Captions::pin_selected, {"selected", "gewählt", "выбран"}},
    {&Captions::pin_active, {"active", "aktiv", "активен"}},
    {&Captions::standby, {"Standby", "Standby", "Режим сна"}},
    {&Captions::errors, {"Errors", "Fehler", "Ошибки"}},
    {&Captions::device_info, {"Device information", "Geräteinformationen", "Об устройстве"}},
    {&Captions::serial_number, {"Serial number:", "Seriennummer:", "Серийный номер:"}},
    {&Captions::firmware, {"Firmware:", "Firmware:", "Прошивка:"}},
    {&Captions::hardware, {"Hardware:", "Hardware:", "Ревизия:"}},
    {&Captions::software, {"Software:", "Software:", "Программа:"}},
    {&Captions::protocol_info, {"Protocol:", "Protokoll:", "Протокол:"}},
    {&Captions::standby_info, {"Standby:", "Standby:", "Режим сна:"}},
};

} // namespace

QVector<Captions> all_captions()
{
    QVector<Captions> all(3);
    for (int i = 0; i < 3; ++i) {
        all[i].folder = QString::fromLatin1(folders[i]);
        for (const Caption &caption : captions)
            all[i].*caption.field = QString::fromUtf8(caption.text[i]);
    }
    return all;
}

} // namespace picgen
