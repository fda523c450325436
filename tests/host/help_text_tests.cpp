// The help page as plain text, for the program's own help window.
#include "doctest.h"

#include "app/HelpText.h"

TEST_CASE("an HTML page as lines of text") {
    SUBCASE("head, styles and comments are not text; blocks take lines of their own") {
        CHECK(HtmlToText("<html><head><title>T</title><style>p { x: 1 }</style></head>"
                         "<body><h1>Help</h1>\n<p>One   two\n three</p><!-- <p>no</p> --><p>Four<br>five</p></body>") ==
              "Help\r\n\r\nOne two three\r\n\r\nFour\r\nfive\r\n");
    }
    SUBCASE("a table's rows are lines and its cells joined") {
        CHECK(HtmlToText("<table><tr><th>A</th><th>B </th></tr>\n<tr><td>1</td>\n<td><code>x</code></td></tr></table>") ==
              "A - B\r\n1 - x\r\n");
        CHECK(HtmlToText("<tr><td></td><td>only</td></tr>") == "only\r\n");
    }
    SUBCASE("preformatted text keeps its lines and blanks") {
        CHECK(HtmlToText("<p>a</p><pre>x  y\n\nz</pre><p>b</p>") == "a\r\n\r\nx  y\r\n\r\nz\r\n\r\nb\r\n");
    }
    SUBCASE("character entities; what the ANSI texts cannot hold becomes '?'") {
        CHECK(HtmlToText("<p>a &amp; b &lt;c&gt; &quot;d&quot; &middot; &#65;&#x42; &#233; &bogus; & x</p>") ==
              "a & b <c> \"d\" - AB ? &bogus; & x\r\n");
    }
    SUBCASE("cut short") {
        CHECK(HtmlToText("<p>text <b") == "text\r\n");
        CHECK(HtmlToText("<p>text &amp") == "text &amp\r\n");
        CHECK(HtmlToText("").empty());
    }
}
