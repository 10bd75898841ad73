#pragma once

#include <array>
#include <cstdint>

#include "source/text.h"

struct AsmState;

inline constexpr int SYMBOL_CAPACITY = 1000;
inline constexpr int SYMBOL_NAME_LEN = 10;
// Row handed to the encoder when a statement has no label.
inline constexpr int NO_ROW = -1;
// Row yielded in place of a new one once the table is full.
inline constexpr int OVERFLOW_ROW = 1;

enum SymbolKind : std::uint8_t {
    SYM_UNDEFINED = 0,
    SYM_LABEL = 2,
    SYM_EQU = 10,
};

struct SymbolEntry {
    std::array<char, SYMBOL_NAME_LEN> name;  // space-padded, case as written
    char terminator;                         // always NUL
    std::uint8_t kind;
    std::int32_t value;
};

// Finds the row of the name that starts at `start`, creating it when new.
int lookup_symbol(AsmState& st, SourceText text, int start);

// Defines or re-checks the label of the current statement; returns its row,
// or NO_ROW when the statement carries no label.
int define_label(AsmState& st);

bool is_comment_marker(char c);
