#ifndef WIDGET_SNAPSHOT_H
#define WIDGET_SNAPSHOT_H

#include <QPointer>
#include <QString>
#include <QVector>
#include <QWidget>

// What a group of widgets shows (picture and enabled state), to put it back
// after a write that failed, or after locking the widgets for a while.
class WidgetSnapshot
{
public:
    explicit WidgetSnapshot(const QVector<QWidget *> &widgets)
    {
        for (QWidget *widget : widgets)
            looks.append({widget, widget->isEnabled(), widget->styleSheet()});
    }

    void restore() const
    {
        for (const Look &look : looks) {
            if (!look.widget)
                continue;
            look.widget->setStyleSheet(look.sheet);
            look.widget->setEnabled(look.enabled);
        }
    }

private:
    struct Look {
        QPointer<QWidget> widget;
        bool enabled;
        QString sheet;
    };
    QVector<Look> looks;
};

// Disables a group of widgets while it lives, then gives each its enabled
// state back: nothing else can be started from them meanwhile.
class WidgetLock
{
public:
    explicit WidgetLock(const QVector<QWidget *> &widgets)
    {
        for (QWidget *widget : widgets) {
            states.append({widget, widget->isEnabled()});
            widget->setEnabled(false);
        }
    }
    ~WidgetLock() { release(); }
    // Gives the widgets their enabled state back now; later calls do nothing.
    void release()
    {
        for (const State &state : states)
            if (state.widget)
                state.widget->setEnabled(state.enabled);
        states.clear();
    }
    // Leaves every widget as it is now, for a caller that sets each enabled
    // state itself afterwards; later calls do nothing.
    void discard() { states.clear(); }
    WidgetLock(const WidgetLock &) = delete;
    WidgetLock &operator=(const WidgetLock &) = delete;

private:
    struct State {
        QPointer<QWidget> widget;
        bool enabled;
    };
    QVector<State> states;
};

#endif // WIDGET_SNAPSHOT_H
