#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <functional>

namespace picgen {

// The colours of the whole interface. The widgets draw their data in the yellow below and
// in white, so every surface under them stays dark.
namespace colour {
const QColor accent(255, 219, 10);       // the widgets' own data colour
const QColor accent_deep(232, 168, 0);    // lower end of a lit surface
const QColor accent_pressed(150, 108, 0); // a lit surface pushed in
const QColor background_top(24, 27, 32);
const QColor background_bottom(10, 11, 14);
const QColor panel(255, 255, 255, 10);
const QColor panel_border(58, 63, 71);
const QColor well(6, 7, 9); // sunken places that widgets sit in
const QColor title(222, 226, 232);
const QColor caption(168, 175, 186);
const QColor dim(112, 118, 128);
const QColor off_top(62, 66, 73);
const QColor off_bottom(40, 43, 48);
const QColor off_text(138, 144, 153);
const QColor on_text(24, 20, 4);
const QColor good(92, 205, 128);
const QColor pin_red(228, 38, 38);
const QColor pin_yellow(255, 210, 0);
} // namespace colour

// Loads the DejaVu faces from the given folder; false if one of them is missing. Drawing
// only through these files keeps the output independent of the machine's font setup.
bool load_fonts(const QString &font_dir, QString *error);

QFont sans_font(qreal pixel_size, bool bold = false);

// Draws at the given ratio while it lives: pixels per drawing unit, 1 for the normal
// pictures, 2 for their "@2x" twins. Every picture is drawn in the same units at either
// ratio, so the 2x set looks the same with twice the detail instead of being scaled up.
class PixelRatioScope
{
public:
    explicit PixelRatioScope(qreal ratio);
    ~PixelRatioScope();
    PixelRatioScope(const PixelRatioScope &) = delete;
    PixelRatioScope &operator=(const PixelRatioScope &) = delete;

private:
    qreal previous;
};

// A transparent canvas (buttons and labels) or an opaque one (the window background), of
// w x h drawing units at the current pixel ratio.
QImage transparent_image(int w, int h);
QImage opaque_image(int w, int h);

void prepare(QPainter &p);

// A transparent picture of w x h drawing units at the current pixel ratio, drawn by `draw`
// with a prepared painter.
QImage draw_picture(int w, int h, const std::function<void(QPainter &)> &draw);

// Draws one line of text in the rectangle, shrinking the font down to min_pixel_size and
// then narrowing it horizontally until it fits the width. Returns the pixel size used.
qreal draw_fitted(QPainter &p, const QRectF &rect, const QString &text, qreal pixel_size, bool bold,
                 const QColor &colour, int alignment, qreal min_pixel_size = 9);

// Largest whole pixel size, from pixel_size down to min_pixel_size, at which the text fits the
// width; min_pixel_size if none does.
qreal fitting_size(const QString &text, qreal width, qreal pixel_size, bool bold, qreal min_pixel_size);

// Width of a text at a pixel size, for laying out things around it.
qreal text_width(const QString &text, qreal pixel_size, bool bold);

enum class Look { On, Off, Pressed };

// Rounded push-button face filling the rectangle.
void draw_button_face(QPainter &p, const QRectF &rect, Look look, qreal radius = 7);
QColor button_text_colour(Look look);

// A recessed rounded field (the frame around segmented switches and panels).
void draw_well(QPainter &p, const QRectF &rect, qreal radius);

// Section panel with a title line at its top left.
void draw_panel(QPainter &p, const QRectF &rect, const QString &title);

} // namespace picgen
