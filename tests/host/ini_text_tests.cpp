// The skin description's INI text answers as the profile functions do for the same file (the
// Windows tests compare the two directly; these pin the answers down under the sanitizers).
#include "doctest.h"

#include "skin/IniText.h"

using Names = std::vector<std::string>;

namespace {

std::string Get(const IniText& ini, const std::string& section, const std::string& key, const std::string& def = "-") {
    return ini.Value(section, key, def, 2048);
}

}  // namespace

TEST_CASE("sections, keys and values: blanks, letter case, quotes, comments, duplicates") {
    const char text[] = "top=1\n"
                        "[ Main ] tail\r\n"
                        "  Key \t=  \"  v  \"  \r\n"
                        "bare\r"
                        ";note=c\r\n"
                        "twice\n twice = first\ntwice=second\n"
                        "q='a\"\nqq=\"\"\"\nblank=\v\x1a\f\n"
                        "nul=x\0y\nn\0m=z\n"
                        "[c\n"
                        "[MAIN]\nkey=other\nonly=here\n"
                        "[B]]\n=x\nafter=1\n"
                        "[E]\nv=\xA0" "1\xA0";
    const IniText ini(std::string(text, sizeof text - 1));
    CHECK(Get(ini, "  main\t", " KEY ") == "  v  ");
    CHECK(Get(ini, "", "top") == "1");
    CHECK(Get(ini, "Main", "bare") == "-");   // no "=": not a value
    CHECK(Get(ini, "Main", "twice") == "-");  // the first key of a name answers
    CHECK(Get(ini, "Main", ";note") == "c");  // comments are keys to a direct question
    CHECK(Get(ini, "Main", "q") == "'a\"");
    CHECK(Get(ini, "Main", "qq") == "\"");
    CHECK(Get(ini, "Main", "blank").empty());
    CHECK(Get(ini, "Main", "nul") == "x");
    CHECK(Get(ini, "Main", "n") == "z");
    CHECK(Get(ini, "Main", "[c") == "-");
    CHECK(Get(ini, "Main", "only") == "-");   // a repeated section is never read
    CHECK(Get(ini, "B]", "") == "x");
    CHECK(Get(ini, "E", "v") == "\xA0" "1\xA0");
    CHECK(ini.Keys("main", 16384) == Names{"Key", "twice", "twice", "q", "qq", "blank", "nul", "n"});
    CHECK(ini.Keys(" Main", 16384).empty());  // the key list trims no blanks
    CHECK(ini.Keys("B]", 16384) == Names{});  // an empty name ends the list
    CHECK(ini.Keys("Missing", 16384).empty());
}

TEST_CASE("answers are cut to the space the profile functions give them") {
    const IniText ini("[S]\nlong=" + std::string(3000, 'v') + "\nq2048=\"" + std::string(2047, 'w') + "\"\n" +
                      "q2047=\"" + std::string(2046, 'w') + "\"\n[K]\nabcd=1\nefgh=2\nij=3\n");
    CHECK(Get(ini, "S", "long") == std::string(2047, 'v'));
    CHECK(Get(ini, "S", "q2047") == std::string(2046, 'w'));
    CHECK(Get(ini, "S", "q2048") == std::string(2046, 'w'));
    CHECK(ini.Keys("K", 10) == Names{"abcd", "efg"});
    CHECK(ini.Keys("K", 8) == Names{"abcd", "e"});
    CHECK(ini.Keys("K", 7) == Names{"abcd"});

    // Defaults lose trailing spaces and quotes too, file or no file.
    for (const IniText& text : {ini, IniText()}) {
        CHECK(Get(text, "S", "none", " \"d\"  ") == " \"d\"");
        CHECK(Get(text, "S", "none", "'d' ") == "d");
        CHECK(Get(text, "S", "none", "d\t") == "d\t");
        CHECK(Get(text, "S", "none", std::string(2100, 'd')) == std::string(2047, 'd'));
    }
    CHECK(IniText().Keys("", 16384).empty());
}
