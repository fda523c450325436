// A 32-bit program on 64-bit Windows runs under WOW64: unless told otherwise it sees the 32-bit view
// of the registry (HKLM\Software and HKCR redirected to their Wow6432Node keys) and a redirected file
// system (system32 is really syswow64). On 32-bit Windows every function here changes nothing.
#pragma once

#include <windows.h>

#include <string>

namespace tw {

// Whether the process runs under WOW64; asked once (IsWow64Process).
bool RunsUnderWow64();

// The access flag that opens a key by its physical path: KEY_WOW64_64KEY under WOW64, where the
// 64-bit view shows every key where it really is (the 32-bit view's keys under their Wow6432Node
// path), and nothing on 32-bit Windows.
REGSAM PhysicalKeyView();

// The key's name as the system knows it ("\REGISTRY\Machine\Software\..."); empty when unknown.
// Two handles with the same name are the same key, whatever view they were opened in.
std::string KernelKeyName(HKEY key);

// RegDeleteKeyA in a registry view (RegDeleteKeyExA where the view matters).
LONG DeleteKeyInView(HKEY parent, const std::string& subKey, REGSAM view);

// Turns file-system redirection off on the calling thread for the guard's lifetime (under WOW64
// only), so that system32 names the 64-bit system folder. Always reverted by the destructor.
class FileRedirectionOff {
public:
    explicit FileRedirectionOff(bool wanted = true);
    ~FileRedirectionOff();
    FileRedirectionOff(const FileRedirectionOff&) = delete;
    FileRedirectionOff& operator=(const FileRedirectionOff&) = delete;

private:
    void* old_ = nullptr;
    bool off_ = false;
};

}  // namespace tw
