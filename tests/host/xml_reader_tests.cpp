#include "doctest.h"

#include "recording_notifier.h"
#include "xml/XmlReader.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Every step of a document as text: "Start:k", "End:k", "Attr:name=value", "Text:...",
// "Decl:?xml", "Comment", "CData", "None"; a parse error ends the list with "Error:<text>".
std::vector<std::string> Steps(XmlReader& r, bool withNone) {
    std::vector<std::string> out;
    for (int guard = 0; guard < 10000; ++guard) {
        if (!r.Read()) {
            if (!r.ErrorText().empty()) out.push_back("Error:" + r.ErrorText());
            return out;
        }
        switch (r.Token()) {
            case XmlToken::None:
                if (withNone) out.push_back("None");
                break;
            case XmlToken::StartElement: out.push_back("Start:" + r.ElementName()); break;
            case XmlToken::EndElement: out.push_back("End:" + r.ElementName()); break;
            case XmlToken::Attribute: out.push_back("Attr:" + r.AttributeName() + "=" + r.AttributeValue()); break;
            case XmlToken::Text: out.push_back("Text:" + r.Text()); break;
            case XmlToken::Declaration: out.push_back("Decl:" + r.DeclarationText()); break;
            case XmlToken::Comment: out.push_back("Comment"); break;
            case XmlToken::CData: out.push_back("CData"); break;
        }
    }
    out.push_back("no end");
    return out;
}

std::vector<std::string> Tokens(const std::string& doc, bool withNone = false) {
    XmlReader r;
    r.SetDocument(doc);
    return Steps(r, withNone);
}

using V = std::vector<std::string>;

}  // namespace

TEST_CASE("the writer's header line: declaration, two attributes, then None for '?' and '>'") {
    CHECK(Tokens("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", true) ==
          V{"Decl:?xml", "None", "None", "None", "Attr:version=1.0", "None", "None", "None",
            "Attr:encoding=UTF-8", "None", "None", "None"});
    // "<!DOCTYPE" is a declaration as well; the element name is emptied by it.
    CHECK(Tokens("<a>\r\n<!DOCTYPE x>\r\n<b>") == V{"Start:a", "Decl:!DOCTYPE", "Start:b"});
}

TEST_CASE("elements, indentation text and empty elements") {
    const std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        " <registry>\r\n"
        "  <k name=\"HKEY_CLASSES_ROOT\">\r\n"
        "   <v name=\"a\" value=\"1\" type=\"REG_DWORD\"/>\r\n"
        "  </k>\r\n"
        " </registry>\r\n";
    CHECK(Tokens(doc) == V{"Decl:?xml", "Attr:version=1.0", "Attr:encoding=UTF-8", "Text: ", "Start:registry",
                           "Text:  ", "Start:k", "Attr:name=HKEY_CLASSES_ROOT", "Text:   ", "Start:v", "Attr:name=a",
                           "Attr:value=1", "Attr:type=REG_DWORD", "End:v", "Text:  ", "End:k", "Text: ",
                           "End:registry"});
    // Text between tags, split at line ends; a lone CR ends a text token too.
    CHECK(Tokens("<a>one two\r\nthree</a>") == V{"Start:a", "Text:one two", "Text:three", "End:a"});
    CHECK(Tokens("<a>x\ry</a>") == V{"Start:a", "Text:x", "Text:y", "End:a"});
    // Blanks after '<' and inside tags are skipped; "/" ends a name only after its first character.
    CHECK(Tokens("<  a   b=\"1\"   ></a  >") == V{"Start:a", "Attr:b=1", "End:a"});
    CHECK(Tokens("<a/>") == V{"Start:a", "End:a"});
    CHECK(Tokens("<a/ >") == V{"Start:a", "End:a"});
    // '?', '/' and '>' are accepted outside a tag.
    CHECK(Tokens("?/x>y") == V{"End:", "Text:y"});
}

TEST_CASE("attribute values: quotes, unquoted text and values across lines") {
    CHECK(Tokens("<v a='x' b=\"y\">") == V{"Start:v", "Attr:a=x", "Attr:b=y"});
    // An unquoted value runs to the first quote or '>', blanks included.
    CHECK(Tokens("<v a=b c>") == V{"Start:v", "Attr:a=b c"});
    // A value holding the other kind of quote is cut at it, and the rest reads as a new name.
    CHECK(Tokens("<v a=\"it's\">") == V{"Start:v", "Attr:a=it"});
    // Blanks around '=' and a value that starts on a later line.
    CHECK(Tokens("<v a = \"x\">") == V{"Start:v", "Attr:a=x"});
    CHECK(Tokens("<v a=\r\n   \r\n\"x\">") == V{"Start:v", "Attr:a=x"});
    CHECK(Tokens("<v a\r\n=\"x\">") == V{"Start:v", "Attr:a=x"});
    // A value opened on one line and closed on the next has CR LF between the pieces.
    CHECK(Tokens("<v a=\"one\r\ntwo\" b=\"3\"/>") == V{"Start:v", "Attr:a=one\r\ntwo", "Attr:b=3", "End:v"});
    CHECK(Tokens("<v a=\"one\ntwo\"/>") == V{"Start:v", "Attr:a=one\r\ntwo", "End:v"});
    // Every line break inside a value is kept: empty lines, and breaks right after the quote or
    // right before the closing quote.
    CHECK(Tokens("<v a=\"\r\n\r\nx\r\n\r\n\"/>") == V{"Start:v", "Attr:a=\r\n\r\nx\r\n\r\n", "End:v"});
    CHECK(Tokens("<v a=\"\"/>") == V{"Start:v", "Attr:a=", "End:v"});
    // Leading quotes are all removed from the value.
    CHECK(Tokens("<v a=\"'x\">") == V{"Start:v", "Attr:a="});
}

TEST_CASE("comments and CDATA sections, on one line and across lines") {
    CHECK(Tokens("<!-- note --><a>") == V{"Comment", "Start:a"});
    CHECK(Tokens("<!-- one\r\ntwo <b>\r\nthree --> <a>") == V{"Comment", "Comment", "Comment", "Text: ", "Start:a"});
    CHECK(Tokens("<![CDATA[ x <y>\r\nz ]]><a/>") == V{"CData", "CData", "Start:a", "End:a"});
    CHECK(Tokens("<a><!----></a>") == V{"Start:a", "Comment", "End:a"});
}

TEST_CASE("each syntax error names its line") {
    struct {
        const char* doc;
        V tokens;
    } cases[] = {
        // A leading blank before the first tag.
        {" <a>", {"Error:Parse error in line 1 : (Syntax error)"}},
        {"\r\n\r\n <a>", {"Error:Parse error in line 3 : (Syntax error)"}},
        {"?x", {"Error:Parse error in line 1 : (Syntax error)"}},
        {"<a b=\"1\"\r\n<c>", {"Start:a", "Attr:b=1", "Error:Parse error in line 2 : (Bad '<' symbol)"}},
        {"<a>\r\n<b>x<   \r\n",
         {"Start:a", "Start:b", "Text:x", "Error:Parse error in line 2 : ('<' symbol not allowed at the end of a line)"}},
        {"<", {"Error:Parse error in line 1 : ('<' symbol not allowed at the end of a line)"}},
        {"<a>\r\n\r\n< >", {"Start:a", "Error:Parse error in line 3 : (Empty element name)"}},
        {"<>", {"Error:Parse error in line 1 : (Empty element name)"}},
    };
    for (const auto& c : cases) {
        CAPTURE(c.doc);
        CHECK(Tokens(c.doc) == c.tokens);
    }
}

TEST_CASE("parse errors are shown only while the flag is set; the text stays readable") {
    RecordingNotifier notifier;
    XmlReader r;
    r.SetDocument("<a\r\n<");
    r.SetShowErrors(true, &notifier);
    CHECK(Steps(r, false) == V{"Start:a", "Error:Parse error in line 2 : (Bad '<' symbol)"});
    REQUIRE(notifier.notices.size() == 1);
    CHECK(notifier.notices[0].text == "Parse error in line 2 : (Bad '<' symbol)");
    CHECK(r.ErrorText() == "Parse error in line 2 : (Bad '<' symbol)");

    // Close clears the flag: the same error read again is not shown.
    r.Close();
    CHECK(Steps(r, false).back() == "Error:Parse error in line 2 : (Bad '<' symbol)");
    CHECK(notifier.notices.size() == 1);
}

TEST_CASE("files: opened on the first read, text-mode line ends, a missing file fails quietly") {
    const char* path = "xml_reader_test.xml";
    FILE* f = std::fopen(path, "wb");
    REQUIRE(f);
    // CR LF and LF end lines; a CR before a CR LF stays in the line; no break after the last line.
    std::string doc = "<a x=\"1\r\n2\">\r\r\n<b/>\n</a>";
    // A document longer than one read chunk.
    doc += std::string(100000, ' ');
    std::fwrite(doc.data(), 1, doc.size(), f);
    std::fclose(f);

    XmlReader r;
    r.SetFileName(path);
    CHECK(Steps(r, false) == V{"Start:a", "Attr:x=1\r\n2", "Start:b", "End:b", "End:a",
                               "Text:" + std::string(100000, ' ')});
    CHECK(r.LineNumber() == 4);
    // A name set while open is ignored; after Close the reader starts again from the top.
    r.SetFileName("elsewhere.xml");
    r.Close();
    CHECK(Steps(r, false).size() == 6);
    r.Close();
    std::remove(path);

    RecordingNotifier notifier;
    XmlReader missing;
    missing.SetFileName("no-such-folder/none.xml");
    missing.SetShowErrors(true, &notifier);
    CHECK_FALSE(missing.Read());
    CHECK(missing.ErrorText().empty());
    CHECK(notifier.notices.empty());
}
