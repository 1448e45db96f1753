#include "tuning/checksum.h"

#include <QString>

QByteArray software_checksum(const QByteArray &file)
{
    quint64 sum = 0x1E;
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
    QByteArray message;
    message.reserve(file.size() + 6);
    message.append(char(0x1E));
    message.append(char(0x00));
    message.append(char(0x00));
    message.append(file);
    message.append(software_checksum(file));
    return message;
}
