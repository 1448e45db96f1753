// The software transfer's figures: about 2,000 acknowledged chunks of at least 50 ms
// each for a 32 KiB file, so minutes, and the time left is worth showing.

#include "app/session.h"

namespace {

QString time_left_text(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds >= 60)
        return QStringLiteral("%1 min %2 s left").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 s left").arg(seconds);
}

} // namespace

session::TransferFigures session::transfer_figures(int done, int total, qint64 elapsed_ms)
{
    TransferFigures figures;
    if (total <= 0)
        return figures;
    figures.percent = int(qint64(done) * 100 / total);
    const bool estimated = done > 0 && done < total;
    const qint64 ms_left = estimated ? elapsed_ms * (total - done) / done : -1;
    figures.seconds_left = estimated ? (ms_left + 999) / 1000 : -1;
    figures.text = QStringLiteral("Writing software: %1%").arg(figures.percent);
    if (estimated)
        figures.text += QStringLiteral("  -  ") + time_left_text(ms_left);
    return figures;
}
