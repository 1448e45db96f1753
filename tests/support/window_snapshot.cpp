#include "window_snapshot.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QStringList>

Looks looks_of(QWidget *window)
{
    Looks looks;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith("qt_") || name == "progress_software" || name == "label_progress")
            continue;
        Look look;
        look.sheet = w->styleSheet();
        if (auto *label = qobject_cast<QLabel *>(w))
            look.text = label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            look.text = button->text();
        look.shown = !w->isHidden();
        look.enabled = w->isEnabled();
        if (auto *box = qobject_cast<QCheckBox *>(w))
            look.checked = box->isChecked();
        if (auto *box = qobject_cast<QComboBox *>(w)) {
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            look.items = items.join(',') + " @" + QString::number(box->currentIndex());
        }
        looks.insert(name, look);
    }
    return looks;
}

QString picture_of(const QString &sheet)
{
    static const QRegularExpression image(QStringLiteral("image:\\s*(url\\([^)]*\\)|none|noimage)"));
    const QString found = image.match(sheet).captured(1);
    return found.isEmpty() ? QStringLiteral("none") : found;
}

QString looks_text(const Looks &looks)
{
    QStringList lines;
    for (auto it = looks.constBegin(); it != looks.constEnd(); ++it) {
        const Look &l = it.value();
        QString line = it.key() + " | " + picture_of(l.sheet) + " | \"" + l.text + "\" | "
                       + (l.shown ? "shown" : "hidden") + (l.enabled ? " enabled" : " disabled")
                       + (l.checked ? " checked" : "");
        if (!l.items.isEmpty())
            line += " | " + l.items;
        lines << line;
    }
    return lines.join('\n');
}
