#include "app/ctl/progress.h"

namespace ctl {

QString progress_bar(int percent, int width)
{
    const int filled = qBound(0, percent, 100) * width / 100;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('-'))
           + QLatin1Char(']');
}

QString ProgressText::update(int percent, const QString &text)
{
    if (!terminal) {
        if (percent == last_percent)
            return QString();
        last_percent = percent;
        return text + QLatin1Char('\n');
    }
    if (percent == last_percent && text == last_text)
        return QString();
    // The line is written over whole: a shorter text leaves nothing of a longer one.
    const QString line = progress_bar(percent) + QLatin1Char(' ') + text;
    const int padding = qMax(0, int(last_text.size()) - int(text.size()));
    last_percent = percent;
    last_text = text;
    drawn = true;
    return QLatin1Char('\r') + line + QString(padding, QLatin1Char(' '));
}

QString ProgressText::end()
{
    const bool was_drawn = drawn;
    drawn = false;
    last_percent = -1;
    last_text.clear();
    return was_drawn ? QStringLiteral("\n") : QString();
}

} // namespace ctl
