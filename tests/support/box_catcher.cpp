#include "box_catcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

BoxCatcher::BoxCatcher()
{
    qApp->installEventFilter(this);
}

BoxCatcher::~BoxCatcher()
{
    qApp->removeEventFilter(this);
}

QStringList BoxCatcher::texts() const
{
    QStringList list;
    for (const Box &box : caught)
        list << box.title + " / " + box.text;
    return list;
}

bool BoxCatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            Box seen;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.informative = box->informativeText();
            for (QAbstractButton *button : box->buttons())
                seen.buttons << button->text();
            caught.append(seen);
            if (on_box)
                on_box(seen);
            QPointer<QMessageBox> open(box);
            const int delay = box->buttons().size() > 1 ? question_delay_ms : 0;
            QTimer::singleShot(delay, box, [open, answer = answer] {
                if (!open || open->buttons().isEmpty())
                    return;
                QAbstractButton *button = open->buttons().first();
                for (QAbstractButton *other : open->buttons())
                    if (other->text() == answer)
                        button = other;
                button->click();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

QDebug operator<<(QDebug debug, const BoxCatcher::Box &box)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Box(" << box.title << " / " << box.text << ")";
    return debug;
}
