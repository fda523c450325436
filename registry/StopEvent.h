// The stop protocol shared by every scanner: a named manual-reset event that any party opens by
// name and sets to ask a running scan to stop.
#pragma once

#include "platform/Handles.h"

constexpr char kStopEventName[] = "MOSSLIGHTSTOPSCANNING";

class StopEvent {
public:
    // Creates the event (manual reset, not signalled) or opens it when it exists.
    StopEvent();

    bool IsSignalled() const;  // a zero-wait test
    void Set() const;
    void Reset() const;
    HANDLE Handle() const { return event_.get(); }

private:
    tw::UniqueHandle event_;
};
