#ifndef MESSAGE_BOX_H
#define MESSAGE_BOX_H

#include <QStringList>

// Every message of the configurator: a modal information box without a parent
// and with the single button OK; title and text go through the window's tr().
void show_box(const char *title, const char *text);

// The same box with an informative text under the message, also through tr(), its %1, %2 ...
// filled from `arguments`. A null `informative` shows the plain box.
void show_box(const char *title, const char *text, const char *informative, const QStringList &arguments);

// A modal question without a parent: title and text through tr(), the buttons
// "Yes" and "No" in the chosen language, "No" the default and the Escape
// answer. True when the answer is "Yes". Never muted.
bool show_box_yes_no(const char *title, const char *text);

// A device that keeps failing identification is retried every presence tick;
// each of its boxes (the same text at the same step) is shown once until the
// device is unplugged or identified, and the retries go on quietly.
void quiet_repeats_begin();                     // an identification starts
void quiet_repeats_step(const QString &step);   // the query or request it is at
void quiet_repeats_end();                       // the identification is over
void quiet_repeats_forget();                    // unplugged or identified: show again

// The window has closed: the sequence still on the stack unwinds without a box,
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

#endif // MESSAGE_BOX_H
