#include "platform/Wow64.h"

#include "platform/Codepage.h"
#include "platform/SystemFunction.h"

#include <vector>

namespace tw {
namespace {

template <typename F>
F Find(const char* module, const char* name) {
    return FindSystemFunction<F>(module, name);
}

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using RegDeleteKeyExAFn = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
using RedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

bool AskWow64() {
    // Looked up by name: Windows before XP SP2 has no IsWow64Process and is never WOW64.
    auto isWow64 = Find<IsWow64ProcessFn>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

bool RunsUnderWow64() {
    static const bool wow64 = AskWow64();
    return wow64;
}

REGSAM PhysicalKeyView() { return RunsUnderWow64() ? KEY_WOW64_64KEY : 0; }

std::string KernelKeyName(HKEY key) {
    static const auto query = Find<NtQueryKeyFn>("ntdll.dll", "NtQueryKey");
    if (!query) return {};
    constexpr int kKeyNameInformation = 3;
    std::vector<ULONG> buffer(1024);  // ULONG-aligned: the answer starts with the name's byte length
    ULONG length = 0;
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
    if (query(key, kKeyNameInformation, buffer.data(), size, &length) != 0) return {};
    const ULONG bytes = buffer[0];
    if (bytes > size - sizeof(ULONG)) return {};
    std::u16string wide(reinterpret_cast<const char16_t*>(buffer.data() + 1), bytes / 2);
    std::string name;
    Utf16ToAnsiExact(wide, name);
    return name;
}

LONG DeleteKeyInView(HKEY parent, const std::string& subKey, REGSAM view) {
    static const auto deleteEx = Find<RegDeleteKeyExAFn>("advapi32.dll", "RegDeleteKeyExA");
    if (view != 0 && deleteEx) return deleteEx(parent, subKey.c_str(), view, 0);
    return RegDeleteKeyA(parent, subKey.c_str());
}

FileRedirectionOff::FileRedirectionOff(bool wanted) {
    if (!wanted || !RunsUnderWow64()) return;
    static const auto disable = Find<RedirectionFn>("kernel32.dll", "Wow64DisableWow64FsRedirection");
    off_ = disable && disable(&old_);
}

FileRedirectionOff::~FileRedirectionOff() {
    if (!off_) return;
    static const auto revert = Find<RevertFn>("kernel32.dll", "Wow64RevertWow64FsRedirection");
    if (revert) revert(old_);
}

}  // namespace tw
