#ifndef ACCESSIBILITY_H
#define ACCESSIBILITY_H

class QWidget;

// What a screen reader hears of the window. Almost every caption is a picture, so the
// widgets that show one get a name and, where they have a state, a description of it
// ("Drive mode: Dynamic, selected"), in the interface language.
//
// A widget's state is the picture file in its style sheet, and a value label's value is
// its text; both change in many places, and neither change reliably sends an event (a
// sheet change reaches only a polished widget, a label's new text none at all). So the
// picture buttons and labels get accessible interfaces of their own that read name and
// description from the widget whenever they are asked, and cannot go stale. Combo boxes
// and check boxes keep Qt's interfaces (value, list, checked state) and only get names.
namespace accessibility {

// Installs those interfaces, once per program. Run before the window's widgets are
// built: Qt keeps the interface it first made for a widget, and setting a button's text
// already makes one.
void install();

// Names the combo boxes, their line edits and the check boxes among the children of
// `central` in the current language. Run after the widgets exist and whenever the
// language changes.
void update_names(QWidget *central);

} // namespace accessibility

#endif // ACCESSIBILITY_H
