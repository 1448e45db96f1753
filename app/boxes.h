#ifndef BOXES_H
#define BOXES_H

#include <QStringList>

// Every message of the configurator goes through show_box: the rules below decide
// whether it is shown, and the face's View shows it (the window as a modal box with
// the single button OK). Title and text are source texts of the translation context
// "MainWindow".
void show_box(const char *title, const char *text);

// The same box with an informative text under the message, its %1, %2 ... filled from
// `arguments`. A null `informative` shows the plain box.
void show_box(const char *title, const char *text, const char *informative, const QStringList &arguments);

// A box's informative text translated (context "MainWindow") and its %1, %2, %3 filled
// from `arguments` in one pass, so that a '%' inside one of them is not taken for a
// placeholder.
QString box_detail(const char *informative, const QStringList &arguments);

// A device that keeps failing identification is retried every presence tick;
// each of its boxes (the same text at the same step) is shown once until the
// device is unplugged or identified, and the retries go on quietly.
void quiet_repeats_begin();                     // an identification starts
void quiet_repeats_step(const QString &step);   // the query or request it is at
void quiet_repeats_end();                       // the identification is over
void quiet_repeats_forget();                    // unplugged or identified: show again

// The face has closed: the sequence still on the stack unwinds without a box,
// whatever it reaches (a success it finished before the close included). A new
// window opens them again.
void close_boxes();
void open_boxes();

// Whether boxes are muted now (a MutedBoxes lives).
bool boxes_muted();

// While one lives, boxes are only traced, not shown: for the work that follows
// a failure the user has just been told of.
class MutedBoxes
{
public:
    MutedBoxes();
    ~MutedBoxes();
    MutedBoxes(const MutedBoxes &) = delete;
    MutedBoxes &operator=(const MutedBoxes &) = delete;

private:
    bool was_muted;
};

#endif // BOXES_H
