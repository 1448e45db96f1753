#include "controls/settings_word.h"

#include "device/messages.h"
#include "device/protocol.h"

namespace settings_word {

int flags(const Choice &choice)
{
    int value = choice.auto_standby ? protocol::auto_standby
              : choice.standby_u    ? protocol::standby_u
              : choice.standby_s    ? protocol::standby_s
                                    : 0;
    if (choice.auto_protocol)
        value |= protocol::auto_protocol;
    return value;
}

QByteArray message(const Choice &choice)
{
    int high = 0;
    int low = 0;
    if (!choice.auto_protocol && choice.protocol >= 0 && choice.protocol <= 15) {
        if (choice.protocol > 7)
            high = 1 << (choice.protocol - 8);
        else
            low = 1 << choice.protocol;
    }
    QByteArray payload;
    payload.append(char(flags(choice)));
    payload.append(char(high));
    payload.append(char(low));
    return message::command(message::Code::Settings, payload);
}

int protocol_number(const QString &item_text, const QStringList &protocol_names)
{
    return protocol_names.indexOf(item_text);
}

} // namespace settings_word
