// The settings writes: drive mode, indication, and the settings word (standby and
// protocol), each in the bracket 0x03, value, 0x21, 0x24.

#include "app/boxes.h"
#include "app/session.h"
#include "app/session_face.h"
#include "app/session_state.h"
#include "device/device_state.h"
#include "device/link.h"
#include "device/messages.h"
#include "device/protocol.h"
#include "device/usb_state.h"

namespace {

// The face locks what would be refused half-way or lost meanwhile (a vehicle chosen,
// a setting edited) from the first message to the last.
class WriteShown
{
public:
    WriteShown() { session::view().write_begins(); }
    ~WriteShown() { session::view().write_ends(); }
    WriteShown(const WriteShown &) = delete;
    WriteShown &operator=(const WriteShown &) = delete;
};

// Every settings write: 0x03, the value message, 0x21, 0x24. Stops at the first
// exchange that fails (the transport has shown its box). `value_sent` says whether
// the value message went out, so that the device may hold it whatever the answers.
session::WriteResult write_bracket(const QByteArray &value_message)
{
    session::WriteResult result;
    const WriteShown shown;
    const DeviceWrite writing;
    for (const QByteArray &step : message::write_sequence({value_message})) {
        result.value_sent = result.value_sent || step == value_message;
        if (!link::exchange(step))
            return result;
    }
    result.ok = true;
    return result;
}

} // namespace

session::WriteResult session::write_drive_mode(int mode)
{
    const WriteResult result = write_bracket(message::command(message::Code::DriveMode, QByteArray(1, char(mode))));
    if (result.ok) {
        drive_mode = mode;
        show_box("Info", "Settings are changed!");
    }
    return result;
}

session::WriteResult session::write_indication(bool on)
{
    const int indication = on ? protocol::indication_on : 0;
    QByteArray value;
    value.append(char(indication >> 8)).append(char(indication & 0xFF));
    const WriteResult result = write_bracket(message::command(message::Code::Indication, value));
    if (result.ok) {
        indication_state = on ? 1 : 0;
        show_box("Info", "Settings are changed!");
    }
    return result;
}

session::WriteResult session::write_settings(const settings_word::Choice &choice)
{
    const bool standby_wrong = !choice.auto_standby && !choice.standby_u && !choice.standby_s;
    const bool protocol_wrong = !choice.auto_protocol && choice.protocol < 0;
    if (standby_wrong || protocol_wrong) {
        WriteResult refused;
        refused.refused = true;
        show_box("Error!", "Wrong settings!");
        return refused;
    }
    const QByteArray message = settings_word::message(choice);
    const WriteResult result = write_bracket(message);
    if (result.ok) {
        // The device holds the new word: shown as after identification.
        decode_into_state(int(message::Code::Settings), message.mid(1));
        view().settings_word_held(message.mid(1));
        show_box("Info", "Settings are changed!");
    }
    return result;
}
