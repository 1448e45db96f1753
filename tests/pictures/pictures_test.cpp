// The committed picture tree: every file the window addresses, at the size of the widget
// that shows it, reachable under its resource path, with states that look apart; plus the
// picture generator's caption fitting.

#include "theme.h"

#include <QCryptographicHash>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString resources_dir = QStringLiteral(ORV_RESOURCES_DIR);
const QStringList languages = {QStringLiteral("eng"), QStringLiteral("de"), QStringLiteral("ru")};

struct Expected {
    const char *file;
    QSize size;
};

const Expected language_files[] = {
    {"main.png", {1000, 650}},          {"no_device.png", {293, 40}},
    {"no_vehicle.png", {250, 20}},      {"text_select_vehicle.png", {330, 32}},
    {"text_select_new_vehicle.png", {330, 32}}, {"drive_modes.png", {454, 40}},
    {"no_errors.png", {221, 71}},       {"apply_car_on.png", {160, 36}},
    {"apply_car_off.png", {160, 36}},   {"apply_car_press.png", {160, 36}},
    {"apply_settings_on.png", {160, 36}}, {"apply_settings_off.png", {160, 36}},
    {"send_errors_off.png", {194, 28}}, {"clear_errors_off.png", {194, 28}},
};

const Expected common_files[] = {
    {"dynamic_on.png", {172, 37}},      {"dynamic_off.png", {172, 37}},
    {"eco_on.png", {172, 37}},          {"eco_off.png", {172, 37}},
    {"stock_on.png", {172, 37}},        {"stock_off.png", {172, 37}},
    {"indication_on.png", {169, 32}},   {"indication_off.png", {169, 32}},
    {"indication_no.png", {169, 32}},   {"stby_u.png", {169, 32}},
    {"stby_s.png", {169, 32}},          {"stby_no.png", {169, 32}},
    {"checkbox_on.png", {21, 18}},      {"checkbox_off.png", {21, 18}},
    {"red.png", {16, 16}},              {"yellow.png", {16, 16}},
    {"OR.png", {223, 40}},              {"OR+.png", {223, 40}},
    {"custom_off.png", {150, 30}},      {"custom_on.png", {150, 30}},
    {"update_firmware_off.png", {150, 30}}, {"update_firmware_on.png", {150, 30}},
    {"update_software_off.png", {150, 30}}, {"update_software_on.png", {150, 30}},
};

// Every picture of the tree, by its path below ":/".
QStringList all_pictures()
{
    QStringList paths;
    for (const QString &lang : languages)
        for (const Expected &e : language_files)
            paths << lang + '/' + e.file;
    for (const Expected &e : common_files)
        paths << QStringLiteral("all/") + e.file;
    return paths;
}

QByteArray pixel_hash(const QImage &img)
{
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (int y = 0; y < argb.height(); ++y)
        h.addData(QByteArray::fromRawData(reinterpret_cast<const char *>(argb.constScanLine(y)), argb.width() * 4));
    return h.result();
}

// Mean colour of the opaque part of a picture (the button face without its rounded corners).
QColor face_colour(const QImage &img)
{
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    qint64 r = 0, g = 0, b = 0, n = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            if (qAlpha(p) > 200) {
                r += qRed(p);
                g += qGreen(p);
                b += qBlue(p);
                ++n;
            }
        }
    return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

// Mean difference of two pictures of one size, per premultiplied channel (0 to 255).
double mean_difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar *p = x.constScanLine(row);
        const uchar *q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 4; ++i)
            sum += qAbs(p[i] - q[i]);
    }
    return double(sum) / (4.0 * x.width() * x.height());
}

bool is_accent(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) > 140 && qBlue(p) < 80;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void picture_file_data();
    void picture_file();
    void resource_list_names_exactly_the_pictures();
    void languages_have_their_own_pictures_data();
    void languages_have_their_own_pictures();
    void states_look_different_data();
    void states_look_different();
    void button_states_by_look_data();
    void button_states_by_look();
    void segment_lit_under_its_click_area_data();
    void segment_lit_under_its_click_area();
    void fitted_text_stays_in_its_room_data();
    void fitted_text_stays_in_its_room();
    void loading_animation_loops();
    void window_icon_has_small_sizes();
    void desktop_icon_has_every_theme_size();
};

void TestPictures::initTestCase()
{
    QString error;
    // Debian's fonts-dejavu-core, the faces the generator draws with.
    QVERIFY2(picgen::load_fonts(QStringLiteral("/usr/share/fonts/truetype/dejavu"), &error), qPrintable(error));
}

void TestPictures::picture_file_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const QString &lang : languages)
        for (const Expected &e : language_files)
            QTest::newRow(qPrintable(lang + '/' + e.file)) << lang + '/' + e.file << e.size;
    for (const Expected &e : common_files)
        QTest::newRow(qPrintable(QStringLiteral("all/") + e.file)) << QStringLiteral("all/") + e.file << e.size;
}

// Each picture fills a widget of exactly this size; a larger one would be scaled down.
void TestPictures::picture_file()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader on_disk(resources_dir + '/' + path);
    QCOMPARE(on_disk.format(), QByteArray("png"));
    QCOMPARE(on_disk.read().size(), size);
    const QImage picture(QStringLiteral(":/") + path);
    QCOMPARE(picture.size(), size);

    // Its twin for screens of pixel ratio 2, exactly twice the size. Averaged back down to
    // 1x it looks more like its own picture than like any other state or language of that size.
    const QString twin_path = path.chopped(4) + QStringLiteral("@2x.png");
    QVERIFY(QFile::exists(resources_dir + '/' + twin_path));
    const QImage twin(QStringLiteral(":/") + twin_path);
    QCOMPARE(twin.size(), size * 2);
    const QImage down = twin.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double own = mean_difference(down, picture);
    static QHash<QString, QImage> loaded;
    for (const QString &other : all_pictures()) {
        if (!loaded.contains(other))
            loaded.insert(other, QImage(QStringLiteral(":/") + other));
        const QImage &candidate = loaded[other];
        if (other != path && candidate.size() == size)
            QVERIFY2(mean_difference(down, candidate) > own, qPrintable(other));
    }
}

void TestPictures::resource_list_names_exactly_the_pictures()
{
    QFile qrc(resources_dir + QStringLiteral("/resources.qrc"));
    QVERIFY(qrc.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&qrc);
    QStringList listed;
    QStringList prefixes;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("qresource"))
            prefixes << xml.attributes().value(QLatin1String("prefix")).toString();
        else if (xml.name() == QLatin1String("file"))
            listed << xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(prefixes, QStringList{QStringLiteral("/")});

    QStringList expected{QStringLiteral("load.gif"), QStringLiteral("load@2x.gif"), QStringLiteral("orv.ico")};
    for (const QString &path : all_pictures())
        expected << path << path.chopped(4) + QStringLiteral("@2x.png");
    QCOMPARE(listed.size(), QSet<QString>(listed.begin(), listed.end()).size()); // no duplicates
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
}

void TestPictures::languages_have_their_own_pictures_data()
{
    QTest::addColumn<QString>("file");
    for (const Expected &e : language_files)
        QTest::newRow(e.file) << QString::fromLatin1(e.file);
}

// Catches a folder filled with another language's pictures.
void TestPictures::languages_have_their_own_pictures()
{
    QFETCH(QString, file);
    QSet<QByteArray> seen;
    for (const QString &lang : languages)
        seen.insert(pixel_hash(QImage(QStringLiteral(":/%1/%2").arg(lang, file))));
    QCOMPARE(seen.size(), languages.size());
}

void TestPictures::states_look_different_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("apply car") << QStringList{"eng/apply_car_on.png", "eng/apply_car_off.png", "eng/apply_car_press.png"};
    QTest::newRow("apply settings") << QStringList{"ru/apply_settings_on.png", "ru/apply_settings_off.png"};
    QTest::newRow("indication") << QStringList{"all/indication_on.png", "all/indication_off.png", "all/indication_no.png"};
    QTest::newRow("standby") << QStringList{"all/stby_u.png", "all/stby_s.png", "all/stby_no.png"};
    QTest::newRow("drive modes") << QStringList{"all/dynamic_on.png", "all/dynamic_off.png", "all/eco_on.png",
                                                "all/eco_off.png", "all/stock_on.png", "all/stock_off.png"};
    QTest::newRow("check box") << QStringList{"all/checkbox_on.png", "all/checkbox_off.png"};
    QTest::newRow("pins") << QStringList{"all/red.png", "all/yellow.png"};
    QTest::newRow("models") << QStringList{"all/OR.png", "all/OR+.png"};
    QTest::newRow("vehicle captions") << QStringList{"de/text_select_vehicle.png", "de/text_select_new_vehicle.png"};
    QTest::newRow("extra buttons") << QStringList{"all/custom_off.png", "all/custom_on.png", "all/update_firmware_off.png",
                                                  "all/update_firmware_on.png", "all/update_software_off.png",
                                                  "all/update_software_on.png"};
}

// The window tells states apart only by which picture a widget shows.
void TestPictures::states_look_different()
{
    QFETCH(QStringList, paths);
    QSet<QByteArray> seen;
    for (const QString &path : paths)
        seen.insert(pixel_hash(QImage(QStringLiteral(":/") + path)));
    QCOMPARE(seen.size(), paths.size());
}

void TestPictures::button_states_by_look_data()
{
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");
    QTest::addColumn<QString>("pressed");
    QTest::newRow("apply car") << "eng/apply_car_on.png" << "eng/apply_car_off.png" << "eng/apply_car_press.png";
    QTest::newRow("apply car, ru") << "ru/apply_car_on.png" << "ru/apply_car_off.png" << "ru/apply_car_press.png";
    QTest::newRow("apply settings") << "de/apply_settings_on.png" << "de/apply_settings_off.png" << QString();
    QTest::newRow("dynamic") << "all/dynamic_on.png" << "all/dynamic_off.png" << QString();
    QTest::newRow("eco") << "all/eco_on.png" << "all/eco_off.png" << QString();
    QTest::newRow("stock") << "all/stock_on.png" << "all/stock_off.png" << QString();
    QTest::newRow("check box") << "all/checkbox_on.png" << "all/checkbox_off.png" << QString();
    QTest::newRow("custom") << "all/custom_on.png" << "all/custom_off.png" << QString();
    QTest::newRow("update firmware") << "all/update_firmware_on.png" << "all/update_firmware_off.png" << QString();
    QTest::newRow("update software") << "all/update_software_on.png" << "all/update_software_off.png" << QString();
}

// "On" is a bright accent face, "off" a dim grey one, "pressed" the accent pushed darker.
void TestPictures::button_states_by_look()
{
    QFETCH(QString, on);
    QFETCH(QString, off);
    QFETCH(QString, pressed);
    const QColor lit = face_colour(QImage(QStringLiteral(":/") + on));
    const QColor dim = face_colour(QImage(QStringLiteral(":/") + off));
    QVERIFY2(lit.hsvSaturation() > 150 && lit.value() > 180, qPrintable(lit.name()));
    QVERIFY2(dim.hsvSaturation() < 80 && dim.value() < 120, qPrintable(dim.name()));
    if (!pressed.isEmpty()) {
        const QColor down = face_colour(QImage(QStringLiteral(":/") + pressed));
        QVERIFY2(down.hsvSaturation() > 150 && down.value() < lit.value() - 40, qPrintable(down.name()));
    }
}

void TestPictures::segment_lit_under_its_click_area_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("left_x"); // middle of each click area, in picture coordinates
    QTest::addColumn<int>("right_x");
    QTest::addColumn<bool>("left_lit");
    QTest::addColumn<bool>("right_lit");
    // Indication: label at x 760, OFF area 770..850, ON area 855..935 (the picture ends at 929).
    QTest::newRow("indication on") << "indication_on.png" << 50 << 130 << false << true;
    QTest::newRow("indication off") << "indication_off.png" << 50 << 130 << true << false;
    QTest::newRow("indication none") << "indication_no.png" << 50 << 130 << false << false;
    // Standby: label at x 776, U area 780..860, S area 865..945.
    QTest::newRow("standby U") << "stby_u.png" << 44 << 129 << true << false;
    QTest::newRow("standby S") << "stby_s.png" << 44 << 129 << false << true;
    QTest::newRow("standby none") << "stby_no.png" << 44 << 129 << false << false;
}

void TestPictures::segment_lit_under_its_click_area()
{
    QFETCH(QString, file);
    QFETCH(int, left_x);
    QFETCH(int, right_x);
    QFETCH(bool, left_lit);
    QFETCH(bool, right_lit);
    const QImage img = QImage(QStringLiteral(":/all/") + file).convertToFormat(QImage::Format_ARGB32);
    // Sampled below the text, on the face of the segment.
    QCOMPARE(is_accent(img.pixel(left_x, 25)), left_lit);
    QCOMPARE(is_accent(img.pixel(right_x, 25)), right_lit);
}

void TestPictures::fitted_text_stays_in_its_room_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("room_width");
    QTest::addColumn<int>("alignment");
    const int left = Qt::AlignLeft | Qt::AlignVCenter;
    const int right = Qt::AlignRight | Qt::AlignVCenter;
    const int centre = Qt::AlignCenter;
    QTest::newRow("fits, left") << "Firmware:" << 200 << left;
    QTest::newRow("fits, right") << "Firmware:" << 200 << right;
    QTest::newRow("fits, centred") << "Firmware:" << 200 << centre;
    QTest::newRow("shrunk, right") << "Seriennummer:" << 95 << right;
    QTest::newRow("squeezed, left") << "Verbleibende Konfigurationen:" << 120 << left;
    QTest::newRow("squeezed, right") << "Устройство не подключено" << 110 << right;
    QTest::newRow("squeezed, centred") << "Neues Fahrzeug auswählen" << 100 << centre;
}

// Captions are fitted into the room between widgets: the ink must never spill out of it,
// and it must keep to the requested side.
void TestPictures::fitted_text_stays_in_its_room()
{
    QFETCH(QString, text);
    QFETCH(int, room_width);
    QFETCH(int, alignment);
    const QRect room(100, 4, room_width, 30);
    QImage img = picgen::transparent_image(room.right() + 101, 38);
    {
        QPainter p(&img);
        picgen::prepare(p);
        picgen::draw_fitted(p, room, text, 16, false, Qt::white, alignment, 12);
    }
    int min_x = img.width(), max_x = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0) {
                min_x = qMin(min_x, x);
                max_x = qMax(max_x, x);
            }
    QVERIFY(max_x >= 0);
    QVERIFY2(min_x >= room.left() - 1 && max_x <= room.right() + 1,
             qPrintable(QStringLiteral("ink %1..%2, room %3..%4").arg(min_x).arg(max_x).arg(room.left()).arg(room.right())));
    if (alignment & Qt::AlignLeft)
        QVERIFY(min_x <= room.left() + 3);
    else if (alignment & Qt::AlignRight)
        QVERIFY(max_x >= room.right() - 3);
    else
        QVERIFY(qAbs((min_x + max_x) / 2 - room.center().x()) <= 3);
}

void TestPictures::loading_animation_loops()
{
    int frameCount = -1;
    for (const QString &file : {QStringLiteral("load.gif"), QStringLiteral("load@2x.gif")}) {
        const int side = file.contains(QLatin1String("@2x")) ? 132 : 66;
        for (const QString &path : {resources_dir + '/' + file, QStringLiteral(":/") + file}) {
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray("gif"));
            QVERIFY(reader.supportsAnimation());
            QSet<QByteArray> frames;
            QImage frame;
            int count = 0;
            int first_covered = 0;
            while (reader.read(&frame)) {
                QCOMPARE(frame.size(), QSize(side, side));
                QCOMPARE(reader.nextImageDelay(), 80);
                frames.insert(pixel_hash(frame));
                // Every frame replaces the last one: an older frame's dots never show through
                // its transparent pixels, which would leave a growing smear.
                int covered = 0;
                for (int y = 0; y < side; ++y)
                    for (int x = 0; x < side; ++x)
                        covered += qAlpha(frame.pixel(x, y)) > 0;
                if (count == 0)
                    first_covered = covered;
                QVERIFY2(covered <= first_covered * 21 / 20, qPrintable(QStringLiteral("frame %1").arg(count)));
                ++count;
            }
            QVERIFY2(frames.size() >= 8, "a spinner needs several distinct frames");
            QCOMPARE(reader.loopCount(), -1); // forever
            if (frameCount < 0)
                frameCount = count;
            QCOMPARE(count, frameCount); // the 2x animation runs in step with the 1x one
        }
    }
}

void TestPictures::window_icon_has_small_sizes()
{
    QImageReader reader(resources_dir + QStringLiteral("/orv.ico"), "ico");
    QSet<int> sides;
    for (int i = 0; i < reader.imageCount(); ++i) {
        // The icon reader does not move on by itself after a read.
        QVERIFY(reader.jumpToImage(i));
        const QImage img = reader.read();
        QCOMPARE(img.width(), img.height());
        sides.insert(img.width());
    }
    QVERIFY(sides.contains(16));
    QVERIFY(sides.contains(32));
}

void TestPictures::desktop_icon_has_every_theme_size()
{
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral("%1/icons/hicolor/%2x%2/apps/example.orv.configurator.png").arg(resources_dir).arg(side);
        QImageReader reader(path, "png");
        QCOMPARE(reader.read().size(), QSize(side, side));
    }
}

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, the test never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestPictures test;
    return QTest::qExec(&test, argc, argv);
}
#include "pictures_test.moc"
