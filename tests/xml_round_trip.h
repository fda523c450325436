// The round trip behind the attribute property test and its fuzz target: two texts escaped and
// written as attribute values by XmlWriter, read back by XmlReader and un-escaped. The file in
// between holds no control character but its line ends.
#pragma once

#include "xml/XmlEscape.h"
#include "xml/XmlReader.h"
#include "xml/XmlWriter.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

inline bool XmlAttributeRoundTrip(const std::string& a, const std::string& b, std::string& why,
                                  const char* path = "xml_round_trip.tmp") {
    {
        XmlWriter w;
        w.SetFileName(path);
        XmlElement registry("registry");
        XmlElement first("v");
        first.SetAttribute("name", XmlEscapeAttribute(a));
        first.SetAttribute("value", XmlEscapeAttribute(b));
        XmlElement second("v");
        second.SetAttribute("name", "x");
        second.SetAttribute("value", XmlEscapeAttribute(b));
        second.SetAttribute("type", XmlEscapeAttribute(a));
        registry.WriteStart(w, 1, true, true);
        first.WriteEmpty(w, 1, true, true);
        second.WriteEmpty(w, 1, true, true);
        registry.WriteEnd(w, -1, true, true);
        if (!w.Close()) {
            why = "cannot write " + std::string(path);
            return false;
        }
    }
    // Well-formed: the only control characters in the file are the line ends of its five lines.
    {
        std::string bytes;
        if (std::FILE* f = std::fopen(path, "rb")) {
            char buf[4096];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
            std::fclose(f);
        }
        std::size_t controls = 0, lineEnds = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[i]) < 0x20) ++controls;
            if (bytes.compare(i, 2, "\r\n") == 0) ++lineEnds;
        }
        if (controls != 2 * lineEnds || lineEnds != 5) {
            why = "control characters written raw";
            return false;
        }
    }
    const std::vector<std::pair<std::string, std::string>> expected{
        {"name", a}, {"value", b}, {"name", "x"}, {"value", b}, {"type", a}};
    std::vector<std::pair<std::string, std::string>> got;
    std::string elements;
    XmlReader r;
    r.SetFileName(path);
    while (r.Read()) {
        if (r.Token() == XmlToken::Attribute && r.ElementName() == "v")
            got.emplace_back(r.AttributeName(), XmlUnescapeAttribute(r.AttributeValue()));
        else if (r.Token() == XmlToken::StartElement)
            elements += "<" + r.ElementName();
        else if (r.Token() == XmlToken::EndElement)
            elements += "/" + r.ElementName();
    }
    r.Close();
    std::remove(path);
    if (!r.ErrorText().empty()) {
        why = r.ErrorText();
        return false;
    }
    if (elements != "<registry<v/v<v/v/registry") {
        why = "elements read: " + elements;
        return false;
    }
    if (got != expected) {
        why = "attributes read back differ";
        return false;
    }
    return true;
}
