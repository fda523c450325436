// A folder opened to everyone for writing, and closed again. Wine keeps no access list of its own:
// it maps one onto the Unix mode and reads the mode back (SYSTEM and the owner in full, Everyone with
// the "other" bits), so Everyone's grant is the one a test can plant there.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace testacl {

constexpr DWORD kEveryoneWrites = 0x1301bf;  // read, execute, add file and folder, delete
constexpr DWORD kEveryoneReads = 0x1200a9;   // read and execute only

inline std::string UserSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    tw::UniqueHandle owned(token);
    std::vector<BYTE> buffer(256);
    DWORD size = 0;
    char* text = nullptr;
    if (!token || !GetTokenInformation(token, TokenUser, buffer.data(), 256, &size) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return "S-1-0-0";
    std::string sid = text;
    LocalFree(text);
    return sid;
}

// SYSTEM and this account in full, Everyone with `everyone`; 0 or a Win32 error.
inline DWORD SetEveryone(const std::string& folder, DWORD everyone) {
    char mask[16];
    wsprintfA(mask, "0x%lx", everyone);
    const std::string sddl = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;" + UserSid() + ")(A;OICI;" + mask + ";;;WD)";
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
        return GetLastError();
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    const DWORD rc = SetNamedSecurityInfoA(const_cast<char*>(folder.c_str()), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, dacl, nullptr);
    LocalFree(sd);
    return rc;
}

// Everyone may write the folder while this lives; afterwards only read.
struct OpenToEveryone {
    std::string folder;
    DWORD error;
    explicit OpenToEveryone(std::string f) : folder(std::move(f)), error(SetEveryone(folder, kEveryoneWrites)) {}
    ~OpenToEveryone() { SetEveryone(folder, kEveryoneReads); }
};

}  // namespace testacl
