#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace picgen {

// The colours of the whole interface. The widgets draw their data in the yellow below and
// in white, so every surface under them stays dark.
namespace colour {
const QColor accent(255, 219, 10);       // the widgets' own data colour
const QColor accentDeep(232, 168, 0);    // lower end of a lit surface
const QColor accentPressed(150, 108, 0); // a lit surface pushed in
const QColor backgroundTop(24, 27, 32);
const QColor backgroundBottom(10, 11, 14);
const QColor panel(255, 255, 255, 10);
const QColor panelBorder(58, 63, 71);
const QColor well(6, 7, 9); // sunken places that widgets sit in
const QColor title(222, 226, 232);
const QColor caption(168, 175, 186);
const QColor dim(112, 118, 128);
const QColor offTop(62, 66, 73);
const QColor offBottom(40, 43, 48);
const QColor offText(138, 144, 153);
const QColor onText(24, 20, 4);
const QColor good(92, 205, 128);
const QColor pinRed(228, 38, 38);
const QColor pinYellow(255, 210, 0);
} // namespace colour

// Loads the DejaVu faces from the given folder; false if one of them is missing. Drawing
// only through these files keeps the output independent of the machine's font setup.
bool loadFonts(const QString &fontDir, QString *error);

QFont sansFont(qreal pixelSize, bool bold = false);

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
QImage transparentImage(int w, int h);
QImage opaqueImage(int w, int h);

void prepare(QPainter &p);

// Draws one line of text in the rectangle, shrinking the font down to minPixelSize and
// then narrowing it horizontally until it fits the width. Returns the pixel size used.
qreal drawFitted(QPainter &p, const QRectF &rect, const QString &text, qreal pixelSize, bool bold,
                 const QColor &colour, int alignment, qreal minPixelSize = 9);

// Largest whole pixel size, from pixelSize down to minPixelSize, at which the text fits the
// width; minPixelSize if none does.
qreal fittingSize(const QString &text, qreal width, qreal pixelSize, bool bold, qreal minPixelSize);

// Width of a text at a pixel size, for laying out things around it.
qreal textWidth(const QString &text, qreal pixelSize, bool bold);

enum class Look { On, Off, Pressed };

// Rounded push-button face filling the rectangle.
void drawButtonFace(QPainter &p, const QRectF &rect, Look look, qreal radius = 7);
QColor buttonTextColour(Look look);

// A recessed rounded field (the frame around segmented switches and panels).
void drawWell(QPainter &p, const QRectF &rect, qreal radius);

// Section panel with a title line at its top left.
void drawPanel(QPainter &p, const QRectF &rect, const QString &title);

} // namespace picgen
