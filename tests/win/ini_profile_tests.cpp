// IniFile against GetPrivateProfileStringA itself: files holding what a skin description can hold,
// written by hand and generated, asked the same questions through both (IniFile after the file
// has gone, which is how the screens use it).
#include "doctest.h"

#include "skin/IniFile.h"
#include "skin_test_support.h"
#include "test_random.h"

#include <windows.h>

#include <iterator>
#include <memory>

using skintest::CurrentFolder;
using skintest::WriteFile;

namespace {

// What IniFile answered before it kept the text: the profile functions, asked the same way.
std::vector<std::string> ProfileKeys(const std::string& path, const std::string& section) {
    std::vector<std::string> keys;
    std::unique_ptr<char[]> buffer(new char[16385]());
    const DWORD got = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.get(), 16384, path.c_str());
    for (DWORD i = 0; i < got && buffer[i]; i += static_cast<DWORD>(keys.back().size()) + 1)
        keys.emplace_back(buffer.get() + i);
    return keys;
}

std::string ProfileString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& def) {
    char buffer[2048] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, sizeof buffer, path.c_str());
    return buffer;
}

const char* const kSections[] = {"", "Main", "main ", "\tMAIN", "B]", "[c", "\xE9", "\xC9", "x y", "none"};
const char* const kKeys[] = {"1", " 1 ", "Key", "KEY", "twice", ";note", "bare", "", "\xE9", "\xC9", "x y", "none"};
const char* const kDefaults[] = {"", "dflt", "  \"q d\"  ", "'x", "' '"};

// The questions that differ between the two readers for the file written with bytes.
std::vector<std::string> Differences(const std::string& bytes, const std::string& name, bool write = true) {
    if (write) WriteFile(name, bytes);
    const std::string path = CurrentFolder() + "\\" + name;
    const IniFile ini(path);
    std::vector<std::string> expectedKeys[std::size(kSections)];
    std::vector<std::string> expectedValues;
    for (std::size_t s = 0; s < std::size(kSections); ++s) {
        expectedKeys[s] = ProfileKeys(path, kSections[s]);
        for (std::size_t k = 0; k < std::size(kKeys); ++k)
            expectedValues.push_back(ProfileString(path, kSections[s], kKeys[k], kDefaults[(s + k) % 5]));
    }
    DeleteFileA(path.c_str());
    std::vector<std::string> wrong;
    std::vector<std::string> keys;
    for (std::size_t s = 0, v = 0; s < std::size(kSections); ++s) {
        ini.GetKeys(kSections[s], keys);
        if (keys != expectedKeys[s]) wrong.push_back(name + ": keys of [" + kSections[s] + "]");
        for (std::size_t k = 0; k < std::size(kKeys); ++k, ++v)
            if (ini.GetString(kSections[s], kKeys[k], kDefaults[(s + k) % 5]) != expectedValues[v])
                wrong.push_back(name + ": [" + kSections[s] + "] " + kKeys[k] + " = " + expectedValues[v]);
    }
    return wrong;
}

// The first difference and how many there are, to show when a check fails.
std::string Summary(const std::vector<std::string>& wrong) {
    return wrong.empty() ? "" : wrong.front() + " (" + std::to_string(wrong.size()) + " differences)";
}

// A literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// A description of lines drawn from the pieces the format's corners are made of.
std::string GeneratedFile(TestRandom& random) {
    const char* const names[] = {"Main", "main", "MAIN", "1", "Key", "twice", "\xE9", "\xC9", "x y", "B]", ""};
    const char* const values[] = {"v", "\"quoted\"", "'single'", "\"mis'", "\"", "\"\"", "a=b", "\xE9\xFF", "", "  x  "};
    const char* const blanks[] = {"", "", " ", "\t", "\x1a", "\v", "\xA0"};
    const char* const ends[] = {"\r\n", "\n", "\r", "\r\n\r\n"};
    auto pick = [&](const auto& list) { return std::string(list[random.Below(std::size(list))]); };
    std::string text;
    for (std::size_t line = random.Below(24); line > 0; --line) {
        const std::string name = pick(names), blank = pick(blanks);
        switch (random.Below(8)) {
        case 0: text += blank + "[" + pick(blanks) + name + pick(blanks) + "]" + (random.Below(3) ? "" : " tail"); break;
        case 1: text += ";note=" + pick(values); break;
        case 2: text += blank + name; break;  // no "="
        case 3: text += "[c"; break;
        case 4: text += name + std::string(1, '\0') + "=nul"; break;
        default: text += blank + name + pick(blanks) + "=" + pick(blanks) + pick(values) + blank; break;
        }
        if (line > 1 || random.Below(2)) text += pick(ends);
    }
    return text;
}

}  // namespace

TEST_CASE("IniFile answers as GetPrivateProfileStringA for files made by hand") {
    const std::pair<const char*, std::string> files[] = {
        {"layout.ini",
         "1=top\r\n[ Main ] tail\r\n  Key \t=  \"  v  \"  \r\nbare\r\n;note=c\r\ntwice\r\n twice = first\r\ntwice=2\r\n"
         "1=\"\"\"\r\n[c\r\n[MAIN]\r\nKey=again\r\n[B]]\r\n=x\r\nKey=1\r\n[\xE9]\r\n\xC9=\xE9\xFF\x81\r\n[x y]\r\nx y=z\r\n"},
        {"lf-no-end.ini", "[Main]\nKey=lf\r1=cr\n\n[B]]\nKey=\v\x1a\f\x1b\xA0"},
        {"long.ini", "[Main]\r\n1=" + std::string(3000, 'v') + "\r\nKey=\"" + std::string(2047, 'w') + "\"\r\ntwice=\"" +
                         std::string(2046, 'w') + "\"\r\n"},
        {"nul.ini", Bytes("[Main]\r\nKey=x\0y\r\nx\0z=1\r\n[B]\0]\r\n1=b\r\n")},
        {"empty.ini", ""},
        {"utf8.ini", "\xEF\xBB\xBF[\xC3\xA9]\r\nKey=\xC3\xA9\xE4\xB8\x80\xC3\r\n"},
        {"utf16le.ini", Bytes("\xFF\xFE[\0M\0a\0i\0n\0]\0\n\0" "1\0=\0\xE9\0\n\0")},
        {"utf16be.ini", Bytes("\xFE\xFF\0[\0M\0a\0i\0n\0]\0\n\0" "1\0=\0\xE9")},
    };
    for (const auto& file : files) {
        const auto wrong = Differences(file.second, file.first);
        CHECK_MESSAGE(wrong.empty(), Summary(wrong));
    }
    const auto missing = Differences("", "missing.ini", false);
    CHECK_MESSAGE(missing.empty(), Summary(missing));

    std::string many = "[Main]\r\n";
    for (int i = 0; i < 2000; ++i) many += "key" + std::to_string(10000 + i) + "=1\r\n";
    WriteFile("many.ini", many);
    const IniFile ini(CurrentFolder() + "\\many.ini");
    std::vector<std::string> keys;
    ini.GetKeys("Main", keys);
    CHECK(keys.size() == 1821);  // as many as 16384 characters hold, the last one cut
    CHECK(keys == ProfileKeys(ini.Path(), "Main"));

    // A bare name is a file of the Windows folder to both.
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    WriteFile("tw-bare.ini", "[Main]\r\nKey=here\r\n");
    const std::string windowsFile = std::string(folder) + "\\tw-bare.ini";
    REQUIRE(CopyFileA((CurrentFolder() + "\\tw-bare.ini").c_str(), windowsFile.c_str(), FALSE));
    WriteFile("tw-bare.ini", "[Main]\r\nKey=elsewhere\r\n");
    const IniFile bare("tw-bare.ini");
    CHECK(bare.Loaded());
    CHECK(bare.GetString("Main", "Key") == "here");
    CHECK(ProfileString("tw-bare.ini", "Main", "Key", "") == "here");
    DeleteFileA(windowsFile.c_str());
    CHECK_FALSE(IniFile(CurrentFolder() + "\\no-such.ini").Loaded());
}

TEST_CASE("IniFile answers as GetPrivateProfileStringA for generated files") {
    TestRandom random{0x1d2e3f4u};
    for (int n = 0; n < 40; ++n) {
        const std::string text = GeneratedFile(random);
        const auto wrong = Differences(text, "generated" + std::to_string(n) + ".ini");
        CHECK_MESSAGE(wrong.empty(), (Summary(wrong) + " in " + text));
    }
}
