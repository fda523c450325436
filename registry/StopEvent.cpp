#include "registry/StopEvent.h"

StopEvent::StopEvent() : event_(CreateEventA(nullptr, TRUE, FALSE, kStopEventName)) {}

bool StopEvent::IsSignalled() const {
    return event_ && WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0;
}

void StopEvent::Set() const {
    if (event_) SetEvent(event_.get());
}

void StopEvent::Reset() const {
    if (event_) ResetEvent(event_.get());
}
