// Writes an XML document tag by tag: the declaration header first, every line ended by CR LF,
// nesting shown by space indentation. Names and values are written exactly as given; callers that
// need escaping use XmlEscape.h.
#pragma once

#include "xml/XmlFileOpener.h"

#include <cstdio>
#include <string>
#include <vector>

class XmlWriter {
public:
    XmlWriter() = default;
    ~XmlWriter() { Close(); }
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    // Takes effect only while the writer is closed.
    void SetFileName(const std::string& path);
    const std::string& FileName() const { return fileName_; }
    // How the file is created ("wb" by name when none is set); takes effect at the next open.
    void SetOpener(XmlFileOpener opener) { opener_ = opener; }
    int Indent() const { return indent_; }
    void SetIndent(int indent) { indent_ = indent; }
    bool IsOpen() const { return open_; }

    // Opens (creating or emptying) the file on the first call after the writer was closed and then
    // writes the declaration line; then writes the text's bytes unchanged. False when the file
    // cannot be created or the bytes did not all reach it.
    bool Write(const std::string& text);

    // Ends the document: the next Write starts a new file with a new header. False when any byte
    // written since the file was opened was lost (a full disk, for example).
    bool Close();

private:
    std::FILE* file_ = nullptr;
    XmlFileOpener opener_ = nullptr;
    bool open_ = false;
    bool headerWritten_ = false;
    bool failed_ = false;
    std::string fileName_;
    int indent_ = 0;
};

// One element: a name and its attributes in insertion order.
class XmlElement {
public:
    explicit XmlElement(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }
    // Replaces the value of an attribute of exactly this name in place, or appends the pair.
    void SetAttribute(const std::string& name, const std::string& value);
    bool HasAttribute(const std::string& name) const;
    int AttributeCount() const { return static_cast<int>(names_.size()); }
    // An index outside the list gives an empty string.
    std::string AttributeName(int index) const;
    std::string AttributeValue(int index) const;

    // The element writers move the writer's indent by delta: start and empty tags before the line
    // (an empty tag moves it back afterwards), end tags after it, so callers pass +1 for start and
    // empty tags and -1 for end tags.
    void WriteStart(XmlWriter& writer, int delta, bool indentFirst, bool lineBreak) const;
    void WriteEmpty(XmlWriter& writer, int delta, bool indentFirst, bool lineBreak) const;
    void WriteEnd(XmlWriter& writer, int delta, bool indentFirst, bool lineBreak) const;
    void WriteDeclaration(XmlWriter& writer, int delta) const;

private:
    std::string OpenLine(const XmlWriter& writer, bool indentFirst, const char* opener) const;

    std::string name_;
    std::vector<std::string> names_;
    std::vector<std::string> values_;
};
