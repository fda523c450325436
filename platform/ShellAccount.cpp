#include "platform/ShellAccount.h"

#include "platform/Handles.h"

#include <windows.h>
#include <sddl.h>

namespace tw {

namespace {

SidBytes TokenUserSid(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
    PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    if (!sid || !IsValidSid(sid)) return {};
    const auto* bytes = static_cast<const unsigned char*>(sid);
    return SidBytes(bytes, bytes + GetLengthSid(sid));
}

SidBytes ProcessTokenUser(HANDLE process) {
    UniqueHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
    return TokenUserSid(token.get());
}

bool Valid(const SidBytes& sid) {
    return !sid.empty() && IsValidSid(const_cast<unsigned char*>(sid.data())) &&
           GetLengthSid(const_cast<unsigned char*>(sid.data())) == sid.size();
}

PSID AsSid(const SidBytes& sid) { return const_cast<unsigned char*>(sid.data()); }

}  // namespace

SidBytes ProcessUserSid() { return ProcessTokenUser(GetCurrentProcess()); }

SidBytes ShellUserSid() {
    const HWND shell = GetShellWindow();
    DWORD id = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &id) || id == 0) return {};
    // Windows XP knows only the full query right; later systems grant the limited one more often.
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) process.reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id));
    if (!process) return {};
    return ProcessTokenUser(process.get());
}

std::string AccountName(const SidBytes& sid) {
    if (!Valid(sid)) return {};
    char name[256] = "", domain[256] = "";
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use;
    if (LookupAccountSidA(nullptr, AsSid(sid), name, &nameSize, domain, &domainSize, &use) && name[0])
        return domain[0] ? std::string(domain) + "\\" + name : std::string(name);
    // An account that cannot be named (a domain out of reach) is still told apart by its SID.
    char* text = nullptr;
    if (!ConvertSidToStringSidA(AsSid(sid), &text)) return {};
    std::string shown(text);
    LocalFree(text);
    return shown;
}

std::string AccountOtherThanShell(const SidBytes& process, const SidBytes& shell) {
    if (!Valid(process) || !Valid(shell) || EqualSid(AsSid(process), AsSid(shell))) return {};
    return AccountName(process);
}

}  // namespace tw
