#ifndef BOX_CATCHER_H
#define BOX_CATCHER_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// Watches the whole application for message boxes: records each box's title,
// texts and buttons when it is shown and closes it on the next turn of the
// event loop with the button whose text is `answer`, or with its first button
// when it has none of that text, so code that shows a modal box goes on.
class BoxCatcher : public QObject
{
    Q_OBJECT
public:
    struct Box {
        QString title;
        QString text;
        QString informative;  // the line under the text, when the box has one
        QStringList buttons;
        bool operator==(const Box &other) const
        {
            return title == other.title && text == other.text;
        }
    };

    BoxCatcher();
    ~BoxCatcher() override;

    QVector<Box> boxes() const { return caught; }
    QStringList texts() const;
    void clear() { caught.clear(); }
    int count() const { return caught.size(); }

    // Called when a box is shown, before it is closed (to act while it is open).
    std::function<void(const Box &)> on_box;
    // The text of the button that answers a box ("Yes", "No", ...).
    QString answer;
    // A question (a box of several buttons) is answered this long after it shows,
    // not on the next turn: what the program does under an open question.
    int question_delay_ms = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVector<Box> caught;
};

QDebug operator<<(QDebug debug, const BoxCatcher::Box &box);

#endif // BOX_CATCHER_H
