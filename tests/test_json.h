// A small JSON reader for checking the console program's output in tests.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace testjson {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::map<std::string, Value> members;

    const Value& operator[](const std::string& key) const {
        auto it = members.find(key);
        if (kind != Object || it == members.end()) throw std::runtime_error("no member " + key);
        return it->second;
    }
    const Value& operator[](std::size_t i) const {
        if (kind != Array || i >= items.size()) throw std::runtime_error("no item");
        return items[i];
    }
    std::size_t size() const { return kind == Array ? items.size() : members.size(); }
    long long Int() const { return static_cast<long long>(number); }
};

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}
    Value Parse() {
        Value v = ParseValue();
        Skip();
        if (p_ != s_.size()) throw std::runtime_error("trailing text");
        return v;
    }

private:
    void Skip() {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) ++p_;
    }
    char Peek() {
        Skip();
        if (p_ >= s_.size()) throw std::runtime_error("unexpected end");
        return s_[p_];
    }
    void Expect(char c) {
        if (Peek() != c) throw std::runtime_error(std::string("expected ") + c);
        ++p_;
    }
    Value ParseValue() {
        char c = Peek();
        Value v;
        if (c == '{') {
            v.kind = Value::Object;
            ++p_;
            if (Peek() == '}') return ++p_, v;
            for (;;) {
                std::string key = ParseString();
                Expect(':');
                v.members[key] = ParseValue();
                if (Peek() == ',') {
                    ++p_;
                    continue;
                }
                Expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = Value::Array;
            ++p_;
            if (Peek() == ']') return ++p_, v;
            for (;;) {
                v.items.push_back(ParseValue());
                if (Peek() == ',') {
                    ++p_;
                    continue;
                }
                Expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = Value::String;
            v.text = ParseString();
            return v;
        }
        if (s_.compare(p_, 4, "null") == 0) return p_ += 4, v;
        if (s_.compare(p_, 4, "true") == 0) return p_ += 4, v.kind = Value::Bool, v.boolean = true, v;
        if (s_.compare(p_, 5, "false") == 0) return p_ += 5, v.kind = Value::Bool, v;
        std::size_t used = 0;
        v.number = std::stod(s_.substr(p_), &used);
        v.kind = Value::Number;
        p_ += used;
        return v;
    }
    std::string ParseString() {
        Expect('"');
        std::string out;
        while (p_ < s_.size() && s_[p_] != '"') {
            char c = s_[p_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            char e = s_.at(p_++);
            switch (e) {
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    unsigned cp = static_cast<unsigned>(std::stoul(s_.substr(p_, 4), nullptr, 16));
                    p_ += 4;
                    if (cp < 0x80) {
                        out += static_cast<char>(cp);
                    } else if (cp < 0x800) {
                        out += static_cast<char>(0xC0 | (cp >> 6));
                        out += static_cast<char>(0x80 | (cp & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (cp >> 12));
                        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (cp & 0x3F));
                    }
                    break;
                }
                default: out += e;
            }
        }
        Expect('"');
        return out;
    }

    const std::string& s_;
    std::size_t p_ = 0;
};

inline Value Parse(const std::string& text) { return Parser(text).Parse(); }

}  // namespace testjson
