<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Accessibility</name>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
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
        <translation>Läuft</translation>
    </message>
    <message>
        <source>No device connected</source>
        <translation>Kein Gerät verbunden</translation>
    </message>
    <message>
        <source>Select your vehicle</source>
        <translation>Fahrzeug auswählen</translation>
    </message>
    <message>
        <source>Select a new vehicle</source>
        <translation>Neues Fahrzeug auswählen</translation>
    </message>
    <message>
        <source>No vehicle installed</source>
        <translation>Kein Fahrzeug installiert</translation>
    </message>
    <message>
        <source>No errors</source>
        <translation>Keine Fehler</translation>
    </message>
    <message>
        <source>Selected protocol</source>
        <translation>Gewähltes Protokoll</translation>
    </message>
    <message>
        <source>Active protocol</source>
        <translation>Aktives Protokoll</translation>
    </message>
    <message>
        <source>Dynamic</source>
        <translation>Dynamisch</translation>
    </message>
    <message>
        <source>Eco</source>
        <translation>Eco</translation>
    </message>
    <message>
        <source>Stock</source>
        <translation>Serie</translation>
    </message>
    <message>
        <source>Indication off</source>
        <translation>Anzeige aus</translation>
    </message>
    <message>
        <source>Indication on</source>
        <translation>Anzeige ein</translation>
    </message>
    <message>
        <source>Standby U</source>
        <translation>Standby U</translation>
    </message>
    <message>
        <source>Standby S</source>
        <translation>Standby S</translation>
    </message>
    <message>
        <source>Install vehicle</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Apply settings</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Send errors</source>
        <translation>Fehler senden</translation>
    </message>
    <message>
        <source>Clear errors</source>
        <translation>Fehler löschen</translation>
    </message>
    <message>
        <source>Custom settings</source>
        <translation>Eigene Einstellungen</translation>
    </message>
    <message>
        <source>Update firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <source>Update vehicle software</source>
        <translation>Fahrzeugsoftware aktualisieren</translation>
    </message>
    <message>
        <source>Choose brand</source>
        <translation>Marke wählen</translation>
    </message>
    <message>
        <source>Choose model</source>
        <translation>Modell wählen</translation>
    </message>
    <message>
        <source>Choose engine</source>
        <translation>Motor wählen</translation>
    </message>
    <message>
        <source>Indication switch</source>
        <translation>Anzeigeschalter</translation>
    </message>
    <message>
        <source>Standby switch</source>
        <translation>Standby-Schalter</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Vehicle selection</source>
        <translation>Fahrzeugauswahl</translation>
    </message>
    <message>
        <source>Drive modes</source>
        <translation>Fahrmodi</translation>
    </message>
    <message>
        <source>Loading</source>
        <translation>Wird geladen</translation>
    </message>
    <message>
        <source>Vehicle in the device</source>
        <translation>Fahrzeug im Gerät</translation>
    </message>
    <message>
        <source>Engine, power and torque</source>
        <translation>Motor, Leistung und Drehmoment</translation>
    </message>
    <message>
        <source>Configurations left</source>
        <translation>Verbleibende Konfigurationen</translation>
    </message>
    <message>
        <source>Errors</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>Protocol</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Standby</source>
        <translation>Standby</translation>
    </message>
    <message>
        <source>Pin %1</source>
        <translation>Pin %1</translation>
    </message>
    <message>
        <source>Drive mode</source>
        <translation>Fahrmodus</translation>
    </message>
    <message>
        <source>Indication</source>
        <translation>Anzeige</translation>
    </message>
    <message>
        <source>Brand</source>
        <translation>Marke</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Engine</source>
        <translation>Motor</translation>
    </message>
    <message>
        <source>Vehicle bus protocol</source>
        <translation>Fahrzeugbus-Protokoll</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Automatic standby</source>
        <translation>Standby automatisch</translation>
    </message>
    <message>
        <source>Automatic protocol</source>
        <translation>Protokoll automatisch</translation>
    </message>
    <message>
        <source>%1: %2, selected</source>
        <translation>%1: %2, ausgewählt</translation>
    </message>
    <message>
        <source>%1: %2, not selected</source>
        <translation>%1: %2, nicht ausgewählt</translation>
    </message>
</context>
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
        <source>Vehicle data too long for the device! Nothing was written.</source>
        <translation>Fahrzeugdaten zu lang für das Gerät! Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Vehicle is changed!</source>
        <translation>Fahrzeug wurde geändert!</translation>
    </message>
    <message>
        <source>Access to the device is missing: this user may not open it. Install the %1 package, which gives the user at this computer access; for a build from source, install the udev rule %2 and run:
%3</source>
        <translation>Der Zugriff auf das Gerät fehlt: Dieser Benutzer darf es nicht öffnen. Installieren Sie das Paket %1, das dem Benutzer an diesem Computer den Zugriff gibt; bei einem selbst gebauten Programm installieren Sie die udev-Regel %2 und führen Sie aus:
%3</translation>
    </message>
    <message>
        <source>Access to the device is missing: this user may not open it.</source>
        <translation>Der Zugriff auf das Gerät fehlt: Dieser Benutzer darf es nicht öffnen.</translation>
    </message>
    <message>
        <source>Another program is using the device. Close it, then unplug the device and plug it in again.</source>
        <translation>Ein anderes Programm verwendet das Gerät. Schließen Sie es, ziehen Sie dann das Gerät ab und stecken Sie es wieder ein.</translation>
    </message>
    <message>
        <source>The system reported: %1</source>
        <translation>Das System meldete: %1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>A write to the device is running. Closing now leaves it incomplete. Close anyway?</source>
        <translation>Ein Schreibvorgang auf das Gerät läuft. Wenn Sie jetzt schließen, bleibt er unvollständig. Trotzdem schließen?</translation>
    </message>
    <message>
        <source>The vehicle is in the device, but its installation is still being reported. Closing now leaves it unreported. Close anyway?</source>
        <translation>Das Fahrzeug ist im Gerät, aber seine Installation wird noch gemeldet. Wenn Sie jetzt schließen, bleibt sie ungemeldet. Trotzdem schließen?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
</context>
</TS>
