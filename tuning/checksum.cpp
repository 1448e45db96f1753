#include "tuning/checksum.h"

#include <QString>

#include "device/messages.h"

QByteArray software_checksum(const QByteArray &file)
{
    quint64 sum = quint64(message::Code::SoftwareFile);
    for (const char byte : file)
        sum += static_cast<unsigned char>(byte);
    const QString hex = QString::number(sum, 16).rightJustified(4, QLatin1Char('0'));
    QByteArray checksum;
    for (int end = hex.size(); end >= 2; end -= 2)
        checksum.append(char(hex.mid(end - 2, 2).toInt(nullptr, 16)));
    return checksum;
}

QByteArray software_message(const QByteArray &file)
{
    QByteArray bytes = message::command(message::Code::SoftwareFile, QByteArray(2, '\0'));
    bytes.reserve(file.size() + 6);
    bytes.append(file);
    bytes.append(software_checksum(file));
    return bytes;
}
