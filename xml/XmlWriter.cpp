#include "xml/XmlWriter.h"

namespace {

const char kLineBreak[] = "\r\n";

std::string Spaces(int count) { return std::string(count > 0 ? static_cast<std::size_t>(count) : 0, ' '); }

}  // namespace

void XmlWriter::SetFileName(const std::string& path) {
    if (!open_) fileName_ = path;
}

bool XmlWriter::Write(const std::string& text) {
    if (!open_) {
        // Binary: the lines carry their own CR LF.
        file_ = opener_ ? opener_(fileName_) : std::fopen(fileName_.c_str(), "wb");
        if (!file_) return false;
        open_ = true;
        failed_ = false;
    }
    if (!headerWritten_) {
        headerWritten_ = true;
        int saved = indent_;
        indent_ = 0;
        XmlElement header("xml");
        header.SetAttribute("version", "1.0");
        header.SetAttribute("encoding", "UTF-8");
        header.WriteDeclaration(*this, 0);
        indent_ = saved;
    }
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        failed_ = true;
        return false;
    }
    return true;
}

bool XmlWriter::Close() {
    bool ok = !failed_;
    if (file_) {
        if (std::fclose(file_) != 0) ok = false;
    }
    file_ = nullptr;
    open_ = false;
    headerWritten_ = false;
    failed_ = false;
    indent_ = 0;
    return ok;
}

void XmlElement::SetAttribute(const std::string& name, const std::string& value) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) {
            values_[i] = value;
            return;
        }
    }
    names_.push_back(name);
    values_.push_back(value);
}

bool XmlElement::HasAttribute(const std::string& name) const {
    for (const std::string& n : names_)
        if (n == name) return true;
    return false;
}

std::string XmlElement::AttributeName(int index) const {
    return index >= 0 && index < AttributeCount() ? names_[static_cast<std::size_t>(index)] : std::string();
}

std::string XmlElement::AttributeValue(int index) const {
    return index >= 0 && index < AttributeCount() ? values_[static_cast<std::size_t>(index)] : std::string();
}

std::string XmlElement::OpenLine(const XmlWriter& writer, bool indentFirst, const char* opener) const {
    std::string line = indentFirst ? Spaces(writer.Indent()) : std::string();
    line += opener;
    line += name_;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        line += ' ';
        line += names_[i];
        line += "=\"";
        line += values_[i];
        line += '"';
    }
    return line;
}

void XmlElement::WriteStart(XmlWriter& writer, int delta, bool indentFirst, bool lineBreak) const {
    writer.SetIndent(writer.Indent() + delta);
    std::string line = OpenLine(writer, indentFirst, "<") + ">";
    if (lineBreak) line += kLineBreak;
    writer.Write(line);
}

void XmlElement::WriteEmpty(XmlWriter& writer, int delta, bool indentFirst, bool lineBreak) const {
    writer.SetIndent(writer.Indent() + delta);
    std::string line = OpenLine(writer, indentFirst, "<") + "/>";
    if (lineBreak) line += kLineBreak;
    writer.Write(line);
    writer.SetIndent(writer.Indent() - delta);
}

void XmlElement::WriteEnd(XmlWriter& writer, int delta, bool indentFirst, bool lineBreak) const {
    std::string line = indentFirst ? Spaces(writer.Indent()) : std::string();
    line += "</" + name_ + ">";
    if (lineBreak) line += kLineBreak;
    writer.Write(line);
    writer.SetIndent(writer.Indent() + delta);
}

void XmlElement::WriteDeclaration(XmlWriter& writer, int delta) const {
    writer.SetIndent(writer.Indent() + delta);
    writer.Write(OpenLine(writer, true, "<?") + "?>" + kLineBreak);
}
