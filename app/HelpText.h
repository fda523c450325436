// The help page as plain text, for a window of the program's own: the shipped help.html is built
// in, and shown this way when the user's shell cannot open the page. No Windows here: the host
// build tests it.
#pragma once

#include <string>

// The text of an HTML page: the head, styles and scripts left out; paragraphs, headings, list items
// and table rows on lines of their own (CR LF), a row's cells joined by " - "; blanks collapsed
// except in <pre>; the common character entities decoded (a character the page numbers above 127
// becomes '?', the program's texts being ANSI).
std::string HtmlToText(const std::string& html);
