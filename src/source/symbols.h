#pragma once

#include <array>
#include <string_view>

#include "base/asm_state.h"
#include "source/text.h"

// Row handed to the encoder when a statement has no label.
inline constexpr int NO_ROW = -1;
// Row yielded in place of a new one once the table is full.
inline constexpr int OVERFLOW_ROW = 1;

// The characters that end a name: NUL, space, "*", "+", ",", "-".
inline constexpr std::array<bool, 256> name_ends = [] {
    std::array<bool, 256> ends{};
    ends['\0'] = ends[' '] = ends['*'] = ends['+'] = ends[','] = ends['-'] = true;
    return ends;
}();

// Whether a term that begins with `c` names a symbol: "@" or a character
// above it (a letter, in practice); a term that begins below it is a number.
inline bool begins_symbol(char c) { return static_cast<signed char>(c) >= '@'; }

// Position after the name that starts at `start`: at its first space, "*",
// "+", ",", "-" or the end of the text, however long it is.
inline int name_end(SourceText text, int start) {
    int end = start;
    while (!name_ends[static_cast<unsigned char>(text.at(end))]) {
        ++end;
    }
    return end;
}

// The stored name of a row without its filling spaces.
std::string_view symbol_name(const SymbolEntry& sym);

// Finds the row of the name that starts at `start`, creating it when new.
// With `end`, also sets *end to name_end(text, start).
int lookup_symbol(AsmState& st, SourceText text, int start, int* end = nullptr);

// The row of the symbol named `name` (its first 10 characters count, as in
// the source), without creating one; NO_ROW when the table has no such row.
int find_symbol(const AsmState& st, std::string_view name);

// Defines or re-checks the label of the current statement; returns its row,
// or NO_ROW when the statement carries no label.
int define_label(AsmState& st);

// Whether the statement carries a label: its label field starts with none of
// space, "*" and ";".
bool has_label(const AsmState& st);
