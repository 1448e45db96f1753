#ifndef SESSION_FACE_H
#define SESSION_FACE_H

#include "app/session.h"

// What the attached face lent the sequences (app/session.h). Without a face the
// View shows nothing and the timers are null.
namespace session {
View &view();
const Face &face();
} // namespace session

#endif // SESSION_FACE_H
