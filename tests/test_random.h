// A small deterministic generator for generated test cases, so a failure reproduces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TestRandom {
    std::uint32_t state;
    std::uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    std::size_t Below(std::size_t n) { return Next() % n; }
    std::string Bytes(std::size_t n) {
        std::string s(n, '\0');
        for (char& ch : s) ch = static_cast<char>(Next());
        return s;
    }
};
