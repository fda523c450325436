// Only Tidewarp's own backups are restored, and only into the keys it scans: the keyed hash beside
// each backup, the key it is made with, and what the console program does with planted backups.
#include "doctest.h"

#include "backup_test_support.h"
#include "maintenance/BackupSignature.h"
#include "maintenance/LinkStoreFormat.h"
#include "maintenance/SignatureFormat.h"
#include "platform/Hmac.h"
#include "recording_notifier.h"
#include "test_process.h"

using namespace backuptest;

namespace {

const char kCli[] = "tidewarp-cli.exe";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kIfeo[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";

std::string Hex(const tw::Sha256& d) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : d) out += std::string{kHex[b >> 4], kHex[b & 15]};
    return out;
}

backup::KeyRecord Value(const std::string& path, const std::string& name, const std::string& text) {
    backup::KeyRecord r;
    r.root = backup::kLocalMachine;
    r.path = path;
    r.body.values = {{name, REG_SZ, text + '\0'}};
    return r;
}

// What a planted backup could change, as it stands.
testreg::Dump Watched() {
    testreg::Dump all = testreg::DumpTree(HKEY_LOCAL_MACHINE, kRunKey);
    for (const auto& [k, v] : testreg::DumpTree(HKEY_LOCAL_MACHINE, kIfeo)) all[k] = v;
    return all;
}

std::string Backup(const std::string& name) { return BackupFolderPath() + "\\" + name; }

}  // namespace

TEST_CASE("the system's HMAC-SHA-256 gives the published results, through CNG and through CryptoAPI") {
    const struct {
        std::string key, data, mac;
    } vectors[] = {
        {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
    };
    for (const auto& v : vectors) {
        CAPTURE(v.data);
        tw::Sha256 whole{}, split{}, legacy{};
        const std::string_view data = v.data;
        REQUIRE(tw::HmacSha256(v.key, {data}, whole) == 0);
        CHECK(Hex(whole) == v.mac);
        REQUIRE(tw::HmacSha256(v.key, {data.substr(0, 3), {}, data.substr(3)}, split) == 0);
        CHECK(split == whole);
        REQUIRE(tw::HmacSha256WithCryptoApi(v.key, {data}, legacy) == 0);
        CHECK(Hex(legacy) == v.mac);
    }
    unsigned char a[32] = {}, b[32] = {};
    REQUIRE(tw::RandomBytes(a, sizeof a) == 0);
    REQUIRE(tw::RandomBytes(b, sizeof b) == 0);
    CHECK(std::string(a, a + 32) != std::string(b, b + 32));
}

TEST_CASE("the signing key is made once, kept where only SYSTEM and Administrators may read it") {
    BackupFolderScratch folder;
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, backup::kSigningKeyPath);
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, kFamilyKey);
    testreg::SetString(HKEY_LOCAL_MACHINE, kFamilyKey, "n", "1");
    const auto records = OneKeyRecord(std::string("HKEY_LOCAL_MACHINE\\") + kFamilyKey);
    BackupResult first = BackupErrorKeys(records);
    REQUIRE(first.status == BackupResult::Status::Saved);
    CHECK(first.signatureError == 0);
    const std::string stored = testreg::ReadFile(backup::SignatureFileName(first.path));
    backup::Digest digest{};
    CHECK(backup::ParseSignature(stored, digest));

    HKEY h = nullptr;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, backup::kSigningKeyPath, 0, KEY_READ, &h) == 0);
    BYTE secret[64];
    DWORD type = 0, size = sizeof secret;
    CHECK(RegQueryValueExA(h, backup::kSigningKeyValue, nullptr, &type, secret, &size) == 0);
    CHECK(type == REG_BINARY);
    CHECK(size == 32);
    // The rights: these two and nothing inherited from above.
    std::vector<BYTE> sd(4096);
    DWORD sdSize = static_cast<DWORD>(sd.size());
    REQUIRE(RegGetKeySecurity(h, DACL_SECURITY_INFORMATION, sd.data(), &sdSize) == 0);
    RegCloseKey(h);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    REQUIRE(GetSecurityDescriptorControl(sd.data(), &control, &revision));
    CHECK((control & SE_DACL_PROTECTED) != 0);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    REQUIRE(GetSecurityDescriptorDacl(sd.data(), &present, &dacl, &defaulted));
    REQUIRE((present && dacl));
    REQUIRE(dacl->AceCount == 2);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        REQUIRE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        CHECK(ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE);
        PSID sid = &ace->SidStart;
        CHECK((IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid)));
    }

    // The next backup uses the same key: the first one still checks.
    REQUIRE(BackupErrorKeys(records).status == BackupResult::Status::Saved);
    DWORD error = 0;
    CHECK(backup::CheckSignature(first.path, testreg::ReadFile(first.path), backup::ReadLinkStore(first.path),
                                 error) == backup::SignatureCheck::Valid);
}

TEST_CASE("planted backups leave HKEY_LOCAL_MACHINE unchanged and the console restore exits 2") {
    BackupFolderScratch folder;
    testreg::ScratchKey family(HKEY_LOCAL_MACHINE, kFamilyKey);
    testreg::MakeFolders(BackupFolderPath());
    const backup::KeyRecord run = Value(kRunKey, "TwPlanted", "C:\\planted\\run.exe");
    const backup::KeyRecord inFamily = Value(kFamilyKey, "n", "planted");
    const backup::KeyRecord debugger = Value(std::string(kIfeo) + "\\sethc.exe", "Debugger", "cmd.exe");
    const testreg::Dump before = Watched();

    std::string name, problem;
    SUBCASE("a wrong hash") {
        name = "2026-01-01_00-00-00.reg";
        testreg::WriteFile(Backup(name), backup::Encode({run}));
        testreg::WriteFile(Backup(backup::SignatureFileName(name)), backup::FormatSignature(backup::Digest{}));
        problem = "its signature does not match";
    }
    SUBCASE("a damaged hash file") {
        name = "2026-01-01_00-00-00.reg";
        testreg::WriteFile(Backup(name), backup::Encode({run}));
        testreg::WriteFile(Backup(backup::SignatureFileName(name)), "TWSIG1 HMAC-SHA-256 00\r\n");
        problem = "its signature file is damaged";
    }
    SUBCASE("no hash") {
        name = "2026-01-01_00-00-00.reg";
        testreg::WriteFile(Backup(name), backup::Encode({run}));
        problem = "it has no signature file";
    }
    SUBCASE("a signed own backup renamed to a later time") {
        testreg::WriteFile(Backup("2001-01-01_00-00-00.reg"), backup::Encode({run}));
        REQUIRE(backup::SignBackup(Backup("2001-01-01_00-00-00.reg")) == 0);
        name = "2026-01-01_00-00-00.reg";
        REQUIRE(MoveFileA(Backup("2001-01-01_00-00-00.reg").c_str(), Backup(name).c_str()));
        REQUIRE(MoveFileA(Backup("2001-01-01_00-00-00.sig").c_str(), Backup("2026-01-01_00-00-00.sig").c_str()));
        problem = "its signature does not match";
    }
    SUBCASE("signed, but a key outside the families after one inside: nothing of it is written") {
        name = "2026-01-01_00-00-00.reg";
        testreg::WriteFile(Backup(name), backup::Encode({inFamily, debugger}));
        REQUIRE(backup::SignBackup(Backup(name)) == 0);
        problem = "holds the key HKEY_LOCAL_MACHINE\\" + debugger.path + ", which is not among";
    }
    SUBCASE("signed, dated in the future") {
        name = "2099-01-01_00-00-00.reg";
        testreg::WriteFile(Backup(name), backup::Encode({run}));
        REQUIRE(backup::SignBackup(Backup(name)) == 0);
        problem = "is not named like a backup of this program";
    }
    CAPTURE(name);
    auto named = testproc::Run(kCli, "restore \"" + Backup(name) + "\"");
    CHECK(named.exitCode == 2);
    CHECK(named.err.find("Not restored: " + Backup(name)) == 0);
    CHECK(named.err.find(problem) != std::string::npos);
    CHECK(named.out.empty());
    CHECK(Watched() == before);
    CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, kFamilyKey, "n"));
    if (name != "2099-01-01_00-00-00.reg") {  // the newest backup: the same for a plain restore
        auto newest = testproc::Run(kCli, "restore");
        CHECK(newest.exitCode == 2);
        CHECK(newest.err == named.err);
    }
    CHECK(Watched() == before);
}

TEST_CASE("--unsigned restores a backup of unknown origin only within the families; the window asks") {
    BackupFolderScratch folder;
    testreg::ScratchKey family(HKEY_LOCAL_MACHINE, kFamilyKey);
    testreg::MakeFolders(BackupFolderPath());
    const std::string old = Backup("2001-01-01_00-00-00.reg"), outside = Backup("2001-01-02_00-00-00.reg");
    testreg::WriteFile(old, backup::Encode({Value(kFamilyKey, "n", "old")}));
    testreg::WriteFile(outside, backup::Encode({Value(kFamilyKey, "n", "outside"),
                                                 Value(std::string(kIfeo) + "\\sethc.exe", "Debugger", "cmd.exe")}));
    const testreg::Dump before = Watched();

    auto refused = testproc::Run(kCli, "restore \"" + old + "\"");
    CHECK(refused.exitCode == 2);
    CHECK(refused.err.find("tidewarp-cli restore --unsigned \"" + old + "\"") != std::string::npos);
    CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, kFamilyKey, "n"));

    auto restored = testproc::Run(kCli, "restore --unsigned \"" + old + "\"");
    CHECK(restored.exitCode == 0);
    CHECK(restored.err.find("tidewarp-cli: restoring " + old + " as asked (--unsigned), although it has no signature") ==
          0);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kFamilyKey, "n") == "old");

    auto still = testproc::Run(kCli, "restore --unsigned \"" + outside + "\"");
    CHECK(still.exitCode == 2);
    CHECK(still.err.find("which is not among the keys Tidewarp scans") != std::string::npos);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kFamilyKey, "n") == "old");
    CHECK(Watched() == before);

    auto usage = testproc::Run(kCli, "restore --unsigned");
    CHECK(usage.exitCode == 2);
    CHECK(usage.err.find("restore --unsigned needs the FILE to restore") != std::string::npos);

    // The window's way: the user's answer decides, and the newest backup is the one asked about.
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kFamilyKey);
    DeleteFileA(outside.c_str());
    RecordingNotifier notifier;
    Answer no;
    no.yes = false;
    CHECK(RestoreLastBackup(notifier, no.Confirm()).status == RestoreResult::Status::Unsigned);
    CHECK(no.problems == std::vector<std::string>{"it has no signature file beside it"});
    CHECK(notifier.notices.empty());
    CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, kFamilyKey, "n"));
    Answer yes;
    CHECK(RestoreLastBackup(notifier, yes.Confirm()).Complete());
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kFamilyKey, "n") == "old");
}

TEST_CASE("the shortcut store is covered: a store swapped or put beside a signed backup is refused") {
    BackupFolderScratch folder;
    testreg::ScratchKey family(HKEY_LOCAL_MACHINE, kFamilyKey);
    testreg::SetString(HKEY_LOCAL_MACHINE, kFamilyKey, "n", "kept");
    testreg::MakeFolders("C:\\tw-sig-links");
    const std::string link = "C:\\tw-sig-links\\own.lnk", planted = "C:\\tw-sig-planted\\evil.lnk";
    testreg::WriteFile(link, "not really a shortcut, but kept byte for byte");
    const auto records = OneKeyRecord(std::string("HKEY_LOCAL_MACHINE\\") + kFamilyKey);
    backup::SavedLink evil;
    evil.path = planted;
    evil.bytes = "planted";

    std::string path;
    SUBCASE("swapped") {
        BackupResult r = BackupErrorKeys(records, {link});
        REQUIRE(r.status == BackupResult::Status::Saved);
        REQUIRE(r.linksSaved == 1);
        path = r.path;
        testreg::WriteFile(backup::LinkStoreName(path), backup::EncodeLinks({evil}));
    }
    SUBCASE("put beside a backup that had none") {
        BackupResult r = BackupErrorKeys(records);
        REQUIRE(r.status == BackupResult::Status::Saved);
        path = r.path;
        testreg::WriteFile(backup::LinkStoreName(path), backup::EncodeLinks({evil}));
    }
    DeleteFileA(link.c_str());
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kFamilyKey);
    auto run = testproc::Run(kCli, "restore");
    CHECK(run.exitCode == 2);
    CHECK(run.err.find("its signature does not match") != std::string::npos);
    CHECK_FALSE(testreg::FileExists(planted));
    CHECK_FALSE(testreg::FileExists(link));
    CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kFamilyKey));
    RemoveDirectoryA("C:\\tw-sig-planted");
    RemoveDirectoryA("C:\\tw-sig-links");
}

TEST_CASE("a pruned backup takes its signature file with it; the new one is signed") {
    BackupFolderScratch folder;
    testreg::MakeFolders(BackupFolderPath());
    for (int day = 1; day <= 5; ++day) {
        const std::string name = "2001-01-0" + std::to_string(day) + "_00-00-00.reg";
        testreg::WriteFile(Backup(name), backup::Encode({Value(kFamilyKey, "n", "x")}));
        REQUIRE(backup::SignBackup(Backup(name)) == 0);
    }
    testreg::WriteFile(Backup("other.sig"), "not ours");
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, kFamilyKey);
    BackupResult r = BackupErrorKeys(OneKeyRecord(std::string("HKEY_LOCAL_MACHINE\\") + kFamilyKey));
    REQUIRE(r.status == BackupResult::Status::Saved);
    CHECK_FALSE(testreg::FileExists(Backup("2001-01-01_00-00-00.reg")));
    CHECK_FALSE(testreg::FileExists(Backup("2001-01-01_00-00-00.sig")));
    CHECK(testreg::FileExists(Backup("2001-01-02_00-00-00.sig")));
    CHECK(testreg::FileExists(backup::SignatureFileName(r.path)));
    CHECK(testreg::FileExists(Backup("other.sig")));
    auto list = testproc::Run(kCli, "backups");
    CHECK(list.out.find(".sig") == std::string::npos);
}
