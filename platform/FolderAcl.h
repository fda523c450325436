// Who may write a folder, judged from its owner and its access list as text (SIDs in "S-1-..."
// form), so the rules need no Windows and are tested on the host too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw::acl {

// ACE types that grant: plain, object, callback and callback-object "allowed" entries.
constexpr std::uint8_t kAccessAllowed = 0x0;
constexpr std::uint8_t kAccessDenied = 0x1;
constexpr std::uint8_t kAccessAllowedObject = 0x5;
constexpr std::uint8_t kAccessAllowedCallback = 0x9;
constexpr std::uint8_t kAccessAllowedCallbackObject = 0xB;

// ACE flags.
constexpr std::uint8_t kObjectInherit = 0x1;     // files created in the folder get the entry
constexpr std::uint8_t kContainerInherit = 0x2;  // folders created in it get the entry
constexpr std::uint8_t kInheritOnly = 0x8;       // the entry does not apply to the folder itself

// Rights with which one can put a file into a folder, replace or remove one, or give oneself
// those rights: add file, add folder, delete child, change the access list or the owner, and the
// generic write and all.
constexpr std::uint32_t kFileWriteData = 0x2;
constexpr std::uint32_t kFileAppendData = 0x4;
constexpr std::uint32_t kFileDeleteChild = 0x40;
constexpr std::uint32_t kWriteDac = 0x40000;
constexpr std::uint32_t kWriteOwner = 0x80000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kWriteRights =
    kFileWriteData | kFileAppendData | kFileDeleteChild | kWriteDac | kWriteOwner | kGenericAll | kGenericWrite;

constexpr char kEveryone[] = "S-1-1-0";
constexpr char kNullSid[] = "S-1-0-0";

struct Ace {
    std::uint8_t type = kAccessAllowed;
    std::uint8_t flags = 0;
    std::uint32_t mask = 0;
    std::string sid;
};

struct Security {
    std::string owner;    // empty: the folder has no owner
    bool hasDacl = true;  // false: no access list at all, which lets everyone do everything
    std::vector<Ace> dacl;
};

// SYSTEM, Administrators, TrustedInstaller, the account this process runs as, and the two
// placeholders that stand for the folder's owner (OWNER RIGHTS) or for whoever creates a file
// (CREATOR OWNER: this process, for the files it creates).
bool IsTrustedSid(const std::string& sid, const std::string& processUser);

// The accounts other than the trusted ones that may write the folder or what this process will
// create in it, each once, an untrusted owner first (an owner may always change the access
// list). A grant counts when it gives any write right, either to the folder itself or, through
// inheritance, to the files and folders made in it later: a backup written there would otherwise
// be open to them once it exists. Deny entries are not weighed: "may write" errs on the safe side.
// No access list counts as Everyone; no owner as the NULL SID.
std::vector<std::string> OtherWriters(const Security& folder, const std::string& processUser);

}  // namespace tw::acl
