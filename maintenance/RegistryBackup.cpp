#include "maintenance/RegistryBackup.h"

#include "maintenance/BackupFolder.h"
#include "maintenance/BackupSignature.h"
#include "maintenance/LinkBackup.h"
#include "maintenance/RestoreEvents.h"
#include "maintenance/RestoreScope.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/SafeFile.h"
#include "platform/Wow64.h"
#include "registry/RegistryLib.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>

namespace backup {
namespace {

const char kDefaultName[] = "(Default)";
const std::size_t kWriteChunk = 256 * 1024;
const std::size_t kLongestValueName = 16383;

std::string CantCreateKey(LONG error, ULONG_PTR parent, const std::string& name) {
    std::vector<char> buf(name.size() + 80);
    std::snprintf(buf.data(), buf.size(), "Can't create key. Error code = %d. %X %s", static_cast<int>(error),
                  static_cast<unsigned>(parent), name.c_str());
    return buf.data();
}

// Calls step(index) for index 0, 1, ... until the end of the list (true) or any other failure
// (false): a key deleted meanwhile answers "key deleted" at every index, and counting on past it
// would never end. step itself retries ERROR_MORE_DATA with a larger buffer.
template <typename Step>
bool EnumerateAll(Step step) {
    for (DWORD i = 0;; ++i) {
        LONG rc = step(i);
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc != ERROR_SUCCESS) return false;
    }
}

// Calls enumerate() and, while it answers ERROR_MORE_DATA, again after growing the buffer it uses.
template <typename T, typename Enumerate>
LONG WithGrowingBuffer(std::vector<T>& buffer, std::size_t atLeast, Enumerate enumerate) {
    LONG rc = ERROR_MORE_DATA;
    for (int tries = 0; rc == ERROR_MORE_DATA && tries < 5; ++tries) {
        if (tries > 0) buffer.resize(std::max(buffer.size() * 2, atLeast));
        rc = enumerate();
    }
    return rc;
}

std::u16string Wide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A name the narrow functions can pass: exactly spelled and without a zero, which would end it.
bool NarrowName(const std::u16string& name, std::string& narrow) {
    return tw::Utf16ToAnsiExact(name, narrow) && name.find(u'\0') == std::u16string::npos;
}

// A value read in its wide form, in the narrow form the backup holds. False when that form is not
// exact: a name or text with characters the code page lacks, or text of an odd number of bytes.
// A restore would write the look-alike over the real entry, so no such copy is kept.
bool NarrowValue(const std::u16string& name, DWORD type, const BYTE* data, DWORD size, Value& value) {
    value.type = type;
    bool exact = NarrowName(name, value.name);
    if (!IsTextType(type)) {
        value.data.assign(reinterpret_cast<const char*>(data), size);
        return exact;
    }
    std::u16string text(size / 2, u'\0');
    std::memcpy(&text[0], data, text.size() * 2);
    return tw::Utf16ToAnsiExact(text, value.data) && size % 2 == 0 && exact;
}

// Calls visit(value, exact) for every value of the key. Buffers start at the sizes the key reports
// and grow when a value changed meanwhile. False when some value could not be read.
template <typename Visit>
bool ForEachValue(HKEY key, Visit visit) {
    DWORD longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(std::size_t{longestName} + 1);
    std::vector<BYTE> data(std::max<DWORD>(longestData, 1));
    Value value;
    return EnumerateAll([&](DWORD i) {
        DWORD nameSize = 0, dataSize = 0, type = 0;
        LONG rc = WithGrowingBuffer(name, kLongestValueName + 1, [&] {
            data.resize(std::max<std::size_t>(data.size(), dataSize));
            nameSize = static_cast<DWORD>(name.size());
            dataSize = static_cast<DWORD>(data.size());
            return RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        });
        if (rc != ERROR_SUCCESS) return rc;
        bool exact = NarrowValue(Wide(name.data(), nameSize), type, data.data(), dataSize, value);
        visit(value, exact);
        return rc;
    });
}

// The values of the keys that "VAL" records name. Scanners report many values of one key (every
// bad shared DLL, every bad font), so each key is listed once per backup, not once per record.
class ValueCache {
public:
    // The value a record names, as the fix will remove it: "(Default)" is the unnamed value.
    ReadOutcome Find(HKEY key, const std::string& keyId, const std::string& wanted, KeyBody& body) {
        auto it = keys_.find(keyId);
        if (it == keys_.end()) {
            Listing listing;
            listing.complete = ForEachValue(key, [&](const Value& v, bool exact) {
                // Two names may share one narrow form; the fix removes the one spelled exactly.
                auto [at, added] = listing.values.emplace(v.name, Entry{v, exact});
                if (!added && exact && !at->second.exact) at->second = Entry{v, exact};
            });
            it = keys_.emplace(keyId, std::move(listing)).first;
        }
        auto v = it->second.values.find(wanted == kDefaultName ? std::string() : wanted);
        if (v != it->second.values.end()) {
            if (!v->second.exact) return ReadOutcome::Unspellable;
            body.values.push_back(v->second.value);
        }
        return it->second.complete ? ReadOutcome::Complete : ReadOutcome::Partial;
    }

private:
    struct Entry {
        Value value;
        bool exact = true;
    };
    struct Listing {
        std::map<std::string, Entry> values;
        bool complete = true;
    };
    std::map<std::string, Listing> keys_;
};

void EnableBackupPrivilege() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
    tw::UniqueHandle token(raw);
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    if (!LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &tp.Privileges[0].Luid)) return;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.get(), FALSE, &tp, 0, nullptr, nullptr);
}

std::uint32_t RootValue(const std::string& rootName) {
    // Exactly these four names, in this letter case; records naming any other root are skipped.
    if (rootName == "HKEY_CLASSES_ROOT") return kClassesRoot;
    if (rootName == "HKEY_CURRENT_USER") return kCurrentUser;
    if (rootName == "HKEY_LOCAL_MACHINE") return kLocalMachine;
    if (rootName == "HKEY_USERS") return kUsers;
    return 0;
}

HKEY RootHandle(std::uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

bool WriteAll(HANDLE file, const std::string& bytes, DWORD& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            return false;
        }
        done += wrote;
    }
    return true;
}

}  // namespace

ReadOutcome ReadKeyBody(HKEY key, KeyBody& body) {
    bool unspellable = false;
    bool complete = ForEachValue(key, [&](const Value& v, bool exact) {
        if (!exact) unspellable = true;
        body.values.push_back(v);
    });
    if (unspellable) return ReadOutcome::Unspellable;
    std::vector<wchar_t> name(256);
    bool listed = EnumerateAll([&](DWORD i) {
        DWORD size = 0;
        LONG rc = WithGrowingBuffer(name, 0, [&] {
            size = static_cast<DWORD>(name.size());
            return RegEnumKeyExW(key, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
        });
        if (rc != ERROR_SUCCESS) return rc;
        SubKey& sub = body.subKeys.emplace_back();
        if (!NarrowName(Wide(name.data(), size), sub.name)) {
            unspellable = true;
            return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
        }
        tw::UniqueHKey child;
        if (RegOpenKeyExW(key, std::wstring(name.data(), size).c_str(), 0, KEY_READ | tw::PhysicalKeyView(),
                          child.put()) != ERROR_SUCCESS) {
            complete = false;  // saved with an empty body, as a key without anything in it
            return rc;
        }
        ReadOutcome inner = ReadKeyBody(child.get(), sub.body);
        if (inner == ReadOutcome::Unspellable) {
            unspellable = true;
            return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
        }
        if (inner == ReadOutcome::Partial) complete = false;
        return rc;
    });
    if (unspellable) return ReadOutcome::Unspellable;
    return complete && listed ? ReadOutcome::Complete : ReadOutcome::Partial;
}

void ApplyKeyBody(HKEY key, const KeyBody& body, tw::Notifier& notifier, ApplyCounts& counts) {
    std::vector<BYTE> buffer;
    for (const Value& v : body.values) {
        // RegSetValueExA takes a zero byte just past string data without its own terminator as
        // part of the value (NT does the same), so the data is passed with a non-zero byte after it.
        buffer.assign(v.data.begin(), v.data.end());
        buffer.push_back(0xFF);
        LONG rc = RegSetValueExA(key, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type, buffer.data(),
                                 static_cast<DWORD>(v.data.size()));
        if (rc != ERROR_SUCCESS) {
            ++counts.valueFailures;
            notifier.Notify("Exception!! Unable to restore registry from backup.");
        }
    }
    for (const SubKey& s : body.subKeys) {
        tw::UniqueHKey child;
        LONG rc = CRegistryLib::CreateSubKey(key, s.name, child.put());
        if (rc != ERROR_SUCCESS) {
            ++counts.keyFailures;
            notifier.Notify(CantCreateKey(rc, reinterpret_cast<ULONG_PTR>(key), s.name));
            continue;
        }
        ApplyKeyBody(child.get(), s.body, notifier, counts);
    }
}

bool ReadBackupFile(const std::string& path, DecodeResult& result, DWORD& error, std::string* raw) {
    std::string bytes;
    try {
        if (!tw::ReadWholeFile(path, bytes)) {
            error = GetLastError() ? GetLastError() : ERROR_READ_FAULT;
            return false;
        }
        result = Decode(bytes);
        if (bytes.empty()) {
            if (GetFileAttributesA(LinkStoreName(path).c_str()) != INVALID_FILE_ATTRIBUTES)
                result = DecodeResult();  // the links of the store beside it are the whole backup
            else
                result.damage += " and no store of shortcuts lies beside it";
        }
        if (raw) *raw = std::move(bytes);
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    return true;
}

}  // namespace backup

using namespace backup;

bool BackupResult::SafeToFix(std::size_t index) const {
    return SafeToFix() && std::find(incomplete.begin(), incomplete.end(), index) == incomplete.end();
}

namespace {

BackupResult Failure(DWORD error, const std::string& what) {
    BackupResult r;
    r.status = BackupResult::Status::Failed;
    r.error = error;
    char buf[32];
    std::snprintf(buf, sizeof buf, " (error %lu)", static_cast<unsigned long>(error));
    r.message = "The registry backup could not be saved: " + what + buf + ".";
    return r;
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// Moves the finished temporary file (a file of `here`) into the folder under the time-stamped name,
// or under the same name with _001, _002, ... when a backup of the same second is already there.
BackupResult MoveIntoPlace(const tw::CheckedFolder& here, const std::string& temp, const tw::CheckedFolder& folder,
                           const SYSTEMTIME& t) {
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0, transient = 0; attempt <= kMaxSameSecondBackups;) {
        const std::string target =
            BackupFileName(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, attempt);
        // A store left under the name would be taken for this backup's links.
        if (GetFileAttributesA(folder.PathOf(LinkStoreName(target)).c_str()) != INVALID_FILE_ATTRIBUTES) {
            ++attempt;
            continue;
        }
        error = tw::MoveOwnFile(here, temp, folder, target, false);
        if (error == ERROR_SUCCESS) {
            BackupResult r;
            r.status = BackupResult::Status::Saved;
            r.path = folder.PathOf(target);
            return r;
        }
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            ++attempt;
            continue;
        }
        // A scanner or indexer holding the file for a moment: try the same name again, briefly.
        if (++transient > 3) break;
        Sleep(100);
    }
    return Failure(error, "cannot move " + here.PathOf(temp) + " into " + folder.Path());
}

// Reads what the backup keeps of one record's key or value, by the physical path the record names
// (the 64-bit view under WOW64). Nothing: no key path, or the key is gone already (nothing to keep
// and nothing to remove); Unopenable: the key is there but cannot be read, and must not be removed.
enum class RecordRead { Nothing, Unopenable, Read };
RecordRead ReadRecord(const ErrorRecord& e, ValueCache& values, KeyRecord& record, ReadOutcome& read) {
    if (e.KeyPath().empty() || (e.FixKind() != "KEY" && e.FixKind() != "VAL")) return RecordRead::Nothing;
    std::string path = e.KeyPath();
    std::uint32_t root = RootValue(CRegistryLib::SeperateMainKey(path));
    if (!root) return RecordRead::Nothing;
    tw::UniqueHKey key;
    // Machine-wide classes through HKEY_LOCAL_MACHINE; the file keeps the record's root and path.
    std::string physical = path;
    const HKEY physicalRoot = CRegistryLib::RecordRoot(RootHandle(root), physical);
    LONG rc = RegOpenKeyExA(physicalRoot, physical.c_str(), 0, KEY_READ | tw::PhysicalKeyView(), key.put());
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) return RecordRead::Nothing;
    if (rc != ERROR_SUCCESS) return RecordRead::Unopenable;
    record.root = root;
    record.path = path;
    read = e.FixKind() == "KEY" ? ReadKeyBody(key.get(), record.body)
                                : (!e.Value() ? ReadOutcome::Complete
                                              : values.Find(key.get(), std::to_string(root) + "\\" + path,
                                                            e.Value()->name, record.body));
    return RecordRead::Read;
}

// Reads the links to keep and writes them to the new file `temp` of `here`; what cannot be kept goes
// to `result`. False when none was kept.
bool WriteLinkStore(const std::vector<std::string>& links, const tw::CheckedFolder& here, const std::string& temp,
                    BackupResult& result) {
    std::vector<SavedLink> saved;
    std::vector<std::size_t> savedIndexes;
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (links[i].empty()) continue;
        SavedLink link;
        std::string reason;
        if (!ReadLink(links[i], link, reason)) {
            result.unsavedLinks.push_back({i, reason});
            continue;
        }
        saved.push_back(std::move(link));
        savedIndexes.push_back(i);
    }
    if (saved.empty()) return false;
    tw::UniqueFile file;
    DWORD error = here.CreateNew(temp, file);
    if (error != ERROR_SUCCESS || !WriteAll(file.get(), EncodeLinks(saved), error) || !FlushFileBuffers(file.get())) {
        if (error == ERROR_SUCCESS) error = GetLastError();
        const bool ours = static_cast<bool>(file);
        file.reset();
        if (ours) here.Delete(temp);
        char buf[32];
        std::snprintf(buf, sizeof buf, " (error %lu)", static_cast<unsigned long>(error));
        for (std::size_t i : savedIndexes)
            result.unsavedLinks.push_back({i, std::string("the backup could not write its copy") + buf});
        return false;
    }
    result.linksSaved = saved.size();
    for (std::size_t k = 0; k < saved.size(); ++k)
        result.savedLinks.push_back({savedIndexes[k], saved[k].bytes.size(), saved[k].written});
    return true;
}

// Every link the store was to hold, as not kept.
void LinksNotKept(const std::vector<std::string>& links, BackupResult& result, const std::string& reason) {
    result.unsavedLinks.clear();
    result.savedLinks.clear();
    for (std::size_t i = 0; i < links.size(); ++i)
        if (!links[i].empty()) result.unsavedLinks.push_back({i, reason});
    result.linksSaved = 0;
}

}  // namespace

BackupResult CheckBackup(const ErrorList& records, const std::vector<std::string>& links) {
    // The backup folder is never written through a link, and a file in its place ends the backup.
    const std::string folder = JoinPath(CurrentDirectory(), kBackupFolderName);
    if (!LinkedBackupFolderMessage().empty())
        return Failure(tw::kLinkRefused, "the folder " + folder + " is a link, and nothing is written through it");
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure(ERROR_ALREADY_EXISTS, folder + " is a file, not a folder");
    EnableBackupPrivilege();
    BackupResult result;
    ValueCache values;
    for (std::size_t i = 0; i < records.size(); ++i) {
        KeyRecord record;
        ReadOutcome read = ReadOutcome::Complete;
        const RecordRead state = ReadRecord(records[i], values, record, read);
        if (state == RecordRead::Nothing) continue;
        if (state == RecordRead::Unopenable || read != ReadOutcome::Complete) result.incomplete.push_back(i);
        if (state == RecordRead::Read && read != ReadOutcome::Unspellable) ++result.recordsSaved;
    }
    for (std::size_t i = 0; i < links.size(); ++i) {
        SavedLink link;
        std::string reason;
        if (links[i].empty()) continue;
        if (ReadLink(links[i], link, reason))
            ++result.linksSaved;
        else
            result.unsavedLinks.push_back({i, reason});
    }
    return result;
}

BackupResult BackupErrorKeys(const ErrorList& records, const std::vector<std::string>& links) {
    SYSTEMTIME started;
    GetLocalTime(&started);
    // The current directory, held for the whole backup; the temporary files are this process's own
    // names in it, and a leftover of an earlier backup of this process is deleted unless it is a link.
    tw::CheckedFolder here;
    if (DWORD error = here.Open(CurrentDirectory())) return Failure(error, "cannot open the current folder");
    const std::string temp = BackupTempName();
    const std::string linkTemp = LinkStoreName(temp);
    here.Delete(temp);
    here.Delete(linkTemp);

    bool any = std::any_of(records.begin(), records.end(), [](const ErrorRecord& r) { return !r.KeyPath().empty(); }) ||
               std::any_of(links.begin(), links.end(), [](const std::string& l) { return !l.empty(); });
    if (!any) return {};

    EnableBackupPrivilege();
    BackupResult result;
    try {
        tw::UniqueFile file;
        DWORD error = here.CreateNew(temp, file);
        if (error != ERROR_SUCCESS) return Failure(error, "cannot create " + here.PathOf(temp));
        ValueCache values;
        std::string pending;  // records go to the file in chunks, not one write each
        for (std::size_t i = 0; i < records.size(); ++i) {
            const ErrorRecord& e = records[i];
            KeyRecord record;
            ReadOutcome read = ReadOutcome::Complete;
            const RecordRead state = ReadRecord(e, values, record, read);
            if (state == RecordRead::Nothing) continue;
            if (state == RecordRead::Unopenable || read != ReadOutcome::Complete) result.incomplete.push_back(i);
            // A copy spelled with look-alikes would be written over the real entry by a restore.
            if (state == RecordRead::Unopenable || read == ReadOutcome::Unspellable) continue;
            AppendRecord(pending, record);
            ++result.recordsSaved;
            if (pending.size() >= kWriteChunk) {
                if (!WriteAll(file.get(), pending, error)) {
                    file.reset();
                    here.Delete(temp);
                    return Failure(error, "cannot write " + here.PathOf(temp));
                }
                pending.clear();
            }
        }
        if (!WriteAll(file.get(), pending, error) || !FlushFileBuffers(file.get())) {
            if (error == ERROR_SUCCESS) error = GetLastError();
            file.reset();
            here.Delete(temp);
            return Failure(error, "cannot write " + here.PathOf(temp));
        }
        WriteLinkStore(links, here, linkTemp, result);
    } catch (const std::bad_alloc&) {
        here.Delete(temp);
        here.Delete(linkTemp);
        return Failure(ERROR_NOT_ENOUGH_MEMORY, "a key is too large to hold in memory");
    }
    if (result.recordsSaved == 0 && result.linksSaved == 0) {
        // Everything named is gone already or may not be removed: an empty file would only be a
        // backup that restores nothing.
        here.Delete(temp);
        return result;
    }

    // Opened once for the rest of the backup; a folder that is a link is neither written nor pruned.
    tw::CheckedFolder folder;
    BackupResult moved;
    if (DWORD error = OpenBackupFolder(here, folder, true))
        moved = Failure(error, error == tw::kLinkRefused ? "the folder " + here.PathOf(kBackupFolderName) +
                                                                " is a link, and nothing is written through it"
                                                          : "cannot move " + here.PathOf(temp) + " into " +
                                                                here.PathOf(kBackupFolderName));
    else
        moved = MoveIntoPlace(here, temp, folder, started);
    if (moved.status == BackupResult::Status::Failed) {
        here.Delete(temp);
        here.Delete(linkTemp);
        return moved;
    }
    const std::string movedName = FileNameOf(moved.path);
    if (result.linksSaved > 0) {
        if (DWORD error = tw::MoveOwnFile(here, linkTemp, folder, LinkStoreName(movedName), false)) {
            char buf[32];
            std::snprintf(buf, sizeof buf, " (error %lu)", static_cast<unsigned long>(error));
            here.Delete(linkTemp);
            LinksNotKept(links, result, std::string("the backup could not put its copy in place") + buf);
            if (result.recordsSaved == 0) {
                // An empty registry file without its links would restore nothing.
                folder.Delete(movedName);
                return result;
            }
        }
    }
    result.signatureError = SignBackup(moved.path);
    PruneBackups(folder, movedName);
    result.status = BackupResult::Status::Saved;
    result.path = moved.path;
    return result;
}

namespace {

// How a restore goes: the main screen's restore of the newest backup and the console's restore of
// any backup apply what can be read and end with the last-backup message; the backups window's
// restore takes only a backup that is whole and tells its own result.
struct RestoreMode {
    bool wholeOnly = false;
    bool announce = true;
};

RestoreResult ApplyRegistry(const std::string& path, const DecodeResult& decoded, const LinkStore& links,
                            tw::Notifier& notifier, const RestoreMode& mode) {
    RestoreResult result;
    result.file = path;
    ApplyCounts counts;
    int topFailures = 0;
    for (const KeyRecord& r : decoded.records) {
        // Written where the backup read it: a HKEY_CLASSES_ROOT key into the machine-wide classes.
        std::string path = r.path;
        HKEY root = CRegistryLib::RecordRoot(RootHandle(r.root), path);
        tw::UniqueHKey key;
        LONG rc = path.empty() ? ERROR_SUCCESS : CRegistryLib::CreateSubKey(root, path, key.put());
        if (rc != ERROR_SUCCESS) {
            ++topFailures;
            notifier.Notify(CantCreateKey(rc, r.root, r.path));
            continue;
        }
        ApplyKeyBody(key ? key.get() : root, r.body, notifier, counts);
        ++result.recordsApplied;
    }
    result.keyFailures = topFailures + counts.keyFailures;
    result.valueFailures = counts.valueFailures;
    if (decoded.damaged) {
        // Never the success message for a damaged file: say where it stopped instead.
        result.status = RestoreResult::Status::Damaged;
        result.damage = decoded.damage;
        notifier.Notify("The backup file " + path + " is damaged (" + decoded.damage +
                        "). The keys before the damaged record were restored; nothing after it was written.");
    } else if (topFailures > 0) {
        result.status = RestoreResult::Status::KeysFailed;
    } else {
        result.status = RestoreResult::Status::Restored;
        // A backup of links alone restored no registry entry: its message is the links' one.
        if (mode.announce && (!decoded.records.empty() || !links.present))
            notifier.Notify("Registry Restored from Last Backup", tw::NoticeCaption::Empty);
    }
    return result;
}

std::string Lines(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += "\n  " + item;
    return out;
}

// Puts back every link the store holds whole, never over a file that lies there now, and tells
// the user in one message what came back and what did not.
void PutBackLinks(const LinkStore& store, RestoreResult& result, tw::Notifier& notifier) {
    if (!store.present) return;
    for (const SavedLink& link : store.contents.links) {
        DWORD rc = PutBackLink(link);
        if (rc == ERROR_SUCCESS)
            ++result.linksRestored;
        else if (rc == ERROR_FILE_EXISTS)
            result.linksExisting.push_back(link.path);
        else
            result.linksFailed.push_back(link.path + " (error " + std::to_string(static_cast<unsigned long>(rc)) + ")");
    }
    std::string text;
    if (store.error != 0) {
        result.linkDamage = "error " + std::to_string(static_cast<unsigned long>(store.error));
        text = "The shortcut store " + store.path + " cannot be read (" + result.linkDamage +
               "); no shortcut was put back.";
    } else {
        text = std::to_string(result.linksRestored) + " shortcut(s) put back from " + store.path + ".";
    }
    if (store.contents.damaged && store.error == 0) {
        result.linkDamage = store.contents.damage;
        text += "\n\nThe shortcut store is damaged (" + store.contents.damage +
                "): the shortcuts before the damage were put back, the store is left as it is.";
    }
    if (!result.linksExisting.empty())
        text += "\n\nNot put back, because a file of that name exists there now (it was left as it is):" +
                Lines(result.linksExisting);
    if (!result.linksFailed.empty()) text += "\n\nThese shortcuts could not be put back:" + Lines(result.linksFailed);
    notifier.Notify(text);
}

RestoreResult Apply(const std::string& path, const DecodeResult& decoded, const LinkStore& links,
                    tw::Notifier& notifier, const RestoreMode& mode) {
    // The shortcuts first, so that the registry's message, the one a restore has always ended
    // with, stays the last.
    RestoreResult linkPart;
    PutBackLinks(links, linkPart, notifier);
    RestoreResult result = ApplyRegistry(path, decoded, links, notifier, mode);
    result.linksRestored = linkPart.linksRestored;
    result.linksExisting = std::move(linkPart.linksExisting);
    result.linksFailed = std::move(linkPart.linksFailed);
    result.linkDamage = std::move(linkPart.linkDamage);
    return result;
}

RestoreResult NotRestored(const std::string& path, RestoreResult::Status status) {
    RestoreResult result;
    result.file = path;
    result.status = status;
    return result;
}

// Reads the backup and the store beside it once, checks both whole, and restores exactly what was
// checked.
RestoreResult CheckAndApply(const std::string& path, const DecodeResult& decoded, const std::string& raw,
                            tw::Notifier& notifier, const ConfirmUnsigned& confirm, const RestoreMode& mode = {}) {
    if (mode.wholeOnly && decoded.damaged) {
        notifier.Notify("Not restored: the backup file " + path + " is damaged (" + decoded.damage +
                        "). Nothing was written.");
        return NotRestored(path, RestoreResult::Status::Damaged);
    }
    const std::string outside = FirstKeyOutsideFamilies(decoded.records);
    if (!outside.empty()) {
        notifier.Notify("Not restored: " + path + " holds the key " + outside +
                        ", which is not among the keys Tidewarp scans and repairs. Nothing was written.");
        return NotRestored(path, RestoreResult::Status::Refused);
    }
    const LinkStore links = ReadLinkStore(path);
    if (mode.wholeOnly && links.present && !links.Usable()) {
        notifier.Notify("Not restored: the shortcut store " + links.path + " beside the backup is damaged or "
                        "cannot be read. Nothing was written.");
        return NotRestored(path, RestoreResult::Status::Damaged);
    }
    DWORD error = ERROR_SUCCESS;
    const SignatureCheck check = CheckSignature(path, raw, links, error);
    if (check != SignatureCheck::Valid) {
        const std::string problem = SignatureProblem(check, error);
        if (!confirm) {
            notifier.Notify("Not restored: " + path + " cannot be shown to be a backup Tidewarp made on this computer (" +
                            problem + "). Nothing was written.");
            return NotRestored(path, RestoreResult::Status::Unsigned);
        }
        if (!confirm(path, problem)) return NotRestored(path, RestoreResult::Status::Unsigned);
    }
    return Apply(path, decoded, links, notifier, mode);
}

RestoreResult RestoreNamedFile(const std::string& path, tw::Notifier& notifier, const ConfirmUnsigned& confirm,
                               const RestoreMode& mode) {
    // Only files named as this program names its backups are written into the registry: any
    // other file, or one dated later than tomorrow, was put there by someone else.
    if (!IsRestorableBackupName(FileNameOf(path))) {
        notifier.Notify("Not restored: " + path +
                        " is not named like a backup of this program (YYYY-MM-DD_HH-MM-SS.reg, at most a "
                        "day after the time now).");
        RestoreResult result;
        result.file = path;
        return result;
    }
    DecodeResult decoded;
    std::string raw;
    DWORD error = ERROR_SUCCESS;
    if (!ReadBackupFile(path, decoded, error, &raw)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " (error %lu).", static_cast<unsigned long>(error));
        notifier.Notify("Cannot read the backup file " + path + buf);
        RestoreResult result;
        result.file = path;
        return result;
    }
    return CheckAndApply(path, decoded, raw, notifier, confirm, mode);
}

RestoreResult ChosenBackup(const std::string& path, tw::Notifier& notifier, const ConfirmUnsigned& confirm) {
    // The folder may have been swapped for a link since the window listed it.
    const std::string linked = LinkedBackupFolderMessage();
    if (!linked.empty()) {
        notifier.Notify(linked);
        return NotRestored(path, RestoreResult::Status::NotFound);
    }
    RestoreMode mode;
    mode.wholeOnly = true;
    mode.announce = false;
    return RestoreNamedFile(path, notifier, confirm, mode);
}

RestoreResult LastBackup(tw::Notifier& notifier, const ConfirmUnsigned& confirm) {
    const std::string folder = BackupFolderPath();
    const std::string linked = LinkedBackupFolderMessage();
    if (!linked.empty()) {
        notifier.Notify(linked);
        return {};
    }
    std::vector<BackupFileInfo> files = ListBackupFiles(folder);
    const BackupFileInfo* newest = NewestBackup(files);
    DecodeResult decoded;
    std::string raw;
    DWORD error = ERROR_SUCCESS;
    if (!newest || !ReadBackupFile(newest->path, decoded, error, &raw)) {
        std::string pattern = JoinPath(folder, "*.reg");
        std::vector<char> buf(pattern.size() + 64);
        std::snprintf(buf.data(), buf.size(), "Backup file not found in %s.", pattern.c_str());
        notifier.Notify(buf.data());
        return {};
    }
    return CheckAndApply(newest->path, decoded, raw, notifier, confirm);
}

}  // namespace

// Each restore leaves one event in the Application log, whatever became of it.
RestoreResult RestoreBackupFile(const std::string& path, tw::Notifier& notifier, const ConfirmUnsigned& confirm) {
    NoticeRecorder notices(notifier);
    RestoreResult result = RestoreNamedFile(path, notices, confirm, {});
    ReportRestore(result, notices.Last());
    return result;
}

RestoreResult RestoreChosenBackup(const std::string& path, tw::Notifier& notifier, const ConfirmUnsigned& confirm) {
    NoticeRecorder notices(notifier);
    RestoreResult result = ChosenBackup(path, notices, confirm);
    ReportRestore(result, notices.Last());
    return result;
}

RestoreResult RestoreLastBackup(tw::Notifier& notifier, const ConfirmUnsigned& confirm) {
    NoticeRecorder notices(notifier);
    RestoreResult result = LastBackup(notices, confirm);
    ReportRestore(result, notices.Last());
    return result;
}

std::string UnsignedRestoreQuestion(const std::string& path, const std::string& problem) {
    return "The backup " + path + " cannot be shown to be one Tidewarp made on this computer: " + problem +
           ".\n\nBackups of older versions of Tidewarp carry no signature. So does a file that someone else put "
           "into the folder, and restoring it writes its entries into the registry.\n\nRestore it only if you "
           "know where it came from. Restore it now?";
}
