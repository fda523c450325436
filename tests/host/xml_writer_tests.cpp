#include "doctest.h"

#include "xml/XmlEscape.h"
#include "xml/XmlWriter.h"

#include <cstdio>
#include <string>

namespace {

const char kPath[] = "xml_writer_test.xml";
const char kHeader[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::string Slurp(const char* path) {
    std::string out;
    if (FILE* f = std::fopen(path, "rb")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

}  // namespace

TEST_CASE("a snapshot-shaped document, byte for byte") {
    {
        XmlWriter w;
        w.SetFileName(kPath);
        XmlElement registry("registry");
        XmlElement root("k");
        root.SetAttribute("name", "HKEY_CLASSES_ROOT");
        XmlElement sub("k");
        sub.SetAttribute("name", "CLSID");
        XmlElement value("v");
        value.SetAttribute("name", "(Default)");
        value.SetAttribute("value", "C:\\x.dll");
        XmlElement dword("v");
        dword.SetAttribute("name", "n");
        dword.SetAttribute("value", "0x00000001 (1)");
        dword.SetAttribute("type", "REG_DWORD");
        XmlElement empty("k");
        empty.SetAttribute("name", "leaf");

        registry.WriteStart(w, 1, true, true);
        root.WriteStart(w, 1, true, true);
        sub.WriteStart(w, 1, true, true);
        value.WriteEmpty(w, 1, true, true);
        dword.WriteEmpty(w, 1, true, true);
        empty.WriteEmpty(w, 1, true, true);
        sub.WriteEnd(w, -1, true, true);
        root.WriteEnd(w, -1, true, true);
        registry.WriteEnd(w, -1, true, true);
        CHECK(w.Indent() == 0);
        CHECK(w.Close());
    }
    CHECK(Slurp(kPath) == std::string(kHeader) +
                              " <registry>\r\n"
                              "  <k name=\"HKEY_CLASSES_ROOT\">\r\n"
                              "   <k name=\"CLSID\">\r\n"
                              "    <v name=\"(Default)\" value=\"C:\\x.dll\"/>\r\n"
                              "    <v name=\"n\" value=\"0x00000001 (1)\" type=\"REG_DWORD\"/>\r\n"
                              "    <k name=\"leaf\"/>\r\n"
                              "   </k>\r\n"
                              "  </k>\r\n"
                              " </registry>\r\n");
    std::remove(kPath);
}

TEST_CASE("indent and line-break switches, declarations, raw text and verbatim values") {
    {
        XmlWriter w;
        w.SetFileName(kPath);
        w.SetIndent(2);
        XmlElement a("a");
        a.SetAttribute("q", "say \"hi\" & <go>");  // the writer itself escapes nothing
        a.WriteStart(w, 1, false, false);         // indent 3, but not written
        CHECK(w.Indent() == 3);
        w.Write("text");
        a.WriteEnd(w, -1, false, true);
        CHECK(w.Indent() == 2);
        a.WriteEmpty(w, 2, true, false);  // four spaces, and the indent goes back
        CHECK(w.Indent() == 2);
        XmlElement decl("xml-stylesheet");
        decl.SetAttribute("href", "s.css");
        decl.WriteDeclaration(w, 1);  // always indented and ended with CR LF
        CHECK(w.Indent() == 3);
        w.SetIndent(-4);  // a negative indent writes no spaces
        a.WriteEnd(w, 0, true, true);
        w.Close();
    }
    // The header is unindented although the indent was 2 when it was written.
    CHECK(Slurp(kPath) == std::string(kHeader) +
                              "<a q=\"say \"hi\" & <go>\">text</a>\r\n"
                              "    <a q=\"say \"hi\" & <go>\"/>"
                              "   <?xml-stylesheet href=\"s.css\"?>\r\n"
                              "</a>\r\n");
    std::remove(kPath);
}

TEST_CASE("the header is written once per opening; closing starts a new file") {
    XmlWriter w;
    w.SetFileName(kPath);
    CHECK(w.Write("first"));
    w.SetFileName("ignored-while-open.xml");
    CHECK(w.Write("\r\n"));
    CHECK(w.IsOpen());
    w.SetIndent(5);
    CHECK(w.Close());
    CHECK(w.Indent() == 0);
    CHECK(Slurp(kPath) == std::string(kHeader) + "first\r\n");
    CHECK(w.Write("second"));
    w.Close();
    CHECK(Slurp(kPath) == std::string(kHeader) + "second");
    std::remove(kPath);

    // A file that cannot be created: Write says so; the element writers carry on regardless.
    XmlWriter bad;
    bad.SetFileName("no-such-folder/x.xml");
    CHECK_FALSE(bad.Write("x"));
    XmlElement("a").WriteStart(bad, 1, true, true);
    CHECK(bad.Indent() == 1);
    CHECK_FALSE(bad.IsOpen());
}

TEST_CASE("attributes keep their order; setting one again replaces it in place") {
    XmlElement e("v");
    e.SetAttribute("name", "a");
    e.SetAttribute("value", "1");
    e.SetAttribute("Name", "b");  // names are case-sensitive
    e.SetAttribute("name", "c");
    CHECK(e.AttributeCount() == 3);
    CHECK(e.AttributeName(0) == "name");
    CHECK(e.AttributeValue(0) == "c");
    CHECK(e.AttributeValue(1) == "1");
    CHECK(e.AttributeName(2) == "Name");
    CHECK(e.HasAttribute("Name"));
    CHECK_FALSE(e.HasAttribute("NAME"));
    CHECK(e.AttributeName(3).empty());
    CHECK(e.AttributeValue(-1).empty());
}

TEST_CASE("attribute escaping covers every character that ends a value") {
    CHECK(XmlEscapeAttribute("C:\\Bob's files\\a>b & \"c\" <d>") ==
          "C:\\Bob&apos;s files\\a&gt;b &amp; &quot;c&quot; &lt;d&gt;");
    CHECK(XmlUnescapeAttribute("C:\\Bob&apos;s files\\a&gt;b &amp; &quot;c&quot; &lt;d&gt;") ==
          "C:\\Bob's files\\a>b & \"c\" <d>");
    // One pass: what decoding produces is not decoded again.
    CHECK(XmlUnescapeAttribute("&amp;amp; &amp;lt; &amp;quot;") == "&amp; &lt; &quot;");
    CHECK(XmlEscapeAttribute("&amp;") == "&amp;amp;");
    // Files without the two newer entities read as before; unknown entities stay as they are.
    CHECK(XmlUnescapeAttribute("a&b &nbsp; &lt &#39; &") == "a&b &nbsp; &lt &#39; &");
    // Control characters: line breaks and tab as references, the others as references to their
    // pictures (XML 1.0 allows no reference to them); references to anything else stay as they are.
    CHECK(XmlEscapeAttribute("a\tb\r\nc\x01\x1f") == "a&#9;b&#13;&#10;c&#x2401;&#x241F;");
    CHECK(XmlUnescapeAttribute("&#x2401;&#x241f;&#xD;&#10;&#1;&#x2420;&#32;&#x;&#10") ==
          "\x01\x1f\r\n\x01&#x2420;&#32;&#x;&#10");
}
