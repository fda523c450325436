// Trace texts: operations compose an entry and an exit text and hand them to the sink. Tracing is
// off, so the sink drops them; the texts are kept so turning it on is a change in one place.
#pragma once

#include <string>

// The sink. Discards the text.
void Trace(const std::string& text);

// prefix + argument + tail, the shape of every entry and exit text ("Entering X::Y(" + arg + ")").
std::string TraceText(const char* prefix, const std::string& argument, const char* tail = ")");
