// The stop protocol shared by every scanner: a named manual-reset event that any party opens by
// name and sets to ask a running scan to stop.
#pragma once

#include "platform/Handles.h"

#include <atomic>

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

// The stop test of a running walk. Testing the event itself costs a kernel call (a server round
// trip under Wine) and a walk tests it before every key, so a helper thread waits on the event
// instead and the test reads a flag. A stop is then seen at most a moment after it is set.
class StopMonitor {
public:
    StopMonitor();
    ~StopMonitor();
    StopMonitor(const StopMonitor&) = delete;
    StopMonitor& operator=(const StopMonitor&) = delete;

    // The exact test, for the moment a scanner starts.
    bool SignalledNow() const { return event_.IsSignalled(); }
    // The cheap test, for inside the walk.
    bool StopRequested() const;

private:
    static DWORD WINAPI Watch(void* self);

    StopEvent event_;
    tw::UniqueHandle quit_;
    tw::UniqueHandle thread_;
    std::atomic<bool> stopped_{false};
};
