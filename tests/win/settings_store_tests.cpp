// The settings store against the prefix's real registry, under HKEY_LOCAL_MACHINE\Software\TIDEWARP.
#include "doctest.h"


#include "settings/SettingsStore.h"
#include "settings_page.h"
#include "test_registry.h"

#include <map>

using testreg::SetBytes;
using testreg::SetString;
using testreg::ValueExists;

namespace {

const char kKey[] = "Software\\TIDEWARP";

// No settings key before and after each test.
struct NoKey {
    NoKey() { testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kKey); }
    ~NoKey() { testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kKey); }
};

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

TEST_CASE("flags: the first write makes the key, on and off leave no value, any string reads on") {
    NoKey clean;
    SettingsStore store;
    TestPage page;
    store.ReadFlagInto(page, settingflags::AutoScan);  // no key: off, and still no key
    CHECK(page.checks["BUTTON_AUTOSCAN"] == 0);
    store.WriteFlagFrom(page, settingflags::AutoScan);
    CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kKey));

    page.checks["BUTTON_AUTOSCAN"] = 1;
    store.WriteFlagFrom(page, settingflags::AutoScan);
    CHECK(testreg::KeyExists(HKEY_LOCAL_MACHINE, kKey));
    CHECK(store.ReadFlag("autoscan"));
    page.checks["BUTTON_AUTOSCAN"] = 0;
    store.WriteFlagFrom(page, settingflags::AutoScan);
    CHECK_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kKey, "autoscan"));

    SetString(HKEY_LOCAL_MACHINE, kKey, "savereg", "0");
    store.ReadFlagInto(page, settingflags::SaveReg);
    CHECK(page.checks["BUTTON_BACKUP"] == 1);
    SetBytes(HKEY_LOCAL_MACHINE, kKey, "expand", REG_EXPAND_SZ, Bytes(std::string("%x%\0", 4)));
    SetBytes(HKEY_LOCAL_MACHINE, kKey, "multi", REG_MULTI_SZ, Bytes(std::string("a\0b\0\0", 5)));
    SetBytes(HKEY_LOCAL_MACHINE, kKey, "limit", REG_SZ, Bytes(std::string(255, 'x') + '\0'));
    SetBytes(HKEY_LOCAL_MACHINE, kKey, "long", REG_SZ, Bytes(std::string(299, 'x') + '\0'));
    SetBytes(HKEY_LOCAL_MACHINE, kKey, "number", REG_DWORD, {1, 0, 0, 0});
    CHECK(store.ReadFlag("expand"));
    CHECK(store.ReadFlag("multi"));
    CHECK(store.ReadFlag("limit"));  // 256 bytes with the terminator
    CHECK_FALSE(store.ReadFlag("long"));
    CHECK_FALSE(store.ReadFlag("number"));
}

TEST_CASE("numbers and texts") {
    NoKey clean;
    SettingsStore store;
    CHECK(store.ReadNumber("scannext") == 0);
    store.WriteNumber("scannext", 0xFFFFFFF0u);  // the first write makes the key
    CHECK(store.ReadNumber("scannext") == 0xFFFFFFF0u);
    SetString(HKEY_LOCAL_MACHINE, kKey, "scannext", "1234");
    CHECK(store.ReadNumber("scannext") == 0);

    TestPage page;
    page.edits["EDIT_BAKUP_COUNT"] = "skin text";
    store.ReadTextInto(page, kBackupCountValue, kBackupCountEdit);  // nothing stored: kept
    CHECK(page.edits["EDIT_BAKUP_COUNT"] == "skin text");
    page.edits["EDIT_BAKUP_COUNT"] = "";
    store.WriteTextFrom(page, kBackupCountValue, kBackupCountEdit);
    CHECK_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kKey, "savecountreg"));
    page.edits["EDIT_BAKUP_COUNT"] = "7";
    store.WriteTextFrom(page, kBackupCountValue, kBackupCountEdit);
    page.edits.clear();
    store.ReadTextInto(page, kBackupCountValue, kBackupCountEdit);
    CHECK(page.edits["EDIT_BAKUP_COUNT"] == "7");
}
