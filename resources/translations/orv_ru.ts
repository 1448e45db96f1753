<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>Accessibility</name>
    <message>
        <source>On</source>
        <translation>Вкл.</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Выкл.</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Неизвестно</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>In progress</source>
        <translation>Выполняется</translation>
    </message>
    <message>
        <source>No device connected</source>
        <translation>Устройство не подключено</translation>
    </message>
    <message>
        <source>Select your vehicle</source>
        <translation>Выберите автомобиль</translation>
    </message>
    <message>
        <source>Select a new vehicle</source>
        <translation>Выберите новый автомобиль</translation>
    </message>
    <message>
        <source>No vehicle installed</source>
        <translation>Автомобиль не установлен</translation>
    </message>
    <message>
        <source>No errors</source>
        <translation>Ошибок нет</translation>
    </message>
    <message>
        <source>Selected protocol</source>
        <translation>Выбранный протокол</translation>
    </message>
    <message>
        <source>Active protocol</source>
        <translation>Активный протокол</translation>
    </message>
    <message>
        <source>Dynamic</source>
        <translation>Динамичный</translation>
    </message>
    <message>
        <source>Eco</source>
        <translation>Эко</translation>
    </message>
    <message>
        <source>Stock</source>
        <translation>Заводской</translation>
    </message>
    <message>
        <source>Indication off</source>
        <translation>Индикация выкл.</translation>
    </message>
    <message>
        <source>Indication on</source>
        <translation>Индикация вкл.</translation>
    </message>
    <message>
        <source>Standby U</source>
        <translation>Режим сна U</translation>
    </message>
    <message>
        <source>Standby S</source>
        <translation>Режим сна S</translation>
    </message>
    <message>
        <source>Install vehicle</source>
        <translation>Установить</translation>
    </message>
    <message>
        <source>Apply settings</source>
        <translation>Применить</translation>
    </message>
    <message>
        <source>Send errors</source>
        <translation>Отправить ошибки</translation>
    </message>
    <message>
        <source>Clear errors</source>
        <translation>Стереть ошибки</translation>
    </message>
    <message>
        <source>Custom settings</source>
        <translation>Свои настройки</translation>
    </message>
    <message>
        <source>Update firmware</source>
        <translation>Обновить прошивку</translation>
    </message>
    <message>
        <source>Update vehicle software</source>
        <translation>Обновить программу автомобиля</translation>
    </message>
    <message>
        <source>Choose brand</source>
        <translation>Выбрать марку</translation>
    </message>
    <message>
        <source>Choose model</source>
        <translation>Выбрать модель</translation>
    </message>
    <message>
        <source>Choose engine</source>
        <translation>Выбрать двигатель</translation>
    </message>
    <message>
        <source>Indication switch</source>
        <translation>Переключатель индикации</translation>
    </message>
    <message>
        <source>Standby switch</source>
        <translation>Переключатель режима сна</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Устройство</translation>
    </message>
    <message>
        <source>Vehicle selection</source>
        <translation>Выбор автомобиля</translation>
    </message>
    <message>
        <source>Drive modes</source>
        <translation>Режимы движения</translation>
    </message>
    <message>
        <source>Loading</source>
        <translation>Загрузка</translation>
    </message>
    <message>
        <source>Vehicle in the device</source>
        <translation>Автомобиль в устройстве</translation>
    </message>
    <message>
        <source>Engine, power and torque</source>
        <translation>Двигатель, мощность и крутящий момент</translation>
    </message>
    <message>
        <source>Configurations left</source>
        <translation>Осталось конфигураций</translation>
    </message>
    <message>
        <source>Errors</source>
        <translation>Ошибки</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Серийный номер</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Прошивка</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>Ревизия</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Программа</translation>
    </message>
    <message>
        <source>Protocol</source>
        <translation>Протокол</translation>
    </message>
    <message>
        <source>Standby</source>
        <translation>Режим сна</translation>
    </message>
    <message>
        <source>Pin %1</source>
        <translation>Контакт %1</translation>
    </message>
    <message>
        <source>Drive mode</source>
        <translation>Режим движения</translation>
    </message>
    <message>
        <source>Indication</source>
        <translation>Индикация</translation>
    </message>
    <message>
        <source>Brand</source>
        <translation>Марка</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Модель</translation>
    </message>
    <message>
        <source>Engine</source>
        <translation>Двигатель</translation>
    </message>
    <message>
        <source>Vehicle bus protocol</source>
        <translation>Протокол шины автомобиля</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>Automatic standby</source>
        <translation>Автоматический режим сна</translation>
    </message>
    <message>
        <source>Automatic protocol</source>
        <translation>Автоматический выбор протокола</translation>
    </message>
    <message>
        <source>%1: %2, selected</source>
        <translation>%1: %2, выбрано</translation>
    </message>
    <message>
        <source>%1: %2, not selected</source>
        <translation>%1: %2, не выбрано</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>USB write error! Please reconnect device!</source>
        <translation>Ошибка записи по USB! Переподключите устройство!</translation>
    </message>
    <message>
        <source>Transmission error! Please reconnect device!</source>
        <translation>Ошибка передачи данных! Переподключите устройство!</translation>
    </message>
    <message>
        <source>Connection error! Please reconnect device!</source>
        <translation>Ошибка соединения! Переподключите устройство!</translation>
    </message>
    <message>
        <source>No connection! Please reconnect device!</source>
        <translation>Нет связи! Переподключите устройство!</translation>
    </message>
    <message>
        <source>Message too long for the device! Nothing was sent.</source>
        <translation>Сообщение слишком длинное для устройства! Ничего не отправлено.</translation>
    </message>
    <message>
        <source>Server error!</source>
        <translation>Ошибка сервера!</translation>
    </message>
    <message>
        <source>Server connection error!</source>
        <translation>Ошибка соединения с сервером!</translation>
    </message>
    <message>
        <source>Error!</source>
        <translation>Ошибка!</translation>
    </message>
    <message>
        <source>Wrong settings!</source>
        <translation>Неверные настройки!</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Информация</translation>
    </message>
    <message>
        <source>Settings are changed!</source>
        <translation>Настройки изменены!</translation>
    </message>
    <message>
        <source>USB not opened! Please reconnect device!</source>
        <translation>USB-устройство не открыто! Переподключите устройство!</translation>
    </message>
    <message>
        <source>Server connection error! Error code 110</source>
        <translation>Ошибка соединения с сервером! Код ошибки 110</translation>
    </message>
    <message>
        <source>Server connection error</source>
        <translation>Ошибка соединения с сервером</translation>
    </message>
    <message>
        <source>No connection to server!</source>
        <translation>Нет соединения с сервером!</translation>
    </message>
    <message>
        <source>Please select your vehicle!</source>
        <translation>Пожалуйста, выберите автомобиль!</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>No tuning files!</source>
        <translation>Нет файлов тюнинга!</translation>
    </message>
    <message>
        <source>Software file too large for the device! Nothing was written.</source>
        <translation>Файл программы слишком велик для устройства! Ничего не записано.</translation>
    </message>
    <message>
        <source>Vehicle data too long for the device! Nothing was written.</source>
        <translation>Данные автомобиля слишком длинные для устройства! Ничего не записано.</translation>
    </message>
    <message>
        <source>Vehicle is changed!</source>
        <translation>Автомобиль изменён!</translation>
    </message>
    <message>
        <source>Access to the device is missing: this user may not open it. Install the %1 package, which gives the user at this computer access; for a build from source, install the udev rule %2 and run:
%3</source>
        <translation>Нет доступа к устройству: этому пользователю нельзя его открыть. Установите пакет %1, который даёт доступ пользователю за этим компьютером; для программы, собранной из исходников, установите правило udev %2 и выполните:
%3</translation>
    </message>
    <message>
        <source>Access to the device is missing: this user may not open it.</source>
        <translation>Нет доступа к устройству: этому пользователю нельзя его открыть.</translation>
    </message>
    <message>
        <source>Another program is using the device. Close it, then unplug the device and plug it in again.</source>
        <translation>Устройство занято другой программой. Закройте её, затем отключите устройство и подключите снова.</translation>
    </message>
    <message>
        <source>The system reported: %1</source>
        <translation>Сообщение системы: %1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>A write to the device is running. Closing now leaves it incomplete. Close anyway?</source>
        <translation>Идёт запись в устройство. Если закрыть сейчас, она останется незавершённой. Всё равно закрыть?</translation>
    </message>
    <message>
        <source>The vehicle is in the device, but its installation is still being reported. Closing now leaves it unreported. Close anyway?</source>
        <translation>Автомобиль уже записан в устройство, но об установке ещё сообщается серверу. Если закрыть сейчас, установка останется не сообщённой. Всё равно закрыть?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Да</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Нет</translation>
    </message>
</context>
</TS>
