// Who may write the folder Tidewarp keeps its files in, as Wine reports it, and the refusal of
// repairs and restores that follows from it for an administrator.
#include "doctest.h"

#include "maintenance/BackupFolder.h"
#include "maintenance/RepairGuard.h"
#include "platform/FolderTrust.h"
#include "test_folder_acl.h"

namespace {

// The current directory moved into a fresh folder below it for the test's life.
struct InFolder {
    std::string outer = CurrentDirectory();
    std::string path = JoinPath(outer, "trust");
    InFolder() {
        CreateDirectoryA(path.c_str(), nullptr);
        SetCurrentDirectoryA(path.c_str());
    }
    ~InFolder() {
        SetCurrentDirectoryA(outer.c_str());
        RemoveDirectoryA(JoinPath(path, kBackupFolderName).c_str());
        RemoveDirectoryA(path.c_str());
    }
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_CASE("who may write a folder under Wine, and when repairs and restores are refused") {
    InFolder here;
    // Wine gives every process an administrator's elevated token.
    CHECK(tw::ProcessIsElevated());

    SUBCASE("a folder made here belongs to this account; Everyone may only read it: allowed") {
        const tw::FolderWriters w = tw::OtherWritersOf(here.path);
        CHECK(w.error == ERROR_SUCCESS);
        CHECK_FALSE(w.missing);
        CHECK(w.others.empty());
        CHECK(RepairRefusal() == "");
        REQUIRE(testacl::SetEveryone(here.path, testacl::kEveryoneReads) == ERROR_SUCCESS);
        CHECK(RepairRefusal() == "");
    }
    SUBCASE("a folder Everyone may write: refused when elevated, allowed when not") {
        testacl::OpenToEveryone open(here.path);
        REQUIRE(open.error == ERROR_SUCCESS);
        CHECK(tw::OtherWritersOf(here.path).others == std::vector<std::string>{"Everyone"});
        const std::string why = RepairRefusal();
        CHECK(why == RepairRefusal(true));
        CHECK(Has(why, "other users may change " + here.path + " (Everyone)"));
        CHECK(Has(why, "repairs and restores are turned off"));
        CHECK(Has(why, "Install Tidewarp"));
        CHECK(RepairRefusal(false) == "");
    }
    SUBCASE("\"Registry Backups\" alone open to Everyone: refused, naming it") {
        const std::string backups = BackupFolderPath();
        REQUIRE(CreateDirectoryA(backups.c_str(), nullptr));
        {
            testacl::OpenToEveryone open(backups);
            REQUIRE(open.error == ERROR_SUCCESS);
            CHECK(Has(RepairRefusal(), "other users may change " + backups + " (Everyone)"));
        }
        CHECK(RepairRefusal() == "");
    }
    SUBCASE("a folder that is not there has no one to ask") {
        const tw::FolderWriters w = tw::OtherWritersOf(JoinPath(here.path, "not here"));
        CHECK(w.missing);
        CHECK(w.error == ERROR_SUCCESS);
    }
}
