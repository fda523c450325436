// The single-instance marker: a second claim by the same user is refused, another user's event is not.
#include "doctest.h"

#include "platform/SingleInstance.h"

#include <vector>

namespace {

struct Sid {
    PSID sid = nullptr;
    explicit Sid(DWORD authority, DWORD rid) {
        SID_IDENTIFIER_AUTHORITY a = {{0, 0, 0, 0, 0, static_cast<BYTE>(authority)}};
        AllocateAndInitializeSid(&a, 1, rid, 0, 0, 0, 0, 0, 0, 0, &sid);
    }
    ~Sid() { FreeSid(sid); }
};

std::vector<BYTE> TokenUserOf(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    REQUIRE(GetTokenInformation(token, TokenUser, buffer.data(), size, &size));
    return buffer;
}

}  // namespace

TEST_CASE("the instance marker refuses a second claim of the same user while it is held") {
    tw::UniqueHandle first, second;
    CHECK(tw::ClaimInstance("TidewarpMarkerTest", first) == tw::Instance::First);
    REQUIRE(first);
    CHECK(tw::ClaimInstance("TidewarpMarkerTest", second) == tw::Instance::AlreadyRunning);
    first.reset();
    second.reset();
    CHECK(tw::ClaimInstance("TidewarpMarkerTest", first) == tw::Instance::First);  // gone with its holders
}

TEST_CASE("an event made first by someone else does not keep the program from starting") {
    HANDLE opened = nullptr;
    REQUIRE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened));
    tw::UniqueHandle token(opened);
    Sid world(1, 0);  // S-1-1-0, Everyone: never a process's user
    std::vector<BYTE> user = TokenUserOf(token.get());
    PSID mine = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;

    SUBCASE("the owner comparison") {
        CHECK(tw::OwnedByTokenUser(mine, token.get()));
        CHECK_FALSE(tw::OwnedByTokenUser(world.sid, token.get()));
        CHECK_FALSE(tw::OwnedByTokenUser(nullptr, token.get()));
    }
    SUBCASE("an event whose owner is another") {
        SECURITY_DESCRIPTOR sd;
        REQUIRE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
        REQUIRE(SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE));
        REQUIRE(SetSecurityDescriptorOwner(&sd, world.sid, FALSE));
        SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
        tw::UniqueHandle squatter(CreateEventA(&sa, TRUE, TRUE, "Local\\TidewarpSquatTest"));
        if (!squatter) {
            MESSAGE("an event owned by another cannot be made here: error " << GetLastError());
            return;
        }
        tw::UniqueHandle marker;
        CHECK(tw::ClaimInstance("TidewarpSquatTest", marker) == tw::Instance::First);
    }
}
