#ifndef STYLE_SHEETS_H
#define STYLE_SHEETS_H

#include <QString>
#include <QWidget>
#include <initializer_list>

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

// A connector pin: `picture` such as "all/red.png", or none. No blank before
// "image:".
inline QString pin(const QString &picture = QString())
{
    return "background-color: none;image: " + (picture.isEmpty() ? QStringLiteral("none;") : "url(:/" + picture + ");");
}

// The accent colour of the texts the window writes itself (vehicle, errors,
// lists, installation progress), spelled as every sheet has it.
inline QString accent()
{
    return QStringLiteral("rgb(255, 219,10)");
}

// A text in the accent colour on no background, then `rest`.
inline QString accent_text(const QString &rest)
{
    return "color: " + accent() + "; background-color: none; " + rest;
}

// A text label in the accent colour that shows no picture.
inline QString text_only()
{
    return accent_text(QStringLiteral("image: noimage;"));
}

// A text label in the accent colour over a picture (two blanks after "image:").
inline QString text_over(const QString &picture)
{
    return accent_text("image:  url(:/" + picture + ");");
}

// The vehicle label of a device that holds no vehicle, in the picture set of `folder`.
inline QString no_vehicle(const QString &folder)
{
    return text_over(folder + "/no_vehicle.png") + " image-position: center;";
}

// A list (combo box) in the accent colour on black, its selection too.
inline QString list()
{
    return "color: " + accent() + "; background-color: black; alternate-background-color: black; "
           "selection-color: " + accent() + "; selection-background-color:black;";
}

// Gives a widget whose sheet names one of `files` (the first found) the same
// file from the picture set `folder`, through `sheet` (button, label, ...); a
// widget that names none of them keeps its sheet. How a picture follows the
// interface language while the widget keeps its state.
// Restyling a widget (for a combo box also its list) takes milliseconds even
// when the sheet is the one it already has; that is skipped.
inline void set(QWidget *widget, const QString &sheet)
{
    if (widget->styleSheet() != sheet)
        widget->setStyleSheet(sheet);
}

template <typename Sheet>
void refolder(QWidget *widget, const QString &folder, std::initializer_list<const char *> files, Sheet sheet)
{
    for (const char *file : files) {
        if (widget->styleSheet().contains(QLatin1String(file))) {
            set(widget, sheet(folder + "/" + file));
            return;
        }
    }
}

} // namespace sheets

#endif // STYLE_SHEETS_H
