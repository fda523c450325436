// Events in the Windows Application log under the source "Tidewarp", for the log collectors that
// administrators already run. The texts are the message table of TidewarpEvents.mc, built into
// both programs; the identifiers come from the header windmc generates from it.
#pragma once

#include "TidewarpEvents.h"

#include <string>
#include <vector>

namespace tw {

enum class EventType { Information, Warning, Error };

// Writes event `id` with its insertion strings (text of the ANSI code page). A log that cannot be
// opened or written is no failure of the operation that reports: the event is dropped and false
// returned, and the caller goes on as it would have.
bool WriteEvent(unsigned long id, EventType type, const std::vector<std::string>& strings);

// The file name of a path, for the events (they name backups without their folder).
std::string EventFileName(const std::string& path);

}  // namespace tw
