// Attribute text for XmlWriter and from XmlReader. The reader ends a value at the first double
// quote, apostrophe, line break or '>', so all of them are written as references, along with '&',
// '<' and the other control characters (which XML 1.0 allows in no form of their own).
#pragma once

#include <string>
#include <string_view>

// '&' -> "&amp;", '"' -> "&quot;", '<' -> "&lt;", '\'' -> "&apos;", '>' -> "&gt;"; tab, LF and CR ->
// "&#9;", "&#10;", "&#13;"; any other byte below 0x20 -> the reference to its picture in the Unicode
// "Control Pictures" block ("&#x2401;" for 0x01), which an XML 1.0 document may hold. Nothing else
// changes.
std::string XmlEscapeAttribute(std::string_view text);

// The inverse, in one pass from left to right, so an entity produced by decoding is never decoded
// again ("&amp;lt;" gives "&lt;"). A character reference stands for a control character when it
// names one (below 0x20) or its picture (U+2400 to U+241F). Anything else stays as it is.
std::string XmlUnescapeAttribute(std::string_view text);
