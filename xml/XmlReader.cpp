#include "xml/XmlReader.h"

#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r'; }

}  // namespace

XmlReader::~XmlReader() { Close(); }

void XmlReader::SetFileName(const std::string& path) {
    if (open_) return;
    fileName_ = path;
    fromMemory_ = false;
    input_.clear();
}

void XmlReader::SetDocument(std::string bytes) {
    if (open_) return;
    fromMemory_ = true;
    input_ = std::move(bytes);
}

void XmlReader::SetShowErrors(bool show, tw::Notifier* notifier) {
    showErrors_ = show;
    if (notifier) notifier_ = notifier;
}

void XmlReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!fromMemory_) input_.clear();
    open_ = false;
    showErrors_ = false;
}

bool XmlReader::Open() {
    inputPos_ = 0;
    inputEnded_ = fromMemory_;
    if (!fromMemory_) {
        input_.clear();
        file_ = opener_ ? opener_(fileName_) : std::fopen(fileName_.c_str(), "rb");
        if (!file_) return false;
    }
    open_ = true;
    return true;
}

// The next line without its line break, as a text-mode read gives it: CR LF and a lone LF end a
// line, a CR anywhere else is an ordinary character. The file is read in chunks, never whole.
bool XmlReader::NextLine() {
    for (;;) {
        std::size_t lf = input_.find('\n', inputPos_);
        if (lf != std::string::npos || inputEnded_) {
            if (lf == std::string::npos) {
                if (inputPos_ >= input_.size()) return false;
                lf = input_.size();
            }
            std::size_t end = lf;
            if (lf < input_.size() && end > inputPos_ && input_[end - 1] == '\r') --end;
            line_.assign(input_, inputPos_, end - inputPos_);
            inputPos_ = lf < input_.size() ? lf + 1 : lf;
            return true;
        }
        if (inputPos_ > 0) {
            input_.erase(0, inputPos_);
            inputPos_ = 0;
        }
        char chunk[64 * 1024];
        std::size_t got = file_ ? std::fread(chunk, 1, sizeof chunk, file_) : 0;
        if (got == 0) inputEnded_ = true;
        input_.append(chunk, got);
    }
}

bool XmlReader::Read() {
    if (!open_) {
        pos_ = kNeedLine;
        lineNumber_ = 0;
        inComment_ = inCData_ = inTag_ = expectingValue_ = inText_ = false;
        errorText_.clear();
        elementName_.clear();
        text_.clear();
        attributeName_.clear();
        attributeValue_.clear();
        declarationText_.clear();
        if (!Open()) return false;
    }
    if (pos_ == kNeedLine) {
        line_.clear();
        if (!NextLine()) return false;
        pos_ = 0;
        ++lineNumber_;
        // A value that runs on past a line break keeps the break, even where the line ended right
        // after the opening quote or the line was empty: the writer wrote those bytes.
        if (expectingValue_ && !attributeValue_.empty()) attributeValue_ += "\r\n";
    }
    std::string message;
    if (Step(message)) return true;
    char buf[64];
    std::snprintf(buf, sizeof buf, "Parse error in line %d : (", lineNumber_);
    errorText_ = buf + message + ")";
    if (showErrors_ && notifier_) notifier_->Notify(errorText_);
    return false;
}

std::size_t XmlReader::SkipBlanks(std::size_t from) const {
    while (from < line_.size() && IsBlank(line_[from])) ++from;
    return from;
}

void XmlReader::EndOfTag() {
    inTag_ = false;
    expectingValue_ = false;
    inText_ = true;
    text_.clear();
}

bool XmlReader::Step(std::string& error) {
    token_ = XmlToken::None;
    const std::size_t n = line_.size();
    if (pos_ >= n) {
        pos_ = kNeedLine;
        return true;
    }
    if (inTag_ && !expectingValue_) {
        pos_ = SkipBlanks(pos_);
        if (pos_ >= n) {
            pos_ = kNeedLine;
            return true;
        }
    }
    if (inComment_) {
        SectionStep("-->", XmlToken::Comment);
        return true;
    }
    if (inCData_) {
        SectionStep("]]>", XmlToken::CData);
        return true;
    }
    if (expectingValue_) {
        ValueStep();
        return true;
    }
    if (inText_) {
        TextStep();
        return true;
    }
    return MarkupStep(error);
}

void XmlReader::SectionStep(const char* terminator, XmlToken whileInside) {
    std::size_t found = line_.find(terminator, pos_);
    if (found == std::string::npos) {
        pos_ = line_.size();
        token_ = whileInside;
        return;
    }
    pos_ = found + std::strlen(terminator);
    inComment_ = false;
    inCData_ = false;
    EndOfTag();
}

void XmlReader::ValueStep() {
    const std::size_t n = line_.size();
    if (attributeValue_.empty()) {
        pos_ = SkipBlanks(pos_);
        if (pos_ >= n) return;  // the value starts on a later line
        attributeValue_ = line_[pos_++];  // normally the opening quote
        return;
    }
    std::size_t stop = line_.find_first_of("\"'\n\r>", pos_);
    if (stop == std::string::npos) {
        attributeValue_.append(line_, pos_, std::string::npos);
        pos_ = n;  // the value goes on; the next line adds its line break
        return;
    }
    attributeValue_.append(line_, pos_, stop - pos_);
    attributeValue_.erase(0, attributeValue_.find_first_not_of("\"'"));
    token_ = XmlToken::Attribute;
    expectingValue_ = false;
    pos_ = line_[stop] == '>' ? stop : stop + 1;
}

void XmlReader::TextStep() {
    std::size_t stop = line_.find_first_of("\n\r<", pos_);
    if (stop == std::string::npos) stop = line_.size();
    if (stop < line_.size() && line_[stop] == '<') inText_ = false;
    text_.assign(line_, pos_, stop - pos_);
    if (!text_.empty()) token_ = XmlToken::Text;
    pos_ = stop;
    if (stop < line_.size() && line_[stop] != '<') ++pos_;
}

bool XmlReader::MarkupStep(std::string& error) {
    const std::size_t n = line_.size();
    switch (line_[pos_]) {
        case '<':
            return OpenTag(error);
        case '?':
            ++pos_;
            return true;
        case '/': {
            std::size_t stop = line_.find_first_of(" \n\r>", pos_ + 1);
            pos_ = stop == std::string::npos ? n : stop;
            token_ = XmlToken::EndElement;  // the element named by the start tag ends here
            return true;
        }
        case '>':
            EndOfTag();
            ++pos_;
            return true;
        default:
            break;
    }
    if (!inTag_) {
        error = "Syntax error";
        return false;
    }
    if (line_[pos_] == '=') {
        expectingValue_ = true;
        ++pos_;
        return true;
    }
    std::size_t stop = line_.find_first_of(" \n\r=>", pos_);
    if (stop == std::string::npos) stop = n;
    if (stop == pos_) {
        error = "Missing attribute name before '='";
        return false;
    }
    attributeName_.assign(line_, pos_, stop - pos_);
    attributeValue_.clear();
    pos_ = stop;
    return true;
}

bool XmlReader::OpenTag(std::string& error) {
    if (inTag_) {
        error = "Bad '<' symbol";
        return false;
    }
    inTag_ = true;
    inComment_ = inCData_ = inText_ = expectingValue_ = false;
    const std::size_t n = line_.size();
    pos_ = SkipBlanks(pos_ + 1);
    if (pos_ >= n) {
        error = "'<' symbol not allowed at the end of a line";
        return false;
    }
    if (line_.compare(pos_, 3, "!--") == 0) {
        token_ = XmlToken::Comment;
        inComment_ = true;
        pos_ += 3;
        return true;
    }
    if (line_.compare(pos_, 8, "![CDATA[") == 0) {
        token_ = XmlToken::CData;
        inCData_ = true;
        pos_ += 8;
        return true;
    }
    std::size_t end = pos_;
    while (end < n) {
        char c = line_[end];
        if (IsBlank(c) || c == '>' || (c == '/' && end != pos_)) break;
        ++end;
    }
    if (end == pos_) {
        error = "Empty element name";
        return false;
    }
    std::string name = line_.substr(pos_, end - pos_);
    pos_ = end;
    if (name[0] == '?' || name[0] == '!') {
        token_ = XmlToken::Declaration;
        declarationText_ = std::move(name);
        elementName_.clear();
    } else if (name[0] == '/') {
        token_ = XmlToken::EndElement;
        elementName_ = name.substr(1);
    } else {
        token_ = XmlToken::StartElement;
        elementName_ = std::move(name);
    }
    return true;
}
