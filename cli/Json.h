// A small JSON writer for the console program's machine-readable output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonWriter {
public:
    // Strings given to the writer are in the ANSI code page; they are written as UTF-8.
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& name);
    JsonWriter& String(const std::string& ansi);
    JsonWriter& Number(std::int64_t n);
    JsonWriter& Null();
    JsonWriter& Bool(bool b);

    const std::string& Text() const { return out_; }

private:
    void BeforeValue();
    void Quoted(const std::string& utf8);

    std::string out_;
    std::vector<bool> hasItems_;  // one per open object or array
    bool afterKey_ = false;
};
