// Whose per-user keys the program reads: the process's account is named only when it is not the
// user of the desktop's shell, and nothing is said when either user is unknown.
#include "doctest.h"

#include "platform/ShellAccount.h"

#include <windows.h>
#include <sddl.h>

namespace {

tw::SidBytes WellKnown(WELL_KNOWN_SID_TYPE type) {
    tw::SidBytes sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    REQUIRE(CreateWellKnownSid(type, nullptr, sid.data(), &size));
    sid.resize(size);
    return sid;
}

tw::SidBytes FromText(const char* text) {
    PSID sid = nullptr;
    REQUIRE(ConvertStringSidToSidA(text, &sid));
    const auto* bytes = static_cast<const unsigned char*>(sid);
    tw::SidBytes copy(bytes, bytes + GetLengthSid(sid));
    LocalFree(sid);
    return copy;
}

}  // namespace

TEST_CASE("the account is named only when the process's user is not the shell's") {
    const tw::SidBytes me = tw::ProcessUserSid();
    REQUIRE(IsValidSid(const_cast<unsigned char*>(me.data())));
    const tw::SidBytes system = WellKnown(WinLocalSystemSid);
    char user[256] = "";
    DWORD size = sizeof user;
    REQUIRE(GetUserNameA(user, &size));
    const std::string mine = tw::AccountName(me);
    // DOMAIN\name, the name being the one the system gives this process's user.
    REQUIRE(mine.find('\\') != std::string::npos);
    CHECK(mine.substr(mine.find('\\') + 1) == user);

    SUBCASE("the same user, or one of them unknown: nothing to say") {
        CHECK(tw::AccountOtherThanShell(me, me) == "");
        CHECK(tw::AccountOtherThanShell(me, {}) == "");
        CHECK(tw::AccountOtherThanShell({}, me) == "");
        tw::SidBytes cut(me.begin(), me.end() - 1);  // not a whole SID
        CHECK(tw::AccountOtherThanShell(me, cut) == "");
        CHECK(tw::AccountOtherThanShell(cut, system) == "");
    }
    SUBCASE("another user's shell: the process's own account, not the shell's") {
        CHECK(tw::AccountOtherThanShell(me, system) == mine);
        CHECK(tw::AccountOtherThanShell(system, me) == "NT AUTHORITY\\SYSTEM");
    }
    SUBCASE("an account that cannot be looked up is named by its SID") {
        CHECK(tw::AccountOtherThanShell(FromText("S-1-5-21-1-2-3-1000"), me) == "S-1-5-21-1-2-3-1000");
    }
}

TEST_CASE("without a desktop shell of its own the shell's user is unknown") {
    // Wine's desktop has no shell window (GetShellWindow answers null); a shell window that exists
    // belongs to a process whose token is read.
    if (GetShellWindow()) {
        CHECK_FALSE(tw::ShellUserSid().empty());
    } else {
        CHECK(tw::ShellUserSid().empty());
        CHECK(tw::AccountOtherThanShell(tw::ProcessUserSid(), tw::ShellUserSid()) == "");
    }
}
