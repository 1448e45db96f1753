<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>MainWindow</name>
    <message>
        <source>USB write error! Please reconnect device!</source>
        <translation>USB-Schreibfehler! Bitte Gerät neu verbinden!</translation>
    </message>
    <message>
        <source>Transmission error! Please reconnect device!</source>
        <translation>Übertragungsfehler! Bitte Gerät neu verbinden!</translation>
    </message>
    <message>
        <source>Connection error! Please reconnect device!</source>
        <translation>Verbindungsfehler! Bitte Gerät neu verbinden!</translation>
    </message>
    <message>
        <source>No connection! Please reconnect device!</source>
        <translation>Keine Verbindung! Bitte Gerät neu verbinden!</translation>
    </message>
    <message>
        <source>Message too long for the device! Nothing was sent.</source>
        <translation>Nachricht zu lang für das Gerät! Es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>Server error!</source>
        <translation>Serverfehler!</translation>
    </message>
    <message>
        <source>Server connection error!</source>
        <translation>Fehler bei der Verbindung zum Server!</translation>
    </message>
    <message>
        <source>Error!</source>
        <translation>Fehler!</translation>
    </message>
    <message>
        <source>Wrong settings!</source>
        <translation>Ungültige Einstellungen!</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Settings are changed!</source>
        <translation>Einstellungen wurden geändert!</translation>
    </message>
    <message>
        <source>USB not opened! Please reconnect device!</source>
        <translation>USB-Gerät nicht geöffnet! Bitte Gerät neu verbinden!</translation>
    </message>
    <message>
        <source>Server connection error! Error code 110</source>
        <translation>Fehler bei der Verbindung zum Server! Fehlercode 110</translation>
    </message>
    <message>
        <source>Server connection error</source>
        <translation>Fehler bei der Verbindung zum Server</translation>
    </message>
    <message>
        <source>No connection to server!</source>
        <translation>Keine Verbindung zum Server!</translation>
    </message>
    <message>
        <source>Please select your vehicle!</source>
        <translation>Bitte wählen Sie Ihr Fahrzeug aus!</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>No tuning files!</source>
        <translation>Keine Tuning-Dateien!</translation>
    </message>
    <message>
        <source>Software file too large for the device! Nothing was written.</source>
        <translation>Softwaredatei zu groß für das Gerät! Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Vehicle is changed!</source>
        <translation>Fahrzeug wurde geändert!</translation>
    </message>
</context>
</TS>
