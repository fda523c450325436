// Who besides the trusted accounts may write a folder, from its owner and access list.
#include "doctest.h"

#include "platform/FolderAcl.h"

#include <string>
#include <vector>

using namespace tw::acl;

namespace {

const char kMe[] = "S-1-5-21-1-2-3-1001";
const char kSystem[] = "S-1-5-18";
const char kAdministrators[] = "S-1-5-32-544";
const char kUsers[] = "S-1-5-32-545";
const char kAuthenticated[] = "S-1-5-11";
const char kCreatorOwner[] = "S-1-3-0";
const char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr std::uint32_t kReadExecute = 0x1200a9;
constexpr std::uint8_t kThisFolderAndBelow = kObjectInherit | kContainerInherit;

// What an installed copy's folder under Program Files carries.
Security ProgramFiles() {
    return {kAdministrators,
            true,
            {{kAccessAllowed, kThisFolderAndBelow, 0x1f01ff, kSystem},
             {kAccessAllowed, kThisFolderAndBelow, 0x1f01ff, kAdministrators},
             {kAccessAllowed, kContainerInherit, 0x1f01ff, kTrustedInstaller},
             {kAccessAllowed, kThisFolderAndBelow | kInheritOnly, kGenericAll, kCreatorOwner},
             {kAccessAllowed, kThisFolderAndBelow, kReadExecute, kUsers}}};
}

std::vector<std::string> Others(const Security& s) { return OtherWriters(s, kMe); }

}  // namespace

TEST_CASE("a folder only SYSTEM, Administrators, TrustedInstaller and this account may change is trusted") {
    CHECK(Others(ProgramFiles()).empty());
    Security mine = ProgramFiles();
    mine.owner = kMe;
    mine.dacl.push_back({kAccessAllowed, kThisFolderAndBelow, 0x1f01ff, kMe});
    CHECK(Others(mine).empty());
    mine.owner = kTrustedInstaller;
    CHECK(Others(mine).empty());
    // The process's account is trusted only as itself: no account given trusts no account.
    CHECK(OtherWriters(mine, "") == std::vector<std::string>{kMe});
}

TEST_CASE("every write right to another account makes the folder untrusted; other rights do not") {
    const std::uint32_t each[] = {kFileWriteData, kFileAppendData, kFileDeleteChild, kWriteDac,
                                  kWriteOwner,    kGenericAll,     kGenericWrite};
    for (std::uint32_t right : each) {
        CAPTURE(right);
        Security s = ProgramFiles();
        s.dacl.push_back({kAccessAllowed, 0, kReadExecute | right, kUsers});
        CHECK(Others(s) == std::vector<std::string>{kUsers});
    }
    // Reading, running, attributes, extended attributes, deleting the folder itself, generic read.
    Security harmless = ProgramFiles();
    harmless.dacl.push_back({kAccessAllowed, 0, kReadExecute | 0x100 | 0x10 | 0x10000 | 0x80000000, kUsers});
    CHECK(Others(harmless).empty());
}

TEST_CASE("which entries count: grants of every kind, to the folder or to what is made in it") {
    auto with = [](Ace ace) {
        Security s = ProgramFiles();
        s.dacl.push_back(ace);
        return Others(s);
    };
    const std::vector<std::string> users{kUsers};
    SUBCASE("object and callback grants count like plain ones") {
        CHECK(with({kAccessAllowedObject, 0, kGenericWrite, kUsers}) == users);
        CHECK(with({kAccessAllowedCallback, 0, kGenericWrite, kUsers}) == users);
        CHECK(with({kAccessAllowedCallbackObject, 0, kGenericWrite, kUsers}) == users);
    }
    SUBCASE("deny entries and unknown types give nothing") {
        CHECK(with({kAccessDenied, 0, kGenericAll, kUsers}).empty());
        CHECK(with({0x2 /* audit */, 0, kGenericAll, kUsers}).empty());
    }
    SUBCASE("an inherit-only grant counts when files or folders made there inherit it") {
        // A backup written there later would be open to them.
        CHECK(with({kAccessAllowed, kObjectInherit | kInheritOnly, kFileWriteData, kUsers}) == users);
        CHECK(with({kAccessAllowed, kContainerInherit | kInheritOnly, kFileWriteData, kUsers}) == users);
        CHECK(with({kAccessAllowed, kInheritOnly, kGenericAll, kUsers}).empty());  // reaches nothing
        // CREATOR OWNER becomes whoever creates the file: this process, for its own files.
        CHECK(with({kAccessAllowed, kThisFolderAndBelow | kInheritOnly, kGenericAll, kCreatorOwner}).empty());
    }
    SUBCASE("an inherited grant (flag 0x10) counts as any other") {
        CHECK(with({kAccessAllowed, 0x10 | kThisFolderAndBelow, 0x1301bf, kAuthenticated}) ==
              std::vector<std::string>{kAuthenticated});
    }
}

TEST_CASE("an untrusted owner, no owner or no access list at all") {
    Security s = ProgramFiles();
    s.owner = kUsers;
    s.dacl.push_back({kAccessAllowed, 0, kGenericWrite, kUsers});
    s.dacl.push_back({kAccessAllowed, 0, kGenericWrite, kEveryone});
    s.dacl.push_back({kAccessAllowed, kThisFolderAndBelow, kGenericAll, kEveryone});
    CHECK(Others(s) == std::vector<std::string>{kUsers, kEveryone});  // owner first, each once
    s = ProgramFiles();
    s.owner.clear();
    CHECK(Others(s) == std::vector<std::string>{kNullSid});
    s = ProgramFiles();
    s.hasDacl = false;
    s.dacl.clear();
    CHECK(Others(s) == std::vector<std::string>{kEveryone});
}
