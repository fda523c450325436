#include "maintenance/RegExport.h"

#include <cstdio>
#include <string_view>

namespace backup {
namespace {

const char kCrLf[] = "\r\n";
// Registry editors wrap hex data so that lines stay within 80 columns.
const std::size_t kLineWidth = 77;

std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// A registry editor ends a name at a line break or a zero byte.
bool UnwritableName(const std::string& s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

// A name with its line breaks made visible, for the list of what was left out.
std::string Shown(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\0') out += "\\0";
        else out += c;
    }
    return out;
}

// Names a registry editor cannot read back are left out of the file (with a comment in their
// place) and listed for the caller.
class Omissions {
public:
    explicit Omissions(std::vector<std::string>* list) : list_(list) {}
    void Value(std::string& out, const std::string& keyPath, const std::string& name) {
        out += "; a value whose name holds a line break or a zero byte cannot be written here" + std::string(kCrLf);
        if (list_) list_->push_back("value \"" + Shown(name) + "\" in [" + Shown(keyPath) + "]");
    }
    void Key(std::string& out, const std::string& keyPath) {
        out += "; a key whose name holds a line break or a zero byte cannot be written here";
        out += std::string(kCrLf) + kCrLf;
        if (list_) list_->push_back("key [" + Shown(keyPath) + "] and everything below it");
    }

private:
    std::vector<std::string>* list_;
};

// A REG_SZ whose data is text with one terminating zero and no line breaks can be written as
// "..."; anything else is written as hex(1) so that it imports byte for byte.
bool IsPlainString(const std::string& data) {
    if (data.empty() || data.back() != '\0') return false;
    std::string text = data.substr(0, data.size() - 1);
    return text.find('\0') == std::string::npos && !HasLineBreak(text);
}

void HexValue(std::string& out, std::string line, const std::string& data) {
    char buf[4];
    std::size_t onLine = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(data[i]));
        std::string piece = buf;
        if (i + 1 < data.size()) piece += ',';
        if (onLine > 0 && line.size() + piece.size() > kLineWidth) {
            out += line + "\\" + kCrLf;
            line = "  ";
            onLine = 0;
        }
        line += piece;
        ++onLine;
    }
    out += line + kCrLf;
}

void WriteValue(std::string& out, const std::string& keyPath, const Value& v, Omissions& omitted) {
    if (UnwritableName(v.name)) {
        omitted.Value(out, keyPath, v.name);
        return;
    }
    std::string line = v.name.empty() ? "@=" : Quoted(v.name) + "=";
    if (v.type == 1 && IsPlainString(v.data)) {
        out += line + Quoted(v.data.substr(0, v.data.size() - 1)) + kCrLf;
        return;
    }
    if (v.type == 4 && v.data.size() == 4) {
        const unsigned char* u = reinterpret_cast<const unsigned char*>(v.data.data());
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%02x%02x%02x%02x", u[3], u[2], u[1], u[0]);
        out += line + buf + kCrLf;
        return;
    }
    if (v.type == 3) {
        line += "hex:";
    } else {
        char buf[24];
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
        line += buf;
    }
    HexValue(out, line, v.data);
}

void WriteKey(std::string& out, const std::string& path, const KeyBody& body, Omissions& omitted) {
    out += "[" + path + "]" + kCrLf;
    for (const Value& v : body.values) WriteValue(out, path, v, omitted);
    out += kCrLf;
    for (const SubKey& s : body.subKeys) {
        if (UnwritableName(s.name)) {
            omitted.Key(out, path + "\\" + s.name);
            continue;
        }
        WriteKey(out, path + "\\" + s.name, s.body, omitted);
    }
}

}  // namespace

std::string ExportRegedit4(const std::vector<KeyRecord>& records, std::vector<std::string>* omitted) {
    std::string out = std::string("REGEDIT4") + kCrLf + kCrLf;
    Omissions omissions(omitted);
    for (const KeyRecord& r : records) {
        // Machine-wide classes go where a restore writes them. A registry editor importing a
        // HKEY_CLASSES_ROOT key writes into the current user's class of that name when there is one.
        const char* root = r.root == kClassesRoot ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes" : RootName(r.root);
        if (!root) continue;
        std::string path = r.path.empty() ? std::string(root) : root + std::string("\\") + r.path;
        if (UnwritableName(r.path)) {
            omissions.Key(out, path);
            continue;
        }
        WriteKey(out, path, r.body, omissions);
    }
    return out;
}

}  // namespace backup
