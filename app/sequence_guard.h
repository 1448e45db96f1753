#ifndef SEQUENCE_GUARD_H
#define SEQUENCE_GUARD_H

// One device or server sequence runs at a time: identification, a settings or
// drive-mode write, a vehicle installation, a catalogue request. They all share
// one set of transfer buffers and one nested wait, so a sequence that would
// start while another one is waiting is refused before it touches anything.
class SequenceGuard
{
public:
    SequenceGuard();
    ~SequenceGuard();
    SequenceGuard(const SequenceGuard &) = delete;
    SequenceGuard &operator=(const SequenceGuard &) = delete;

    // True when another sequence was running: the caller must return at once.
    bool refused() const { return !owns; }

    // A sequence is running.
    static bool busy();

private:
    bool owns;
};

#endif // SEQUENCE_GUARD_H
