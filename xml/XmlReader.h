// A line-oriented pull reader for the small XML dialect of the registry snapshots. Each Read makes
// one step and reports one token; a tag, an attribute value, a comment or a CDATA section may span
// lines. It is not a general XML processor: no entities (see XmlEscape.h), namespaces or DTDs.
#pragma once

#include "platform/Notifier.h"
#include "xml/XmlFileOpener.h"

#include <cstdio>
#include <string>

enum class XmlToken {
    None = 0,          // nothing found; call again
    StartElement = 1,  // ElementName()
    EndElement = 2,    // ElementName()
    Attribute = 3,     // AttributeName(), AttributeValue()
    Text = 4,          // Text()
    Declaration = 5,   // DeclarationText(): the tag name with its leading '?' or '!'
    Comment = 6,       // the comment goes on
    CData = 7,         // the section goes on
};

class XmlReader {
public:
    XmlReader() = default;
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Both take effect only while the reader is closed. SetDocument reads the given bytes instead
    // of a file, exactly as if they were the file's contents.
    void SetFileName(const std::string& path);
    void SetDocument(std::string bytes);
    // How the file is opened ("rb" by name when none is set); takes effect at the next open.
    void SetOpener(XmlFileOpener opener) { opener_ = opener; }
    // A parse error is shown through the notifier only while the flag is set; Close clears it.
    void SetShowErrors(bool show, tw::Notifier* notifier = nullptr);

    // One step. False at the end of the document, when it cannot be opened (no message), or on a
    // parse error ("Parse error in line %d : (%s)" in ErrorText()).
    bool Read();

    XmlToken Token() const { return token_; }
    const std::string& ElementName() const { return elementName_; }
    const std::string& AttributeName() const { return attributeName_; }
    const std::string& AttributeValue() const { return attributeValue_; }
    const std::string& Text() const { return text_; }
    const std::string& DeclarationText() const { return declarationText_; }
    const std::string& ErrorText() const { return errorText_; }
    int LineNumber() const { return lineNumber_; }

    void Close();

private:
    static constexpr std::size_t kNeedLine = static_cast<std::size_t>(-1);

    bool Open();
    bool NextLine();
    bool Step(std::string& error);
    void SectionStep(const char* terminator, XmlToken whileInside);
    void ValueStep();
    void TextStep();
    bool MarkupStep(std::string& error);
    bool OpenTag(std::string& error);
    std::size_t SkipBlanks(std::size_t from) const;
    void EndOfTag();

    // Where the lines come from: a file read in chunks, or the whole document in memory.
    std::FILE* file_ = nullptr;
    XmlFileOpener opener_ = nullptr;
    bool fromMemory_ = false;
    std::string input_;
    std::size_t inputPos_ = 0;
    bool inputEnded_ = false;

    bool open_ = false;
    std::string fileName_;
    bool showErrors_ = false;
    tw::Notifier* notifier_ = nullptr;
    std::string errorText_;

    std::string line_;
    std::size_t pos_ = kNeedLine;
    int lineNumber_ = 0;
    XmlToken token_ = XmlToken::None;
    std::string elementName_, text_, attributeName_, attributeValue_, declarationText_;
    bool inComment_ = false, inCData_ = false, inTag_ = false, expectingValue_ = false, inText_ = false;
};
