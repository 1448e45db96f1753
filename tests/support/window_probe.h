#ifndef WINDOW_PROBE_H
#define WINDOW_PROBE_H

#include <QSize>
#include <QString>
#include <QStringList>

class QWidget;

// Registers the picture tree of the window library (once per test program).
void init_window_resources();

// Shows `picture` (a resource below ":/", such as "all/OR.png") as a label's style sheet
// shows it, in a label of `size`, once from the resource tree (the window's decoder) and
// once from a copy of the file and its @2x twin outside it (Qt's own engine). Empty when
// the two grabs are the same pixel for pixel, else what differs.
QString drawn_unlike_qt(const QString &picture, const QSize &size);

// Reads what the window shows, by widget object name.
class WindowProbe
{
public:
    explicit WindowProbe(QWidget *window) : window(window) {}

    QWidget *widget(const QString &name) const;
    QString sheet(const QString &name) const;
    // The picture its sheet shows, below ":/" ("all/eco_on.png"); empty for none.
    QString picture(const QString &name) const;
    QString text(const QString &name) const;       // label, button or combo box current text
    QStringList items(const QString &name) const;  // combo box items
    bool check(const QString &name) const;         // check box state
    bool enabled(const QString &name) const;
    bool visible(const QString &name) const;       // not hidden itself

    // Every widget's sheet, text, visibility, enabled state, check state and items,
    // one line each, to compare two states of the whole window.
    QString snapshot() const;

    // Resource paths named in url(...) of the sheets that do not exist.
    QStringList missing_pictures() const;

private:
    QWidget *window;
};

#endif // WINDOW_PROBE_H
