#include "log/Trace.h"

void Trace(const std::string&) {}

std::string TraceText(const char* prefix, const std::string& argument, const char* tail) {
    std::string text(prefix);
    text += argument;
    text += tail;
    return text;
}
