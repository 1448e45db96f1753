#ifndef STYLE_SHEETS_H
#define STYLE_SHEETS_H

#include <QString>
#include <QWidget>

// Pictures are shown only through style sheets, and a widget's state (on, off,
// press, no) is the file name in its sheet. `picture` is a resource path below
// ":/", such as "all/eco_on.png" or "eng/apply_car_on.png".
namespace sheets {

// An image button, or a picture label under transparent buttons: no frame,
// no background, no text.
inline QString button(const QString &picture)
{
    return "background: none; border: none; outline: none; color: transparent; image: url(:/" + picture + ");";
}

// The indication label's sheets have no blank before "image:".
inline QString indication(const QString &picture)
{
    return "background: none; border: none; outline: none; color: transparent;image: url(:/" + picture + ");";
}

// A picture label.
inline QString label(const QString &picture)
{
    return "background-color: none; image: url(:/" + picture + ");";
}

// Restyling a widget (for a combo box also its list) takes milliseconds even
// when the sheet is the one it already has; that is skipped.
inline void set(QWidget *widget, const QString &sheet)
{
    if (widget->styleSheet() != sheet)
        widget->setStyleSheet(sheet);
}

} // namespace sheets

#endif // STYLE_SHEETS_H
