// The window on a screen of device pixel ratio 2: the same 1000 x 650 logical window,
// drawn from the @2x pictures rather than from the 1x ones scaled up.

#include <QtTest>
#include <QComboBox>
#include <QPainter>
#include <algorithm>

#include "app/hidpi.h"
#include "app/mainwindow.h"
#include "app/pictures.h"
#include "support/box_catcher.h"
#include "support/state_reset.h"
#include "support/window_probe.h"

namespace {

// Colour channels further apart than blending can explain.
int worst_channel_difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)), qAbs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

} // namespace

class HidpiTest : public QObject
{
    Q_OBJECT
public:
    // Before the application object, as main() does it.
    static void initMain()
    {
        qputenv("QT_SCALE_FACTOR", "2");
        enable_high_dpi();
    }

private slots:
    void pictures_are_drawn_from_their_twins();
    void only_twins_are_decoded();
};

// Each picture's place in the grabbed window must be the @2x background with the @2x
// picture over it; a 1x picture scaled up differs by far more than rounding there.
void HidpiTest::pictures_are_drawn_from_their_twins()
{
    init_window_resources();
    reset_shared_state();
    BoxCatcher boxes;
    MainWindow window;
    QCOMPARE(window.size(), QSize(1000, 650));
    const struct {
        const char *widget;
        const char *picture; // %1: the language folder
    } places[] = {
        {"label_device", ":/%1/no_device@2x.png"},
        {"pushButton_apply_car", ":/%1/apply_car_off@2x.png"},
        {"pushButton_clear_errors", ":/%1/clear_errors_off@2x.png"},
        {"label_stby_u_s", ":/all/stby_no@2x.png"},
    };
    for (const char *language : {"ENG", "DE", "RU"}) {
        window.findChild<QComboBox *>("comboBox_language")->setCurrentText(language);
        const QString folder = QString::fromLatin1(language).toLower();
        const QImage shown = window.grab().toImage();
        QCOMPARE(shown.size(), QSize(2000, 1300));
        const QImage background(QStringLiteral(":/%1/main@2x.png").arg(folder));
        for (const auto &place : places) {
            const QWidget *widget = window.findChild<QWidget *>(place.widget);
            const QImage picture(QString::fromLatin1(place.picture).arg(folder));
            QVERIFY2(!picture.isNull(), place.picture);
            // The pictures fill their widgets exactly.
            const QRect area(widget->mapTo(&window, QPoint(0, 0)) * 2, picture.size());
            QImage expected = background.copy(area).convertToFormat(QImage::Format_ARGB32_Premultiplied);
            {
                QPainter painter(&expected);
                painter.drawImage(0, 0, picture);
            }
            const int worst = worst_channel_difference(shown.copy(area), expected);
            QVERIFY2(worst <= 2, qPrintable(QStringLiteral("%1 in %2: off by %3").arg(place.widget, language).arg(worst)));
        }
    }
}

// The 1x set is never decoded where the @2x one is shown, and a twin is drawn exactly as
// Qt's own engine draws it.
void HidpiTest::only_twins_are_decoded()
{
    init_window_resources();
    reset_shared_state();
    BoxCatcher boxes;
    pictures::release_unused();   // what the other test's window showed
    const int before = pictures::decoded_files().size();
    MainWindow window;
    window.grab();
    const QStringList decoded = pictures::decoded_files().mid(before);
    QVERIFY(decoded.contains(":/eng/main@2x.png"));
    QCOMPARE(decoded.filter("@2x").size(), decoded.size());
    for (const auto &[picture, size] : {std::pair<QString, QSize>{"eng/main.png", {1000, 650}},
                                        {"all/OR+.png", {293, 40}}}) {
        const QString difference = drawn_unlike_qt(picture, size);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
}

QTEST_MAIN(HidpiTest)
#include "hidpi_test.moc"
