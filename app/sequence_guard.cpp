#include "app/sequence_guard.h"

#include "app/logging.h"

namespace {
bool sequence_running = false;
}

SequenceGuard::SequenceGuard() : owns(!sequence_running)
{
    if (owns)
        sequence_running = true;
    else
        qCInfo(orv_app, "a sequence is running; the new one is refused");
}

SequenceGuard::~SequenceGuard()
{
    if (owns)
        sequence_running = false;
}

bool SequenceGuard::busy()
{
    return sequence_running;
}
