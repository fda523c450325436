// Snapshots: the keys and values a fix removes, written as XML before they go, and applied back.
#include "log/EventLog.h"
#include "platform/Codepage.h"
#include "platform/Handles.h"
#include "platform/SafeFile.h"
#include "platform/Text.h"
#include "registry/RegistryLib.h"
#include "xml/XmlEscape.h"
#include "xml/XmlReader.h"
#include "xml/XmlWriter.h"

#include <algorithm>
#include <string>
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

namespace {

// The key a chain of names leads to, opened or else created; null (and why) when it is neither.
HKEY OpenOrCreateKey(const std::vector<std::string>& names, std::string& problem, bool& created) {
    created = false;
    if (names.empty()) return nullptr;
    const std::string& root = names[0];
    const std::string sub = Join(names, 1);
    HKEY key = nullptr;
    if (CRegistryLib::OpenKey(root, sub, &key) == ERROR_SUCCESS) return key;
    std::string physical = sub;
    HKEY rootKey = CRegistryLib::RecordRoot(root, physical);
    if (rootKey && CRegistryLib::CreateSubKey(rootKey, physical, &key) == ERROR_SUCCESS) {
        created = true;
        return key;
    }
    problem = "couldn't create key " + root + "\\" + sub;
    return nullptr;
}

// Sets a value from its snapshot text; false (and why) when the text is not of its type or the
// registry refuses the value.
bool SetValueFromText(HKEY key, const std::string& name, const std::string& text, const std::string& typeName,
                      std::string& problem) {
    const bool unnamed = tw::EqualsNoCase(name, kDefaultName);
    const DWORD type = CRegistryLib::TypeFromName(typeName);
    const std::vector<unsigned char> data = CRegistryLib::ParseValue(text, type);
    if (data.empty()) {
        problem = "couldn't set value " + name + ": \"" + text + "\" is not " +
                  (typeName.empty() ? std::string("REG_SZ") : typeName) + " text";
        return false;
    }
    LONG rc = RegSetValueExA(key, unnamed ? nullptr : name.c_str(), 0, type, data.data(),
                             static_cast<DWORD>(data.size()));
    if (rc == ERROR_SUCCESS) return true;
    problem = "couldn't set value " + name + " (error " + std::to_string(rc) + ")";
    return false;
}

// Only a file on a disk can be a snapshot: a folder or a device such as CON never is, and a link
// (or a file with a second name) is not read at all, whatever it leads to. Empty when it can be read.
std::string Unreadable(const std::string& path) {
    tw::UniqueFile file;
    const DWORD error = tw::OpenOwnFile(path, GENERIC_READ, file);
    if (error == tw::kLinkRefused) return path + " is a link or has a second name: it is not read as a snapshot";
    if (error != ERROR_SUCCESS || GetFileType(file.get()) != FILE_TYPE_DISK)
        return path + " cannot be read as a file: a folder or a device is not a snapshot";
    return {};
}

bool IsBlankText(const std::string& text) { return tw::Trim(text).empty(); }

// Whether an element may stand inside its parent (empty: at the top of the document).
bool Belongs(const std::string& element, const std::string& parent) {
    if (tw::EqualsNoCase(element, "registry")) return parent.empty();
    if (tw::EqualsNoCase(element, "k")) return tw::EqualsNoCase(parent, "registry") || tw::EqualsNoCase(parent, "k");
    if (tw::EqualsNoCase(element, "v")) return tw::EqualsNoCase(parent, "k");
    return false;
}

}  // namespace

HKEY CRegistryLib::LoadAsXml_OpenKey(const std::vector<std::string>& names) {
    std::string problem;
    bool created = false;
    HKEY key = OpenOrCreateKey(names, problem, created);
    if (!key && !problem.empty()) Notify(problem);
    return key;
}

void CRegistryLib::LoadAsXml_SetValue(HKEY key, const std::string& name, const std::string& text,
                                      const std::string& typeName) {
    std::string problem;
    if (key && !SetValueFromText(key, name, text, typeName, problem)) Notify(problem);
}

// A snapshot is one "registry" element holding "k" elements; a "k" has a name and holds "v" and "k"
// elements; a "v" is empty and has a name and a value. The restore applies the file as it reads it
// and stops at the first thing it cannot read or apply: what it applied before stays, and one
// message says where it stopped.
bool CRegistryLib::RestoreFromXml(XmlReader& reader, const std::string& file) {
    struct Level {
        std::string name;
        tw::UniqueHKey key;
    };
    enum class AttributesOf { Nothing, Element, Declaration };
    std::vector<std::string> open;  // the elements not yet ended, from the root down
    std::vector<Level> keys;
    std::string element, pendingName, pendingText, pendingType, problem;
    bool hasName = false, hasText = false, awaitingKeyName = false, rootSeen = false, rootEnded = false;
    bool changed = false;
    AttributesOf attributes = AttributesOf::Nothing;

    reader.SetFileName(file);
    reader.SetOpener(tw::ReadOwnStream);
    reader.SetShowErrors(false);
    problem = Unreadable(file);
    const bool readable = problem.empty();
    while (problem.empty() && reader.Read()) {
        const XmlToken token = reader.Token();
        if (awaitingKeyName && token != XmlToken::Attribute && token != XmlToken::None) {
            problem = "a key without a name";
            break;
        }
        switch (token) {
            case XmlToken::StartElement: {
                element = AttributeIn(reader.ElementName());
                const std::string parent = open.empty() ? std::string() : open.back();
                if (rootEnded)
                    problem = "<" + element + "> after the end of the snapshot";
                else if (!Belongs(element, parent))
                    problem = "<" + element + "> does not belong " +
                              (parent.empty() ? "at the top" : "in <" + parent + ">") + " of a registry snapshot";
                open.push_back(element);
                rootSeen = true;
                awaitingKeyName = tw::EqualsNoCase(element, "k");
                hasName = hasText = false;
                pendingName.clear();
                pendingText.clear();
                pendingType.clear();
                attributes = AttributesOf::Element;
                break;
            }
            case XmlToken::Attribute: {
                if (attributes == AttributesOf::Declaration) break;
                if (attributes == AttributesOf::Nothing) {
                    problem = "an attribute outside a start tag";
                    break;
                }
                const std::string attr = AttributeIn(reader.AttributeName());
                const std::string value = AttributeIn(reader.AttributeValue());
                if (tw::EqualsNoCase(element, "k") && tw::EqualsNoCase(attr, "name")) {
                    if (!awaitingKeyName) {
                        problem = "a key with two names";
                        break;
                    }
                    awaitingKeyName = false;
                    std::vector<std::string> names;
                    for (const Level& l : keys) names.push_back(l.name);
                    names.push_back(value);
                    bool created = false;
                    keys.push_back({value, tw::UniqueHKey(OpenOrCreateKey(names, problem, created))});
                    changed = changed || created;
                } else if (tw::EqualsNoCase(element, "v")) {
                    if (tw::EqualsNoCase(attr, "name")) {
                        pendingName = value;
                        hasName = true;
                    } else if (tw::EqualsNoCase(attr, "value")) {
                        pendingText = value;
                        hasText = true;
                    } else if (tw::EqualsNoCase(attr, "type")) {
                        pendingType = value;
                    }
                }
                break;
            }
            case XmlToken::EndElement: {
                attributes = AttributesOf::Nothing;
                const std::string name = AttributeIn(reader.ElementName());
                if (open.empty() || !tw::EqualsNoCase(name, open.back())) {
                    problem = "</" + name + "> " + (open.empty() ? "ends nothing" : "does not end <" + open.back() + ">");
                    break;
                }
                open.pop_back();
                if (tw::EqualsNoCase(name, "k")) {
                    keys.pop_back();
                } else if (tw::EqualsNoCase(name, "v")) {
                    if (!hasName || !hasText)
                        problem = std::string("a value without its ") + (hasName ? "text" : "name");
                    else if (SetValueFromText(keys.back().key.get(), pendingName, pendingText, pendingType, problem))
                        changed = true;
                } else if (open.empty()) {
                    rootEnded = true;
                }
                break;
            }
            case XmlToken::Text:
                attributes = AttributesOf::Nothing;
                if (!IsBlankText(reader.Text())) problem = "text where only elements belong";
                break;
            case XmlToken::Declaration:
                attributes = AttributesOf::Declaration;
                if (rootSeen) problem = "a declaration inside the document";
                break;
            case XmlToken::CData:
                problem = "a CDATA section in a registry snapshot";
                break;
            case XmlToken::Comment:
                attributes = AttributesOf::Nothing;
                break;
            case XmlToken::None:
                break;
        }
    }
    // Problems found at the end of the file are placed in its last line, or line 1 of an empty one.
    const int line = std::max(reader.LineNumber(), readable ? 1 : 0);
    if (problem.empty() && !reader.ErrorText().empty())
        problem = reader.ErrorText();  // names its line itself
    else if (problem.empty() && !rootSeen)
        problem = file + (reader.LineNumber() == 0 ? " is empty" : " holds no <registry> element") +
                  " (line " + std::to_string(line) + "): it is not a registry snapshot";
    else if (problem.empty() && !open.empty())
        problem = "the file ends in line " + std::to_string(line) + " before </" + open.back() +
                  ">: the snapshot is cut short";
    else if (!problem.empty() && readable)
        problem += " (line " + std::to_string(line) + ")";
    keys.clear();
    reader.Close();
    // Like a backup's restore, each one leaves an event in the Application log.
    if (problem.empty()) {
        tw::WriteEvent(TW_EVENT_SNAPSHOT_APPLIED, tw::EventType::Information, {tw::EventFileName(file)});
        return true;
    }
    const std::string message =
        problem + (!changed ? "\nNothing was applied."
                            : "\nThe restore stopped at line " + std::to_string(line) +
                                  "; what it applied before that line stays in the registry.");
    Notify(message);
    tw::WriteEvent(TW_EVENT_SNAPSHOT_FAILED, tw::EventType::Error, {tw::EventFileName(file), message});
    return false;
}
