// The process-wide diagnostic log. Nothing opens it (tracing is off), so it stays closed and a run
// writes no log file; it exists so that turning tracing on needs no new plumbing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

class LogFile {
public:
    LogFile() = default;
    ~LogFile() { Close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // The one instance. Touch it first thing at start-up, so it outlives everything that could
    // write to it.
    static LogFile& Instance();

    // Opens the log in mode "a" (append) or "w". A relative name of four or more characters lives
    // beside the executable. When the open fails the missing folders are created and it is tried
    // once more; a second failure leaves the log closed, with name and tag kept.
    void Open(const std::string& name, bool append, std::int32_t tag);
    // Does nothing when the name is the current one; otherwise closes and opens the new name.
    void Reopen(const std::string& name, bool append, std::int32_t tag);
    // Writes the trailer and closes; does nothing when closed.
    void Close();

    // Writes one line (a newline is added) when the log is open; does nothing when it is closed.
    void WriteLine(const std::string& line);

    bool IsOpen() const { return stream_ != nullptr; }
    const std::string& FileName() const { return fileName_; }
    std::int32_t Tag() const { return tag_; }

private:
    std::FILE* stream_ = nullptr;
    std::int32_t tag_ = 0;
    std::mutex lock_;  // serialises writers of the open log
    std::string fileName_;
};

extern const char kLogTrailer[];
