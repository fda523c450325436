// XmlReader over arbitrary bytes: it must never crash, read out of bounds, or step without end,
// and its tokens must keep the shapes the snapshot restore relies on.
#include "xml/XmlReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct CheckingNotifier : tw::Notifier {
    int shown = 0;

protected:
    void Show(const std::string& text, tw::NoticeCaption) override {
        if (text.rfind("Parse error in line ", 0) != 0) __builtin_trap();
        ++shown;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckingNotifier notifier;
    XmlReader r;
    r.SetDocument(std::string(reinterpret_cast<const char*>(data), size));
    r.SetShowErrors(true, &notifier);
    // Every step moves on within its line or ends the line, so the number of steps is bounded.
    const std::size_t limit = 8 * (size + 1) + 16;
    std::size_t steps = 0;
    while (r.Read()) {
        if (++steps > limit) __builtin_trap();
        switch (r.Token()) {
            case XmlToken::StartElement:
                if (r.ElementName().empty()) __builtin_trap();
                break;
            case XmlToken::Attribute: {
                const std::string& v = r.AttributeValue();
                if (!v.empty() && (v[0] == '"' || v[0] == '\'')) __builtin_trap();
                break;
            }
            case XmlToken::Declaration:
                if (r.DeclarationText().empty()) __builtin_trap();
                break;
            default:
                break;
        }
    }
    if (notifier.shown != (r.ErrorText().empty() ? 0 : 1)) __builtin_trap();
    return 0;
}
