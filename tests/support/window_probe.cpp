#include "window_probe.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>

void init_window_resources()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(resources);
        done = true;
    }
}

QString drawn_unlike_qt(const QString &picture, const QSize &size)
{
    QTemporaryDir dir;
    const QString name = picture.section(QLatin1Char('/'), -1);
    const QString twin = QString(name).replace(QLatin1String(".png"), QLatin1String("@2x.png"));
    const QString base = picture.left(picture.size() - name.size());
    if (!QFile::copy(":/" + picture, dir.filePath(name)) || !QFile::copy(":/" + base + twin, dir.filePath(twin)))
        return QStringLiteral("cannot copy %1 and its twin").arg(picture);
    auto grab = [&size](const QString &url) {
        QLabel label;
        label.setFixedSize(size);
        label.setStyleSheet("background-color: none; image: url(" + url + "); image-position: center;");
        return label.grab().toImage();
    };
    const QImage ours = grab(":/" + picture);
    const QImage qts = grab(dir.filePath(name));
    if (ours.isNull() || ours.size() != qts.size() || ours.devicePixelRatio() != qts.devicePixelRatio())
        return QStringLiteral("%1: grabs of different sizes").arg(picture);
    if (ours != qts)
        return QStringLiteral("%1: drawn differently from Qt's own engine").arg(picture);
    return QString();
}

QWidget *WindowProbe::widget(const QString &name) const
{
    if (window->objectName() == name)
        return window;
    return window->findChild<QWidget *>(name);
}

QString WindowProbe::sheet(const QString &name) const
{
    QWidget *w = widget(name);
    return w ? w->styleSheet() : QStringLiteral("<no widget %1>").arg(name);
}

QString WindowProbe::picture(const QString &name) const
{
    static const QRegularExpression image(QStringLiteral("image:\\s*url\\(:/([^)]*)\\)"));
    return image.match(sheet(name)).captured(1);
}

QString WindowProbe::text(const QString &name) const
{
    QWidget *w = widget(name);
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *box = qobject_cast<QComboBox *>(w))
        return box->currentText();
    return QString();
}

QStringList WindowProbe::items(const QString &name) const
{
    QStringList list;
    if (auto *box = qobject_cast<QComboBox *>(widget(name)))
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
    return list;
}

bool WindowProbe::check(const QString &name) const
{
    auto *box = qobject_cast<QCheckBox *>(widget(name));
    return box && box->isChecked();
}

bool WindowProbe::enabled(const QString &name) const
{
    QWidget *w = widget(name);
    return w && w->isEnabled();
}

bool WindowProbe::visible(const QString &name) const
{
    QWidget *w = widget(name);
    return w && !w->isHidden();
}

QString WindowProbe::snapshot() const
{
    QStringList lines;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : widgets) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
            continue;
        QString line = w->objectName() + " | " + w->styleSheet() + " | " + text(w->objectName()) + " | "
                       + (w->isHidden() ? "hidden" : "shown") + " | " + (w->isEnabled() ? "enabled" : "disabled");
        if (auto *box = qobject_cast<QCheckBox *>(w))
            line += box->isChecked() ? " | checked" : " | unchecked";
        if (auto *box = qobject_cast<QComboBox *>(w)) {
            line += " | " + items(w->objectName()).join(",") + " @" + QString::number(box->currentIndex());
            for (int i = 0; i < box->count(); ++i)
                line += " a" + box->itemData(i, Qt::TextAlignmentRole).toString();
        }
        lines << line;
    }
    lines.sort();
    return lines.join('\n');
}

QStringList WindowProbe::missing_pictures() const
{
    static const QRegularExpression url(QStringLiteral("url\\((:/[^)]*)\\)"));
    QStringList missing;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : widgets) {
        auto matches = url.globalMatch(w->styleSheet());
        while (matches.hasNext()) {
            const QString path = matches.next().captured(1);
            if (!QFile::exists(path))
                missing << w->objectName() + ": " + path;
        }
    }
    return missing;
}
