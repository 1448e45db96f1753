#ifndef IDLE_WORK_H
#define IDLE_WORK_H

#include <functional>

class QObject;

// Work the window can do ahead of need, one piece per turn of the event loop: each
// piece takes a millisecond or two, all of them at once would hold the window for
// longer than a frame. Pieces run in the order they were added, also inside a
// sequence's nested wait; a piece whose context object is gone is skipped.
namespace idle_work {

void add(QObject *context, std::function<void()> piece);

// Pieces still to run whose context lives.
int pending();

} // namespace idle_work

#endif // IDLE_WORK_H
