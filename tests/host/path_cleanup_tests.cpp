#include "doctest.h"

#include "registry/PathCleanup.h"
#include "registry/ViewPath.h"

#include <map>

namespace {

class FakeEnvironment : public PathEnvironment {
public:
    std::map<std::string, std::string> vars{{"%SystemRoot%", "C:\\WINDOWS"},
                                            {"%ProgramFiles%", "C:\\Program Files"}};
    std::string Expand(const std::string& piece) const override {
        auto it = vars.find(piece);
        return it == vars.end() ? piece : it->second;
    }
    std::string SystemDirectory() const override { return "C:\\WINDOWS\\system32"; }
    std::string WindowsDirectory() const override { return "C:\\WINDOWS"; }
};

}  // namespace

TEST_CASE("command text cleanup: quotes, options, one variable") {
    FakeEnvironment env;
    auto clean = [&](const char* text) { return CleanPath(text, CleanupVariant::Class, env); };

    CHECK(clean("\"C:\\Program Files\\App\\app.dll\"") == "C:\\Program Files\\App\\app.dll");
    // The blank before a "/" option stays in the path.
    CHECK(clean("\"C:\\App\\srv.exe\" /Automation") == "C:\\App\\srv.exe ");
    CHECK(clean("C:\\App\\srv.exe -Embedding") == "C:\\App\\srv.exe");
    // A "/" or " -" at the very start is not an option.
    CHECK(clean("/x\\y.dll") == "/x\\y.dll");
    CHECK(clean("-x\\y.dll") == "-x\\y.dll");
    CHECK(clean("%SystemRoot%\\system32\\shell32.dll") == "C:\\WINDOWS\\system32\\shell32.dll");
    // Every occurrence of the first variable is replaced; a second variable is left alone.
    CHECK(clean("%SystemRoot%\\a;%SystemRoot%\\b") == "C:\\WINDOWS\\a;C:\\WINDOWS\\b");
    CHECK(clean("%ProgramFiles%\\%SystemRoot%") == "C:\\Program Files\\%SystemRoot%");
    // An undefined variable stays; a lone "%" changes nothing, and neither gets a directory.
    CHECK(clean("%NoSuchVar%\\x.dll") == "%NoSuchVar%\\x.dll");
    CHECK(clean("50%.dll") == "50%.dll");
    CHECK(clean("shdocvw.dll") == "C:\\WINDOWS\\system32\\shdocvw.dll");
    CHECK(clean("") == "C:\\WINDOWS\\system32\\");
}

TEST_CASE("a long expansion is taken whole") {
    FakeEnvironment env;
    std::string longDir = "C:\\" + std::string(400, 'd');
    env.vars["%Long%"] = longDir;
    CHECK(CleanPath("%Long%\\x.dll", CleanupVariant::SharedTool, env) == longDir + "\\x.dll");
}

TEST_CASE("variants complete bare names differently") {
    FakeEnvironment env;
    CHECK(CleanPath("arial.ttf", CleanupVariant::Font, env) == "C:\\WINDOWS\\fonts\\arial.ttf");
    CHECK(CleanPath("D:\\Fonts\\my.ttf", CleanupVariant::Font, env) == "D:\\Fonts\\my.ttf");
    CHECK(CleanPath("msvcrt.dll", CleanupVariant::SharedFile, env) == "C:\\WINDOWS\\system32\\msvcrt.dll");
    CHECK(CleanPath("tool.exe", CleanupVariant::SharedTool, env) == "C:\\WINDOWS\\system32\\tool.exe");
}

TEST_CASE("help files join the folder text and the value name with one backslash") {
    FakeEnvironment env;
    CHECK(CleanHelpPath("C:\\Help\\", "app.hlp", env) == "C:\\Help\\app.hlp");
    CHECK(CleanHelpPath("C:\\windows", "notepad.exe", env) == "C:\\windows\\notepad.exe");
    CHECK(CleanHelpPath("%SystemRoot%", "app.hlp", env) == "C:\\WINDOWS\\app.hlp");
    CHECK(CleanHelpPath("\"%SystemRoot%\\Help\\\"", "app.hlp", env) == "C:\\WINDOWS\\Help\\app.hlp");
    // A folder without any backslash lies in the system directory; an empty one is that directory.
    CHECK(CleanHelpPath("Help", "app.hlp", env) == "C:\\WINDOWS\\system32\\Help\\app.hlp");
    CHECK(CleanHelpPath("", "app.hlp", env) == "C:\\WINDOWS\\system32\\app.hlp");
}

TEST_CASE("the 32-bit registry view's keys lie under Wow6432Node") {
    CHECK(Wow6432NodePath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Run") ==
          "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Run");
    CHECK(Wow6432NodePath("hkey_local_machine\\Software\\Classes\\CLSID\\x") ==
          "hkey_local_machine\\Software\\Classes\\Wow6432Node\\CLSID\\x");
    CHECK(Wow6432NodePath("HKEY_CLASSES_ROOT\\CLSID") == "HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID");

    // The editor is shown the physical key: records name it already, but for a class record's
    // HKEY_CLASSES_ROOT, which stands for the machine-wide classes.
    CHECK(RegistryEditorPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Run") == "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Run");
    CHECK(RegistryEditorPath("HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{x}") ==
          "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\{x}");
    CHECK(RegistryEditorPath("HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{x}") ==
          "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{x}");
    CHECK(RegistryEditorPath("HKEY_CLASSES_ROOT_X\\CLSID") == "HKEY_CLASSES_ROOT_X\\CLSID");
    CHECK(Wow6432NodePath("HKEY_CURRENT_USER\\Software\\Classes\\CLSID") ==
          "HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\CLSID");
    // Not redirected: other roots and keys, the redirected keys themselves, and nothing below them.
    for (const char* same : {"HKEY_CURRENT_USER\\Software\\X", "HKEY_LOCAL_MACHINE\\SYSTEM\\X",
                             "HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\", "HKEY_CLASSES_ROOT",
                             "HKEY_LOCAL_MACHINE\\SOFTWARE\\wow6432node\\X", "HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID",
                             "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes", "HKEY_CURRENT_USER\\Software\\Classes",
                             "HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\CLSID", ""})
        CHECK(Wow6432NodePath(same).empty());
}

TEST_CASE("a 64-bit program's program folders expand where the environment names them") {
    FakeEnvironment env;
    NativeProgramFolders native(env);
    // Not defined (32-bit Windows): as before.
    CHECK(CleanPath("%ProgramFiles%\\a.exe", CleanupVariant::SharedFile, native) == "C:\\Program Files\\a.exe");
    env.vars["%ProgramW6432%"] = "C:\\Program Files 64";
    env.vars["%CommonProgramW6432%"] = "C:\\Common 64";
    CHECK(CleanPath("%programfiles%\\a.exe", CleanupVariant::SharedFile, native) == "C:\\Program Files 64\\a.exe");
    CHECK(native.Expand("%CommonProgramFiles%") == "C:\\Common 64");
    CHECK(native.Expand("%SystemRoot%") == "C:\\WINDOWS");
    CHECK(native.SystemDirectory() == "C:\\WINDOWS\\system32");
}
