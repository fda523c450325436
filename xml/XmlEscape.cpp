#include "xml/XmlEscape.h"

namespace {

struct Entity {
    char c;
    std::string_view name;
};

constexpr Entity kEntities[] = {
    {'&', "&amp;"}, {'"', "&quot;"}, {'<', "&lt;"}, {'\'', "&apos;"}, {'>', "&gt;"}};

}  // namespace

std::string XmlEscapeAttribute(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        std::string_view entity;
        for (const Entity& e : kEntities)
            if (e.c == c) entity = e.name;
        if (entity.empty())
            out += c;
        else
            out += entity;
    }
    return out;
}

std::string XmlUnescapeAttribute(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const Entity& e : kEntities) {
                if (text.compare(i, e.name.size(), e.name) == 0) {
                    out += e.c;
                    i += e.name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}
