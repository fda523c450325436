// What a removal tells while it works, on the thread that runs it: one call each time an entry to
// remove (a registry record with a key path, a listed shortcut file) has had its turn, whether it
// went or stayed. Whoever listens must not wait for a window's thread (see SkinElementSet.h).
#pragma once

class FixProgress {
public:
    virtual ~FixProgress() = default;
    virtual void EntryDone() = 0;
};
