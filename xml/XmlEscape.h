// Attribute text for XmlWriter and from XmlReader. The reader ends a value at the first double
// quote, apostrophe or '>', so all three are written as entities along with '&' and '<'.
#pragma once

#include <string>
#include <string_view>

// '&' -> "&amp;", '"' -> "&quot;", '<' -> "&lt;", '\'' -> "&apos;", '>' -> "&gt;"; nothing else changes.
std::string XmlEscapeAttribute(std::string_view text);

// The inverse, in one pass from left to right, so an entity produced by decoding is never decoded
// again ("&amp;lt;" gives "&lt;"). Anything that is not one of the five entities stays as it is.
std::string XmlUnescapeAttribute(std::string_view text);
