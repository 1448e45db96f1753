// The committed picture tree: every file the window addresses, at the size of the widget
// that shows it, reachable under its resource path, with states that look apart; plus the
// picture generator's hand-written GIF and ICO encoders, checked against Qt's own readers,
// and its caption fitting.

#include "image_codecs.h"
#include "theme.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QRandomGenerator>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString kRoot = QStringLiteral(ORV_RESOURCES_DIR);
const QStringList kLanguages = {QStringLiteral("eng"), QStringLiteral("de"), QStringLiteral("ru")};

struct Expected {
    const char *file;
    QSize size;
};

const Expected kLanguageFiles[] = {
    {"main.png", {1000, 650}},          {"no_device.png", {293, 40}},
    {"no_vehicle.png", {250, 20}},      {"text_select_vehicle.png", {330, 32}},
    {"text_select_new_vehicle.png", {330, 32}}, {"drive_modes.png", {454, 40}},
    {"no_errors.png", {221, 71}},       {"apply_car_on.png", {160, 36}},
    {"apply_car_off.png", {160, 36}},   {"apply_car_press.png", {160, 36}},
    {"apply_settings_on.png", {160, 36}}, {"apply_settings_off.png", {160, 36}},
    {"send_errors_off.png", {194, 28}}, {"clear_errors_off.png", {194, 28}},
};

const Expected kCommonFiles[] = {
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
QStringList allPictures()
{
    QStringList paths;
    for (const QString &lang : kLanguages)
        for (const Expected &e : kLanguageFiles)
            paths << lang + '/' + e.file;
    for (const Expected &e : kCommonFiles)
        paths << QStringLiteral("all/") + e.file;
    return paths;
}

QByteArray pixelHash(const QImage &img)
{
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (int y = 0; y < argb.height(); ++y)
        h.addData(QByteArray::fromRawData(reinterpret_cast<const char *>(argb.constScanLine(y)), argb.width() * 4));
    return h.result();
}

// Mean colour of the opaque part of a picture (the button face without its rounded corners).
QColor faceColour(const QImage &img)
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
double meanDifference(const QImage &a, const QImage &b)
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

bool isAccent(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) > 140 && qBlue(p) < 80;
}

QVector<QRgb> greyPalette(int count)
{
    QVector<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette.append(qRgb(i, (i * 7) % 256, 255 - i));
    return palette;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void pictureFile_data();
    void pictureFile();
    void resourceListNamesExactlyThePictures();
    void languagesHaveTheirOwnPictures_data();
    void languagesHaveTheirOwnPictures();
    void statesLookDifferent_data();
    void statesLookDifferent();
    void buttonStatesByLook_data();
    void buttonStatesByLook();
    void segmentLitUnderItsClickArea_data();
    void segmentLitUnderItsClickArea();
    void fittedTextStaysInItsRoom_data();
    void fittedTextStaysInItsRoom();
    void loadingAnimationLoops();
    void windowIconHasSmallSizes();
    void desktopIconHasEveryThemeSize();
    void gifRoundTrip_data();
    void gifRoundTrip();
    void gifRejectsFramesItCannotEncode();
    void icoRoundTrip();
};

void TestPictures::initTestCase()
{
    QString error;
    // Debian's fonts-dejavu-core, the faces the generator draws with.
    QVERIFY2(picgen::loadFonts(QStringLiteral("/usr/share/fonts/truetype/dejavu"), &error), qPrintable(error));
}

void TestPictures::pictureFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const QString &lang : kLanguages)
        for (const Expected &e : kLanguageFiles)
            QTest::newRow(qPrintable(lang + '/' + e.file)) << lang + '/' + e.file << e.size;
    for (const Expected &e : kCommonFiles)
        QTest::newRow(qPrintable(QStringLiteral("all/") + e.file)) << QStringLiteral("all/") + e.file << e.size;
}

// Each picture fills a widget of exactly this size; a larger one would be scaled down.
void TestPictures::pictureFile()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader onDisk(kRoot + '/' + path);
    QCOMPARE(onDisk.format(), QByteArray("png"));
    QCOMPARE(onDisk.read().size(), size);
    const QImage picture(QStringLiteral(":/") + path);
    QCOMPARE(picture.size(), size);

    // Its twin for screens of pixel ratio 2, exactly twice the size. Averaged back down to
    // 1x it looks more like its own picture than like any other state or language of that size.
    const QString twinPath = path.chopped(4) + QStringLiteral("@2x.png");
    QVERIFY(QFile::exists(kRoot + '/' + twinPath));
    const QImage twin(QStringLiteral(":/") + twinPath);
    QCOMPARE(twin.size(), size * 2);
    const QImage down = twin.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double own = meanDifference(down, picture);
    static QHash<QString, QImage> loaded;
    for (const QString &other : allPictures()) {
        if (!loaded.contains(other))
            loaded.insert(other, QImage(QStringLiteral(":/") + other));
        const QImage &candidate = loaded[other];
        if (other != path && candidate.size() == size)
            QVERIFY2(meanDifference(down, candidate) > own, qPrintable(other));
    }
}

void TestPictures::resourceListNamesExactlyThePictures()
{
    QFile qrc(kRoot + QStringLiteral("/resources.qrc"));
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
    for (const QString &path : allPictures())
        expected << path << path.chopped(4) + QStringLiteral("@2x.png");
    QCOMPARE(listed.size(), QSet<QString>(listed.begin(), listed.end()).size()); // no duplicates
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
}

void TestPictures::languagesHaveTheirOwnPictures_data()
{
    QTest::addColumn<QString>("file");
    for (const Expected &e : kLanguageFiles)
        QTest::newRow(e.file) << QString::fromLatin1(e.file);
}

// Catches a folder filled with another language's pictures.
void TestPictures::languagesHaveTheirOwnPictures()
{
    QFETCH(QString, file);
    QSet<QByteArray> seen;
    for (const QString &lang : kLanguages)
        seen.insert(pixelHash(QImage(QStringLiteral(":/%1/%2").arg(lang, file))));
    QCOMPARE(seen.size(), kLanguages.size());
}

void TestPictures::statesLookDifferent_data()
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
void TestPictures::statesLookDifferent()
{
    QFETCH(QStringList, paths);
    QSet<QByteArray> seen;
    for (const QString &path : paths)
        seen.insert(pixelHash(QImage(QStringLiteral(":/") + path)));
    QCOMPARE(seen.size(), paths.size());
}

void TestPictures::buttonStatesByLook_data()
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
void TestPictures::buttonStatesByLook()
{
    QFETCH(QString, on);
    QFETCH(QString, off);
    QFETCH(QString, pressed);
    const QColor lit = faceColour(QImage(QStringLiteral(":/") + on));
    const QColor dim = faceColour(QImage(QStringLiteral(":/") + off));
    QVERIFY2(lit.hsvSaturation() > 150 && lit.value() > 180, qPrintable(lit.name()));
    QVERIFY2(dim.hsvSaturation() < 80 && dim.value() < 120, qPrintable(dim.name()));
    if (!pressed.isEmpty()) {
        const QColor down = faceColour(QImage(QStringLiteral(":/") + pressed));
        QVERIFY2(down.hsvSaturation() > 150 && down.value() < lit.value() - 40, qPrintable(down.name()));
    }
}

void TestPictures::segmentLitUnderItsClickArea_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("leftX"); // middle of each click area, in picture coordinates
    QTest::addColumn<int>("rightX");
    QTest::addColumn<bool>("leftLit");
    QTest::addColumn<bool>("rightLit");
    // Indication: label at x 760, OFF area 770..850, ON area 855..935 (the picture ends at 929).
    QTest::newRow("indication on") << "indication_on.png" << 50 << 130 << false << true;
    QTest::newRow("indication off") << "indication_off.png" << 50 << 130 << true << false;
    QTest::newRow("indication none") << "indication_no.png" << 50 << 130 << false << false;
    // Standby: label at x 776, U area 780..860, S area 865..945.
    QTest::newRow("standby U") << "stby_u.png" << 44 << 129 << true << false;
    QTest::newRow("standby S") << "stby_s.png" << 44 << 129 << false << true;
    QTest::newRow("standby none") << "stby_no.png" << 44 << 129 << false << false;
}

void TestPictures::segmentLitUnderItsClickArea()
{
    QFETCH(QString, file);
    QFETCH(int, leftX);
    QFETCH(int, rightX);
    QFETCH(bool, leftLit);
    QFETCH(bool, rightLit);
    const QImage img = QImage(QStringLiteral(":/all/") + file).convertToFormat(QImage::Format_ARGB32);
    // Sampled below the text, on the face of the segment.
    QCOMPARE(isAccent(img.pixel(leftX, 25)), leftLit);
    QCOMPARE(isAccent(img.pixel(rightX, 25)), rightLit);
}

void TestPictures::fittedTextStaysInItsRoom_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("roomWidth");
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
void TestPictures::fittedTextStaysInItsRoom()
{
    QFETCH(QString, text);
    QFETCH(int, roomWidth);
    QFETCH(int, alignment);
    const QRect room(100, 4, roomWidth, 30);
    QImage img = picgen::transparentImage(room.right() + 101, 38);
    {
        QPainter p(&img);
        picgen::prepare(p);
        picgen::drawFitted(p, room, text, 16, false, Qt::white, alignment, 12);
    }
    int minX = img.width(), maxX = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0) {
                minX = qMin(minX, x);
                maxX = qMax(maxX, x);
            }
    QVERIFY(maxX >= 0);
    QVERIFY2(minX >= room.left() - 1 && maxX <= room.right() + 1,
             qPrintable(QStringLiteral("ink %1..%2, room %3..%4").arg(minX).arg(maxX).arg(room.left()).arg(room.right())));
    if (alignment & Qt::AlignLeft)
        QVERIFY(minX <= room.left() + 3);
    else if (alignment & Qt::AlignRight)
        QVERIFY(maxX >= room.right() - 3);
    else
        QVERIFY(qAbs((minX + maxX) / 2 - room.center().x()) <= 3);
}

void TestPictures::loadingAnimationLoops()
{
    int frameCount = -1;
    for (const QString &file : {QStringLiteral("load.gif"), QStringLiteral("load@2x.gif")}) {
        const int side = file.contains(QLatin1String("@2x")) ? 132 : 66;
        for (const QString &path : {kRoot + '/' + file, QStringLiteral(":/") + file}) {
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray("gif"));
            QVERIFY(reader.supportsAnimation());
            QSet<QByteArray> frames;
            QImage frame;
            int count = 0;
            while (reader.read(&frame)) {
                QCOMPARE(frame.size(), QSize(side, side));
                frames.insert(pixelHash(frame));
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

void TestPictures::windowIconHasSmallSizes()
{
    QImageReader reader(kRoot + QStringLiteral("/orv.ico"), "ico");
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

void TestPictures::desktopIconHasEveryThemeSize()
{
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral("%1/icons/hicolor/%2x%2/apps/example.orv.configurator.png").arg(kRoot).arg(side);
        QImageReader reader(path, "png");
        QCOMPARE(reader.read().size(), QSize(side, side));
    }
}

void TestPictures::gifRoundTrip_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("transparent");
    // Two colours use the smallest code size, where the clear and end codes take half the
    // code space; noise over 256 colours fills the 4096-entry table and forces a reset; a
    // flat picture grows long strings and walks the code width up to 12 bits.
    QTest::newRow("one pixel") << QSize(1, 1) << 2 << 1 << -1;
    QTest::newRow("two colours, odd size") << QSize(7, 5) << 2 << 2 << 0;
    QTest::newRow("five colours, padded table") << QSize(33, 9) << 5 << 3 << 4;
    QTest::newRow("noise, table resets") << QSize(200, 150) << 256 << 2 << -1;
    QTest::newRow("flat, long strings") << QSize(300, 300) << 16 << 1 << -1;
}

void TestPictures::gifRoundTrip()
{
    QFETCH(QSize, size);
    QFETCH(int, colours);
    QFETCH(int, frames);
    QFETCH(int, transparent);
    const QVector<QRgb> palette = greyPalette(colours);
    QRandomGenerator random(size.width() * 1000 + colours);
    QVector<QImage> input;
    for (int f = 0; f < frames; ++f) {
        QImage img(size, QImage::Format_Indexed8);
        img.setColorTable(palette);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                img.setPixel(x, y, colours == 16 ? uint((x / 50 + y / 50 + f) % colours)
                                                 : random.bounded(colours));
        input.append(img);
    }
    const QByteArray gif = picgen::encodeGif(input, 5, transparent, true);
    QVERIFY(!gif.isEmpty());

    QBuffer buffer;
    buffer.setData(gif);
    QImageReader reader(&buffer, "gif");
    for (int f = 0; f < frames; ++f) {
        QImage decoded;
        QVERIFY2(reader.read(&decoded), qPrintable(reader.errorString()));
        QCOMPARE(decoded.size(), size);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const int index = input.at(f).pixelIndex(x, y);
                const QRgb got = decoded.pixel(x, y);
                if (index == transparent)
                    QVERIFY2(qAlpha(got) == 0, qPrintable(QStringLiteral("frame %1 at %2,%3").arg(f).arg(x).arg(y)));
                else if (got != palette.at(index))
                    QFAIL(qPrintable(QStringLiteral("frame %1 at %2,%3: %4 instead of %5")
                                         .arg(f).arg(x).arg(y).arg(got, 0, 16).arg(palette.at(index), 0, 16)));
            }
    }
}

void TestPictures::gifRejectsFramesItCannotEncode()
{
    QImage small(4, 4, QImage::Format_Indexed8);
    small.setColorTable(greyPalette(4));
    small.fill(0);
    QImage larger(5, 4, QImage::Format_Indexed8);
    larger.setColorTable(greyPalette(4));
    larger.fill(0);
    QImage outOfPalette = small;
    outOfPalette.scanLine(1)[1] = 7; // setPixel refuses indices past the table

    QVERIFY(!picgen::encodeGif({small}, 5, -1, false).isEmpty());
    QVERIFY(picgen::encodeGif({}, 5, -1, false).isEmpty());
    QVERIFY(picgen::encodeGif({small, larger}, 5, -1, false).isEmpty());
    QVERIFY(picgen::encodeGif({outOfPalette}, 5, -1, false).isEmpty());
    QVERIFY(picgen::encodeGif({small.convertToFormat(QImage::Format_RGB32)}, 5, -1, false).isEmpty());
    QVERIFY(picgen::encodeGif({small}, 5, 4, false).isEmpty()); // transparent index past the table
}

void TestPictures::icoRoundTrip()
{
    QVector<QImage> input;
    for (int side : {16, 32, 256}) {
        QImage img(side, side, QImage::Format_ARGB32);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                img.setPixel(x, y, qRgba(x * 255 / side, y * 255 / side, 90, x < side / 4 ? 0 : x < side / 2 ? 128 : 255));
        input.append(img);
    }
    const QByteArray ico = picgen::encodeIco(input);
    QVERIFY(!ico.isEmpty());
    QVERIFY(picgen::encodeIco({QImage(16, 8, QImage::Format_ARGB32)}).isEmpty());

    QBuffer buffer;
    buffer.setData(ico);
    QImageReader reader(&buffer, "ico");
    QCOMPARE(reader.imageCount(), input.size());
    for (int i = 0; i < input.size(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage decoded = reader.read();
        QVERIFY2(!decoded.isNull(), qPrintable(reader.errorString()));
        // Compared premultiplied: the reader keeps no colour under fully transparent pixels.
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 input.at(i).convertToFormat(QImage::Format_ARGB32_Premultiplied));
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
