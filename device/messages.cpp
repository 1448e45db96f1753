#include "device/messages.h"

namespace message {

QByteArray query(Code code)
{
    QByteArray bytes = command(Code::Query);
    bytes.append(char(code));
    if (code == Code::Key)
        bytes.append(key_marker);
    return bytes;
}

QByteArray command(Code code, const QByteArray &payload)
{
    return QByteArray(1, char(code)) + payload;
}

QList<QByteArray> write_sequence(const QList<QByteArray> &settings)
{
    return QList<QByteArray>{command(Code::Open)} + settings
           + QList<QByteArray>{command(Code::Apply), command(Code::Close)};
}

Model device_model(const QString &serial)
{
    if (serial.startsWith(QLatin1String("10")))
        return Model::OR;
    if (serial.startsWith(QLatin1String("11")))
        return Model::ORPlus;
    return Model::Unknown;
}

} // namespace message
