// Snapshots: the keys and values a fix removes, written as XML before they go, and applied back.
#include "platform/Codepage.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "registry/RegistryLib.h"
#include "xml/XmlEscape.h"
#include "xml/XmlReader.h"
#include "xml/XmlWriter.h"

#include <cstdio>
#include <vector>

namespace {

constexpr char kDefaultName[] = "(Default)";
constexpr char kNotSet[] = "(value not set)";

// Attribute text is escaped in the code page it comes in, then written as UTF-8; reading undoes
// both in the opposite order.
std::string AttributeOut(const std::string& ansi) { return tw::AnsiToUtf8(XmlEscapeAttribute(ansi)); }
std::string AttributeIn(const std::string& utf8) { return XmlUnescapeAttribute(tw::Utf8ToAnsi(utf8)); }

XmlElement KeyElement(const std::string& name) {
    XmlElement k("k");
    k.SetAttribute("name", AttributeOut(name));
    return k;
}

void WriteValue(XmlWriter& writer, const RegValueEntry& e) {
    XmlElement v("v");
    v.SetAttribute("name", AttributeOut(e.name));
    v.SetAttribute("value", AttributeOut(e.text));
    if (e.type != REG_NONE && e.type != REG_SZ) v.SetAttribute("type", AttributeOut(CRegistryLib::TypeName(e.type)));
    v.WriteEmpty(writer, +1, true, true);
}

bool IsUnsetDefault(const RegValueEntry& e) { return e.name == kDefaultName && e.text == kNotSet; }

std::string Join(const std::vector<std::string>& names, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < names.size(); ++i) {
        if (i > from) out += '\\';
        out += names[i];
    }
    return out;
}

}  // namespace

bool CRegistryLib::SnapshotPath(XmlWriter& writer, const std::string& path, const RegValueEntry* entry) {
    std::string rest = path;
    const std::string root = SeperateMainKey(rest);
    tw::UniqueHKey key;
    if (OpenKey(root, rest, key.put()) != ERROR_SUCCESS) return false;

    std::vector<std::string> names;
    for (std::size_t start = 0;;) {
        std::size_t slash = path.find('\\', start);
        names.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    for (const std::string& name : names) KeyElement(name).WriteStart(writer, +1, true, true);
    bool ok = SaveKeyAsXml(writer, std::string(), key.get(), entry);
    for (std::size_t i = 0; i < names.size(); ++i) XmlElement("k").WriteEnd(writer, -1, true, true);
    return ok;
}

bool CRegistryLib::SaveKeyAsXml(XmlWriter& writer, const std::string& name, HKEY key, const RegValueEntry* entry) {
    DWORD subKeys = 0, values = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    const bool hasContent = subKeys > 0 || values > 0;
    if (!name.empty()) {
        if (hasContent)
            KeyElement(name).WriteStart(writer, +1, true, true);
        else
            KeyElement(name).WriteEmpty(writer, +1, true, true);
    }

    if (entry) {
        // Written from the record, whether or not the value is still there.
        if (!IsUnsetDefault(*entry)) WriteValue(writer, *entry);
    } else {
        std::vector<RegValueEntry> list;
        ListValues(key, list);
        for (const RegValueEntry& e : list)
            if (!IsUnsetDefault(e)) WriteValue(writer, e);
    }

    std::string subName;
    for (DWORD index = 0; EnumSubKey(key, index, subName) == ERROR_SUCCESS; ++index) {
        tw::UniqueHKey sub;
        if (OpenSubKey(key, subName, sub.put()) != ERROR_SUCCESS) continue;
        if (!SaveKeyAsXml(writer, subName, sub.get(), nullptr)) return false;
    }

    if (!name.empty() && hasContent) XmlElement("k").WriteEnd(writer, -1, true, true);
    return true;
}

HKEY CRegistryLib::LoadAsXml_OpenKey(const std::vector<std::string>& names) {
    if (names.empty()) return nullptr;
    const std::string& root = names[0];
    const std::string sub = Join(names, 1);
    HKEY key = nullptr;
    if (OpenKey(root, sub, &key) == ERROR_SUCCESS) return key;
    HKEY rootKey = RootKey(root);
    if (!rootKey) return nullptr;
    if (CreateSubKey(rootKey, sub, &key) == ERROR_SUCCESS) return key;
    char text[1024];
    std::snprintf(text, sizeof text, "couldn't create key %s\\%s", root.c_str(), sub.c_str());
    Notify(text);
    return nullptr;
}

void CRegistryLib::LoadAsXml_SetValue(HKEY key, const std::string& name, const std::string& text,
                                      const std::string& typeName) {
    if (!key) return;
    const bool unnamed = tw::EqualsNoCase(name, kDefaultName);
    const DWORD type = TypeFromName(typeName);
    const std::vector<unsigned char> data = ParseValue(text, type);
    if (!data.empty() && RegSetValueExA(key, unnamed ? nullptr : name.c_str(), 0, type, data.data(),
                                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS)
        return;
    char message[1024];
    std::snprintf(message, sizeof message, "couldn't set value %s", name.c_str());
    Notify(message);
}

bool CRegistryLib::RestoreFromXml(XmlReader& reader, const std::string& file) {
    struct Level {
        std::string name;
        tw::UniqueHKey key;
    };
    reader.SetFileName(file);
    reader.SetShowErrors(true, notifier_);
    std::vector<Level> stack;
    std::string element, pendingName, pendingText, pendingType;
    bool completed = true;

    while (completed && reader.Read()) {
        switch (reader.Token()) {
            case XmlToken::StartElement:
                element = AttributeIn(reader.ElementName());
                break;
            case XmlToken::Attribute: {
                const std::string attr = AttributeIn(reader.AttributeName());
                const std::string value = AttributeIn(reader.AttributeValue());
                if (tw::EqualsNoCase(element, "k") && tw::EqualsNoCase(attr, "name")) {
                    std::vector<std::string> names;
                    for (const Level& l : stack) names.push_back(l.name);
                    names.push_back(value);
                    stack.push_back({value, tw::UniqueHKey(LoadAsXml_OpenKey(names))});
                    if (!stack.back().key) completed = false;
                } else if (tw::EqualsNoCase(element, "v")) {
                    if (tw::EqualsNoCase(attr, "name")) {
                        pendingName = value;
                        pendingText.clear();
                        pendingType.clear();
                    } else if (tw::EqualsNoCase(attr, "value")) {
                        pendingText = value;
                        pendingType.clear();
                    } else if (tw::EqualsNoCase(attr, "type")) {
                        pendingType = value;
                    }
                }
                break;
            }
            case XmlToken::EndElement: {
                const std::string name = AttributeIn(reader.ElementName());
                bool popped = false;
                if (tw::EqualsNoCase(name, "k") && !stack.empty()) {
                    stack.pop_back();
                    popped = true;
                } else if (tw::EqualsNoCase(name, "v") && !stack.empty() && stack.back().key) {
                    LoadAsXml_SetValue(stack.back().key.get(), pendingName, pendingText, pendingType);
                }
                if (!popped) {
                    pendingName.clear();
                    pendingText.clear();
                    pendingType.clear();
                }
                break;
            }
            default:
                break;
        }
    }
    // A file that breaks off with a syntax error was not applied completely, whatever came before.
    if (!reader.ErrorText().empty()) completed = false;
    stack.clear();
    reader.Close();
    return completed;
}
