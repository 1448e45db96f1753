<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
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
        <source>Vehicle is changed!</source>
        <translation>Автомобиль изменён!</translation>
    </message>
</context>
</TS>
