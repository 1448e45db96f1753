// The window's pictures, decoded when first painted.
//
// A style sheet's "image: url(:/eng/main.png)" becomes a QIcon made from the file, and
// Qt's own icon engine decodes every picture of the file (and its @2x twin on a
// high-density screen) the moment the sheet is applied, hidden widget or not; two sheets
// that name one file decode it twice. The engine here is what Qt takes for the window's
// PNG files instead (a static icon-engine plugin for the suffix "png"): it reads only the
// picture's size from the file's header until the picture is painted, then has Qt's own
// engine decode the one file the screen shows, shared by every sheet that names it.
// Painting goes through Qt's own engine, so a picture looks exactly as it did.

// The plugin below is built into the program, not loaded from a plugin folder.
#define QT_STATICPLUGIN

#include "app/pictures.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QIconEnginePlugin>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <QtPlugin>

#include "app/hidpi.h"
#include "app/idle_work.h"
#include "app/logging.h"
#include "app/qt_compat.h"

namespace {

QStringList decoded;

// While set, the plugin steps aside and QIcon uses Qt's own engine: how the decoded
// pictures are made.
bool qt_decodes = false;

// The folders of the window's pictures. Anything else (Qt's own style pictures, the
// window icon) stays with Qt's engine.
bool window_picture(const QString &file)
{
    for (const char *folder : {":/eng/", ":/de/", ":/ru/", ":/all/"})
        if (file.startsWith(QLatin1String(folder)))
            return true;
    return false;
}

// Whether `file` is the "@Nx" twin that QIcon adds after `base` on a high-density
// screen: "main@2x.png" for "main.png".
bool twin_of(const QString &base, const QString &file)
{
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    const int at = dot < 0 ? base.size() : dot;
    return file.size() == base.size() + 3 && file.startsWith(base.left(at)) && file.endsWith(base.mid(at))
           && file.at(at) == QLatin1Char('@') && file.at(at + 1) >= QLatin1Char('2')
           && file.at(at + 1) <= QLatin1Char('9') && file.at(at + 2) == QLatin1Char('x');
}

// Decoded pictures by the file they came from, as Qt's own engine holds them, while
// any engine still shows them.
QHash<QString, QIcon> &shared()
{
    static QHash<QString, QIcon> icons;
    return icons;
}

// Pictures decoded ahead of being shown (prepare()), kept until forget_prepared().
QHash<QString, QIcon> prepared;

// Pixmaps go with the application object, not after it.
bool forget_all_registered = false;

void forget_all()
{
    prepared.clear();
    shared().clear();
    forget_all_registered = false;
}

QIcon decode(const QString &file)
{
    if (!forget_all_registered) {
        qAddPostRoutine(forget_all);
        forget_all_registered = true;
    }
    QHash<QString, QIcon> &icons = shared();
    const auto found = icons.constFind(file);
    if (found != icons.constEnd())
        return *found;
    QElapsedTimer clock;
    clock.start();
    QIcon icon;
    qt_decodes = true;
    icon.addFile(file);
    qt_decodes = false;
    decoded << file;
    qCDebug(orv_app).noquote() << "picture decoded:" << file << QString::number(clock.nsecsElapsed() / 1e6, 'f', 2)
                               << "ms";
    icons.insert(file, icon);
    return icon;
}

// Lets go of the decoded pictures that no engine shows any more. A second or so
// later: a sheet that names the same picture again (a state flipped back, a sheet
// set again) finds it still decoded.
void prune()
{
    // The record of decodes starts again here: kept for ever it would hold every sheet's
    // copy of a picture's name, a little more with each plug-in.
    decoded.clear();
    QHash<QString, QIcon> &icons = shared();
    for (auto it = icons.begin(); it != icons.end();) {
        if (it->isDetached())
            it = icons.erase(it);
        else
            ++it;
    }
}

void release_unused_later()
{
    static QPointer<QTimer> later;
    if (!QCoreApplication::instance())
        return;
    if (!later) {
        later = new QTimer(QCoreApplication::instance());
        later->setSingleShot(true);
        later->setInterval(1000);
        QObject::connect(later, &QTimer::timeout, prune);
    }
    if (!later->isActive())
        later->start();
}

class PictureEngine : public qt_compat::IconEngine
{
public:
    PictureEngine() = default;
    PictureEngine(const PictureEngine &) = default;
    ~PictureEngine() override { forget_decoded(); }

    void addFile(const QString &file, const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        forget_decoded();
        if (!files.isEmpty() && twin.isEmpty() && plain(size, mode, state) && twin_of(files.last().name, file)) {
            // Added by QIcon itself: the screen shows this one in place of the file before it.
            twin = file;
            twin_size = QImageReader(file).size();
            return;
        }
        // A file Qt cannot read adds nothing, as with Qt's own engine.
        QImageReader reader(file);
        if (reader.format().isEmpty())
            return;
        files.append({file, size, mode, state});
        header_size = reader.size();
    }

    void addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state) override
    {
        pixmaps.append({pixmap, mode, state});
        forget_decoded();
    }

    // Qt aligns the picture by this size before it paints; for a plain picture the
    // header tells it, as Qt's own engine computes it from the decoded picture.
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        if (!one_plain_file())
            return qt_icon().actualSize(size, mode, state);
        QSize actual = twin.isEmpty() ? header_size : twin_size;
        if (!actual.isNull() && (actual.width() > size.width() || actual.height() > size.height()))
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        // `rect` is already aligned to actualSize(); Qt's engine finds it so too.
        qt_icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    // Not used by style sheets, which paint; as QIcon::pixmap() would give it.
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
        QPixmap pixmap = qt_icon().pixmap(ratio > 1 ? size / ratio : size, mode, state);
        pixmap.setDevicePixelRatio(1.0);
        return pixmap;
    }

    QString key() const override { return QStringLiteral("orv.picture"); }
    QIconEngine *clone() const override { return new PictureEngine(*this); }

protected:
    bool holds_nothing() const override { return files.isEmpty() && pixmaps.isEmpty(); }

private:
    struct File {
        QString name;
        QSize size;
        QIcon::Mode mode;
        QIcon::State state;
    };
    struct Pixmap {
        QPixmap pixmap;
        QIcon::Mode mode;
        QIcon::State state;
    };

    static bool plain(const QSize &size, QIcon::Mode mode, QIcon::State state)
    {
        return !size.isValid() && mode == QIcon::Normal && state == QIcon::Off;
    }

    // What a style sheet makes: one file, any size, for every mode and state.
    bool one_plain_file() const
    {
        return files.size() == 1 && pixmaps.isEmpty() && plain(files.first().size, files.first().mode,
                                                                files.first().state);
    }

    // The picture as Qt's own engine holds it, decoded now if it was not yet.
    QIcon &qt_icon()
    {
        if (made)
            return icon;
        made = true;
        if (one_plain_file()) {
            // Only the file the screen shows: the @2x twin where QIcon found one.
            decoded_from = twin.isEmpty() ? files.first().name : twin;
            icon = decode(decoded_from);
            return icon;
        }
        // Anything else (never a style sheet's picture) is handed to Qt as it came.
        qt_decodes = true;
        for (const File &file : qAsConst(files))
            icon.addFile(file.name, file.size, file.mode, file.state);
        qt_decodes = false;
        for (const Pixmap &pixmap : qAsConst(pixmaps))
            icon.addPixmap(pixmap.pixmap, pixmap.mode, pixmap.state);
        return icon;
    }

    void forget_decoded()
    {
        if (!made)
            return;
        made = false;
        icon = QIcon();
        if (!decoded_from.isEmpty())
            release_unused_later();
        decoded_from.clear();
    }

    QVector<File> files;
    QVector<Pixmap> pixmaps;
    QSize header_size;     // of the last file
    QString twin;          // QIcon's @Nx twin of the one file, if it added one
    QSize twin_size;
    bool made = false;
    QIcon icon;            // Qt's engine with the decoded picture, once painted
    QString decoded_from;  // the shared decoded file it is
};

class PictureEnginePlugin : public QIconEnginePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QIconEngineFactoryInterface_iid FILE "pictures.json")

public:
    QIconEngine *create(const QString &file) override
    {
        return qt_decodes || !window_picture(file) ? nullptr : new PictureEngine;
    }
};

} // namespace

void pictures::install()
{
    // The plugin registers itself when the program starts (Q_IMPORT_PLUGIN below);
    // calling this makes sure this file is linked into the program.
}

QStringList pictures::decoded_files()
{
    return decoded;
}

void pictures::prepare(QObject *context, const QStringList &files)
{
    for (const QString &file : files) {
        idle_work::add(context, [file] {
            // The file QIcon will take: the @2x twin on a high-density screen.
            const QString shown = sharpest_file(file, qApp->devicePixelRatio());
            if (!prepared.contains(shown))
                prepared.insert(shown, decode(shown));
        });
    }
}

void pictures::release_unused()
{
    prune();
}

QStringList pictures::prepared_files()
{
    return prepared.keys();
}

void pictures::forget_prepared()
{
    prepared.clear();
    release_unused_later();
}

#include "pictures.moc"

Q_IMPORT_PLUGIN(PictureEnginePlugin)
