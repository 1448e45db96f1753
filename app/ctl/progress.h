#ifndef CTL_PROGRESS_H
#define CTL_PROGRESS_H

#include <QString>

// The software transfer's progress on standard error: on a terminal one bar redrawn
// in place, otherwise a plain line each time the percent changes, with no control
// character at all.
namespace ctl {

class ProgressText
{
public:
    explicit ProgressText(bool terminal) : terminal(terminal) {}

    // What to write for these figures (`text` as the sequences word them); empty
    // when nothing changed.
    QString update(int percent, const QString &text);
    // What ends the progress: the bar's line ended, or nothing.
    QString end();

private:
    const bool terminal;
    int last_percent = -1;
    QString last_text;
    bool drawn = false;
};

// A bar of `width` cells, `percent` of them filled: "[#####-----]".
QString progress_bar(int percent, int width = 30);

} // namespace ctl

#endif // CTL_PROGRESS_H
