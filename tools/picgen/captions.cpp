#include "captions.h"

namespace picgen {

QVector<Captions> allCaptions()
{
    Captions en;
    en.folder = QStringLiteral("eng");
    en.noDevice = QStringLiteral("No device connected");
    en.noVehicle = QStringLiteral("No vehicle installed");
    en.selectVehicle = QStringLiteral("Select your vehicle");
    en.selectNewVehicle = QStringLiteral("Select a new vehicle");
    en.driveModes = QStringLiteral("Drive modes");
    en.noErrors = QStringLiteral("No errors");
    en.applyCar = QStringLiteral("Install vehicle");
    en.applySettings = QStringLiteral("Apply settings");
    en.sendErrors = QStringLiteral("Send errors");
    en.clearErrors = QStringLiteral("Clear errors");
    en.installedVehicle = QStringLiteral("Vehicle in the device");
    en.vehicleSelection = QStringLiteral("Vehicle selection");
    en.configsLeft = QStringLiteral("Configurations left:");
    en.indication = QStringLiteral("Indication");
    en.protocol = QStringLiteral("Vehicle bus protocol");
    en.automatic = QStringLiteral("Automatic");
    en.pinSelected = QStringLiteral("selected");
    en.pinActive = QStringLiteral("active");
    en.standby = QStringLiteral("Standby");
    en.errors = QStringLiteral("Errors");
    en.deviceInfo = QStringLiteral("Device information");
    en.serialNumber = QStringLiteral("Serial number:");
    en.firmware = QStringLiteral("Firmware:");
    en.hardware = QStringLiteral("Hardware:");
    en.software = QStringLiteral("Software:");
    en.protocolInfo = QStringLiteral("Protocol:");
    en.standbyInfo = QStringLiteral("Standby:");

    Captions de;
    de.folder = QStringLiteral("de");
    de.noDevice = QStringLiteral("Kein Gerät verbunden");
    de.noVehicle = QStringLiteral("Kein Fahrzeug installiert");
    de.selectVehicle = QStringLiteral("Fahrzeug auswählen");
    de.selectNewVehicle = QStringLiteral("Neues Fahrzeug auswählen");
    de.driveModes = QStringLiteral("Fahrmodi");
    de.noErrors = QStringLiteral("Keine Fehler");
    de.applyCar = QStringLiteral("Installieren");
    de.applySettings = QStringLiteral("Übernehmen");
    de.sendErrors = QStringLiteral("Fehler senden");
    de.clearErrors = QStringLiteral("Fehler löschen");
    de.installedVehicle = QStringLiteral("Fahrzeug im Gerät");
    de.vehicleSelection = QStringLiteral("Fahrzeugauswahl");
    de.configsLeft = QStringLiteral("Verbleibende Konfigurationen:");
    de.indication = QStringLiteral("Anzeige");
    de.protocol = QStringLiteral("Fahrzeugbus-Protokoll");
    de.automatic = QStringLiteral("Automatisch");
    de.pinSelected = QStringLiteral("gewählt");
    de.pinActive = QStringLiteral("aktiv");
    de.standby = QStringLiteral("Standby");
    de.errors = QStringLiteral("Fehler");
    de.deviceInfo = QStringLiteral("Geräteinformationen");
    de.serialNumber = QStringLiteral("Seriennummer:");
    de.firmware = QStringLiteral("Firmware:");
    de.hardware = QStringLiteral("Hardware:");
    de.software = QStringLiteral("Software:");
    de.protocolInfo = QStringLiteral("Protokoll:");
    de.standbyInfo = QStringLiteral("Standby:");

    Captions ru;
    ru.folder = QStringLiteral("ru");
    ru.noDevice = QStringLiteral("Устройство не подключено");
    ru.noVehicle = QStringLiteral("Автомобиль не установлен");
    ru.selectVehicle = QStringLiteral("Выберите автомобиль");
    ru.selectNewVehicle = QStringLiteral("Выберите новый автомобиль");
    ru.driveModes = QStringLiteral("Режимы движения");
    ru.noErrors = QStringLiteral("Ошибок нет");
    ru.applyCar = QStringLiteral("Установить");
    ru.applySettings = QStringLiteral("Применить");
    ru.sendErrors = QStringLiteral("Отправить ошибки");
    ru.clearErrors = QStringLiteral("Стереть ошибки");
    ru.installedVehicle = QStringLiteral("Автомобиль в устройстве");
    ru.vehicleSelection = QStringLiteral("Выбор автомобиля");
    ru.configsLeft = QStringLiteral("Осталось конфигураций:");
    ru.indication = QStringLiteral("Индикация");
    ru.protocol = QStringLiteral("Протокол шины автомобиля");
    ru.automatic = QStringLiteral("Автоматически");
    ru.pinSelected = QStringLiteral("выбран");
    ru.pinActive = QStringLiteral("активен");
    ru.standby = QStringLiteral("Режим сна");
    ru.errors = QStringLiteral("Ошибки");
    ru.deviceInfo = QStringLiteral("Об устройстве");
    ru.serialNumber = QStringLiteral("Серийный номер:");
    ru.firmware = QStringLiteral("Прошивка:");
    ru.hardware = QStringLiteral("Ревизия:");
    ru.software = QStringLiteral("Программа:");
    ru.protocolInfo = QStringLiteral("Протокол:");
    ru.standbyInfo = QStringLiteral("Режим сна:");

    return {en, de, ru};
}

} // namespace picgen
