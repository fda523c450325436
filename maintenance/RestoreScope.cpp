#include "maintenance/RestoreScope.h"

#include "registry/KeyFamilies.h"

namespace backup {
namespace {

// A sub-key name may hold backslashes (the restore then creates the keys between), so each of its
// parts must be a name too.
std::string FirstBadSubKey(const KeyBody& body, const std::string& parentPath) {
    for (const SubKey& sub : body.subKeys) {
        const std::string path = parentPath + "\\" + sub.name;
        if (!IsPlainKeyPath(sub.name)) return path;
        std::string bad = FirstBadSubKey(sub.body, path);
        if (!bad.empty()) return bad;
    }
    return {};
}

}  // namespace

std::string FirstKeyOutsideFamilies(const std::vector<KeyRecord>& records) {
    for (const KeyRecord& r : records) {
        const char* root = RootName(r.root);
        const std::string path = (root ? root : "(root " + std::to_string(r.root) + ")") + std::string("\\") + r.path;
        if (!root || !InScannedKeyFamily(path)) return path;
        std::string bad = FirstBadSubKey(r.body, path);
        if (!bad.empty()) return bad;
    }
    return {};
}

}  // namespace backup
