#include "platform/SingleInstance.h"

#include <aclapi.h>

#include <string>
#include <vector>

namespace tw {

namespace {

// The SID a token query returns in its first member (TOKEN_USER and TOKEN_OWNER both start so).
bool TokenSidEquals(HANDLE token, TOKEN_INFORMATION_CLASS which, PSID sid) {
    DWORD size = 0;
    GetTokenInformation(token, which, nullptr, 0, &size);
    if (size < sizeof(PSID)) return false;
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, which, buffer.data(), size, &size)) return false;
    PSID mine = *reinterpret_cast<PSID*>(buffer.data());
    return mine && IsValidSid(mine) && EqualSid(mine, sid);
}

// The event's owner is this process's user. When the owner cannot be read (a system without
// security on kernel objects) the event counts as ours: a second copy still stays out.
bool OwnedByUs(HANDLE event) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(event, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return true;
    UniqueHandle token;
    HANDLE opened = nullptr;
    bool ours = true;
    if (owner && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        token.reset(opened);
        ours = OwnedByTokenUser(owner, token.get());
    }
    LocalFree(descriptor);
    return ours;
}

}  // namespace

bool OwnedByTokenUser(PSID owner, HANDLE token) {
    if (!owner || !IsValidSid(owner)) return false;
    return TokenSidEquals(token, TokenUser, owner) || TokenSidEquals(token, TokenOwner, owner);
}

Instance ClaimInstance(const char* name, UniqueHandle& marker) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, (std::string("Local\\") + name).c_str());
    DWORD error = GetLastError();
    if (!event && (error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME)) {
        event = CreateEventA(nullptr, TRUE, TRUE, name);  // a system without namespaces
        error = GetLastError();
    }
    marker.reset(event);
    // Not opened at all (another user's event we may not touch): nothing of ours runs behind it.
    if (!marker || error != ERROR_ALREADY_EXISTS) return Instance::First;
    return OwnedByUs(marker.get()) ? Instance::AlreadyRunning : Instance::First;
}

}  // namespace tw
