#include "log/LogFile.h"

#include "log/LogPath.h"
#include "platform/SafeFile.h"

#include <windows.h>

const char kLogTrailer[] = "\n===============Finish Loging================\n\n";

namespace {

std::string ExecutablePath() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};  // a cut-off path would put the log somewhere else
    return std::string(buf, n);
}

// Creates the folders by their full paths. Walking there with chdir would leave the process's
// current directory in the log's folder, and "ignore.lst" and the backups live in the current one.
void CreateFolders(const std::string& path) {
    for (const std::string& folder : logpath::FoldersOf(path)) CreateDirectoryA(folder.c_str(), nullptr);
}

}  // namespace

LogFile& LogFile::Instance() {
    static LogFile log;
    return log;
}

void LogFile::Open(const std::string& name, bool append, std::int32_t tag) {
    Close();  // an Open over an open log must not leak its stream
    tag_ = tag;
    fileName_ = name;
    const std::string path = logpath::Resolve(name, ExecutablePath());
    // Opened as itself: a link planted under the log's name is refused, not written through.
    std::FILE* stream = tw::OpenOwnTextStream(path, append);
    if (!stream) {
        CreateFolders(path);
        stream = tw::OpenOwnTextStream(path, append);
    }
    std::lock_guard<std::mutex> hold(lock_);
    stream_ = stream;
}

void LogFile::Reopen(const std::string& name, bool append, std::int32_t tag) {
    if (name == fileName_) return;
    Close();
    Open(name, append, tag);
}

void LogFile::WriteLine(const std::string& line) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!stream_) return;
    std::fputs(line.c_str(), stream_);
    std::fputc('\n', stream_);
    std::fflush(stream_);
}

void LogFile::Close() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!stream_) return;
    std::fputs(kLogTrailer, stream_);
    std::fclose(stream_);
    stream_ = nullptr;
}
