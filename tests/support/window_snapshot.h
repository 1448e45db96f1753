#ifndef WINDOW_SNAPSHOT_H
#define WINDOW_SNAPSHOT_H

#include <QMap>
#include <QString>

class QWidget;

// What one named widget shows: sheet, text, visibility, enabled and check state, items.
struct Look {
    QString sheet;
    QString text;
    bool shown = false;
    bool enabled = false;
    bool checked = false;
    QString items;  // combo boxes: the items and the current index
};
using Looks = QMap<QString, Look>;

// Every named widget of the window but the transfer progress (which only moves).
Looks looks_of(QWidget *window);

// What a sheet shows: its picture, "url(...)", "none" or "noimage". (The same picture comes
// with slightly different sheets from different paths, e.g. a text colour on a label
// without text.)
QString picture_of(const QString &sheet);

// One line per widget, sorted by name: picture, text, shown, enabled, checked, items.
QString looks_text(const Looks &looks);

#endif // WINDOW_SNAPSHOT_H
