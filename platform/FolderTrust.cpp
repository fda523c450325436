#include "platform/FolderTrust.h"

#include "platform/FolderAcl.h"
#include "platform/Handles.h"

#include <aclapi.h>
#include <sddl.h>

namespace tw {

namespace {

// TokenElevation and its answer, which headers for Windows XP do not declare.
constexpr TOKEN_INFORMATION_CLASS kTokenElevation = static_cast<TOKEN_INFORMATION_CLASS>(20);

std::string SidText(PSID sid) {
    if (!sid || !IsValidSid(sid)) return {};
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return {};
    std::string out = text;
    LocalFree(text);
    return out;
}

std::string ProcessUserSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

// "DOMAIN\name" ("Everyone" for a well-known SID without a domain), or the SID text.
std::string AccountName(const std::string& sidText) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidA(sidText.c_str(), &sid)) return sidText;
    char name[256], domain[256];
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use;
    std::string out = sidText;
    if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        out = domain[0] ? std::string(domain) + "\\" + name : std::string(name);
    LocalFree(sid);
    return out;
}

acl::Security ReadSecurity(PSID owner, PACL dacl) {
    acl::Security security;
    security.owner = SidText(owner);
    security.hasDacl = dacl != nullptr;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
        acl::Ace ace;
        ace.type = header->AceType;
        ace.flags = header->AceFlags;
        // Plain and callback entries keep the mask and SID in one place; object entries keep the
        // mask there too and the SID after one or two GUIDs.
        const auto* plain = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        ace.mask = plain->Mask;
        PSID sid = const_cast<DWORD*>(&plain->SidStart);
        if (ace.type == acl::kAccessAllowedObject || ace.type == acl::kAccessAllowedCallbackObject) {
            const auto* object = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(header);
            auto* start = reinterpret_cast<const BYTE*>(&object->ObjectType);
            if (object->Flags & ACE_OBJECT_TYPE_PRESENT) start += sizeof(GUID);
            if (object->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) start += sizeof(GUID);
            sid = const_cast<BYTE*>(start);
        }
        // A SID that cannot be read is nobody we trust.
        ace.sid = SidText(sid);
        if (ace.sid.empty()) ace.sid = acl::kNullSid;
        security.dacl.push_back(std::move(ace));
    }
    return security;
}

}  // namespace

bool ProcessIsElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    UniqueHandle token(raw);
    DWORD elevated = 0, size = 0;
    if (GetTokenInformation(token.get(), kTokenElevation, &elevated, sizeof elevated, &size)) return elevated != 0;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    BOOL member = FALSE;
    const bool admin = CheckTokenMembership(nullptr, administrators, &member) && member;
    FreeSid(administrators);
    return admin;
}

FolderWriters OtherWritersOf(const std::string& folder) {
    FolderWriters result;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                           &dacl, nullptr, &descriptor);
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) {
        result.missing = true;
        return result;
    }
    if (rc != ERROR_SUCCESS) {
        result.error = rc;
        return result;
    }
    const acl::Security security = ReadSecurity(owner, dacl);
    LocalFree(descriptor);
    for (const std::string& sid : acl::OtherWriters(security, ProcessUserSid()))
        result.others.push_back(AccountName(sid));
    return result;
}

}  // namespace tw
