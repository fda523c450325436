#include "platform/FolderAcl.h"

#include <algorithm>

namespace tw::acl {

namespace {

const char* const kTrusted[] = {
    "S-1-5-18",      // SYSTEM
    "S-1-5-32-544",  // Administrators
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
    "S-1-3-0",       // CREATOR OWNER
    "S-1-3-4",       // OWNER RIGHTS
};

bool Grants(std::uint8_t type) {
    return type == kAccessAllowed || type == kAccessAllowedObject || type == kAccessAllowedCallback ||
           type == kAccessAllowedCallbackObject;
}

// An inherit-only entry that neither files nor folders inherit reaches nothing.
bool Reaches(std::uint8_t flags) {
    return !(flags & kInheritOnly) || (flags & (kObjectInherit | kContainerInherit));
}

}  // namespace

bool IsTrustedSid(const std::string& sid, const std::string& processUser) {
    if (!processUser.empty() && sid == processUser) return true;
    return std::find(std::begin(kTrusted), std::end(kTrusted), sid) != std::end(kTrusted);
}

std::vector<std::string> OtherWriters(const Security& folder, const std::string& processUser) {
    std::vector<std::string> others;
    auto add = [&](const std::string& sid) {
        if (!IsTrustedSid(sid, processUser) && std::find(others.begin(), others.end(), sid) == others.end())
            others.push_back(sid);
    };
    add(folder.owner.empty() ? kNullSid : folder.owner);
    if (!folder.hasDacl) add(kEveryone);
    for (const Ace& ace : folder.dacl)
        if (Grants(ace.type) && Reaches(ace.flags) && (ace.mask & kWriteRights)) add(ace.sid);
    return others;
}

}  // namespace tw::acl
