#include "doctest.h"

#include "registry/PathCleanup.h"

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
