#include "app/ctl/matching.h"

namespace ctl {

int protocol_by_name(const QString &word, const QStringList &names)
{
    const QString folded = QString(word).replace(QLatin1Char('-'), QLatin1Char(' '));
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(folded, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString protocol_word(const QString &name)
{
    return QString(name).replace(QLatin1Char(' '), QLatin1Char('-'));
}

QList<int> matching_positions(const QString &wanted, const QStringList &titles, const QStringList &others)
{
    for (const Qt::CaseSensitivity sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        QList<int> positions;
        for (int i = 0; i < titles.size(); ++i)
            if (titles.at(i).compare(wanted, sensitivity) == 0 || others.value(i).compare(wanted, sensitivity) == 0)
                positions.append(i);
        if (!positions.isEmpty())
            return positions;
    }
    return {};
}

QStringList suggestions(const QString &wanted, const QStringList &titles, int limit)
{
    const QString stem = wanted.left(3);
    QStringList near;
    for (const QString &title : titles) {
        if (near.size() >= limit)
            break;
        const bool close = (!wanted.isEmpty() && title.contains(wanted, Qt::CaseInsensitive))
                           || (!stem.isEmpty() && title.startsWith(stem, Qt::CaseInsensitive));
        if (close && !near.contains(title))
            near.append(title);
    }
    return near;
}

} // namespace ctl
