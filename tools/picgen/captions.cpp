#include "captions.h"

namespace picgen {

QVector<Captions> all_captions()
{
    Captions en;
    en.folder = QStringLiteral("eng");
    en.no_device = QStringLiteral("No device connected");
    en.no_vehicle = QStringLiteral("No vehicle installed");
    en.select_vehicle = QStringLiteral("Select your vehicle");
    en.select_new_vehicle = QStringLiteral("Select a new vehicle");
    en.drive_modes = QStringLiteral("Drive modes");
    en.no_errors = QStringLiteral("No errors");
    en.apply_car = QStringLiteral("Install vehicle");
    en.apply_settings = QStringLiteral("Apply settings");
    en.send_errors = QStringLiteral("Send errors");
    en.clear_errors = QStringLiteral("Clear errors");
    en.installed_vehicle = QStringLiteral("Vehicle in the device");
    en.vehicle_selection = QStringLiteral("Vehicle selection");
    en.configs_left = QStringLiteral("Configurations left:");
    en.indication = QStringLiteral("Indication");
    en.protocol = QStringLiteral("Vehicle bus protocol");
    en.automatic = QStringLiteral("Automatic");
    en.pin_selected = QStringLiteral("selected");
    en.pin_active = QStringLiteral("active");
    en.standby = QStringLiteral("Standby");
    en.errors = QStringLiteral("Errors");
    en.device_info = QStringLiteral("Device information");
    en.serial_number = QStringLiteral("Serial number:");
    en.firmware = QStringLiteral("Firmware:");
    en.hardware = QStringLiteral("Hardware:");
    en.software = QStringLiteral("Software:");
    en.protocol_info = QStringLiteral("Protocol:");
    en.standby_info = QStringLiteral("Standby:");

    Captions de;
    de.folder = QStringLiteral("de");
    de.no_device = QStringLiteral("Kein Gerät verbunden");
    de.no_vehicle = QStringLiteral("Kein Fahrzeug installiert");
    de.select_vehicle = QStringLiteral("Fahrzeug auswählen");
    de.select_new_vehicle = QStringLiteral("Neues Fahrzeug auswählen");
    de.drive_modes = QStringLiteral("Fahrmodi");
    de.no_errors = QStringLiteral("Keine Fehler");
    de.apply_car = QStringLiteral("Installieren");
    de.apply_settings = QStringLiteral("Übernehmen");
    de.send_errors = QStringLiteral("Fehler senden");
    de.clear_errors = QStringLiteral("Fehler löschen");
    de.installed_vehicle = QStringLiteral("Fahrzeug im Gerät");
    de.vehicle_selection = QStringLiteral("Fahrzeugauswahl");
    de.configs_left = QStringLiteral("Verbleibende Konfigurationen:");
    de.indication = QStringLiteral("Anzeige");
    de.protocol = QStringLiteral("Fahrzeugbus-Protokoll");
    de.automatic = QStringLiteral("Automatisch");
    de.pin_selected = QStringLiteral("gewählt");
    de.pin_active = QStringLiteral("aktiv");
    de.standby = QStringLiteral("Standby");
    de.errors = QStringLiteral("Fehler");
    de.device_info = QStringLiteral("Geräteinformationen");
    de.serial_number = QStringLiteral("Seriennummer:");
    de.firmware = QStringLiteral("Firmware:");
    de.hardware = QStringLiteral("Hardware:");
    de.software = QStringLiteral("Software:");
    de.protocol_info = QStringLiteral("Protokoll:");
    de.standby_info = QStringLiteral("Standby:");

    Captions ru;
    ru.folder = QStringLiteral("ru");
    ru.no_device = QStringLiteral("Устройство не подключено");
    ru.no_vehicle = QStringLiteral("Автомобиль не установлен");
    ru.select_vehicle = QStringLiteral("Выберите автомобиль");
    ru.select_new_vehicle = QStringLiteral("Выберите новый автомобиль");
    ru.drive_modes = QStringLiteral("Режимы движения");
    ru.no_errors = QStringLiteral("Ошибок нет");
    ru.apply_car = QStringLiteral("Установить");
    ru.apply_settings = QStringLiteral("Применить");
    ru.send_errors = QStringLiteral("Отправить ошибки");
    ru.clear_errors = QStringLiteral("Стереть ошибки");
    ru.installed_vehicle = QStringLiteral("Автомобиль в устройстве");
    ru.vehicle_selection = QStringLiteral("Выбор автомобиля");
    ru.configs_left = QStringLiteral("Осталось конфигураций:");
    ru.indication = QStringLiteral("Индикация");
    ru.protocol = QStringLiteral("Протокол шины автомобиля");
    ru.automatic = QStringLiteral("Автоматически");
    ru.pin_selected = QStringLiteral("выбран");
    ru.pin_active = QStringLiteral("активен");
    ru.standby = QStringLiteral("Режим сна");
    ru.errors = QStringLiteral("Ошибки");
    ru.device_info = QStringLiteral("Об устройстве");
    ru.serial_number = QStringLiteral("Серийный номер:");
    ru.firmware = QStringLiteral("Прошивка:");
    ru.hardware = QStringLiteral("Ревизия:");
    ru.software = QStringLiteral("Программа:");
    ru.protocol_info = QStringLiteral("Протокол:");
    ru.standby_info = QStringLiteral("Режим сна:");

    return {en, de, ru};
}

} // namespace picgen
