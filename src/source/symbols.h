#pragma once

#include <string_view>

#include "driver/asm_state.h"
#include "source/text.h"

// Row handed to the encoder when a statement has no label.
inline constexpr int NO_ROW = -1;
// Row yielded in place of a new one once the table is full.
inline constexpr int OVERFLOW_ROW = 1;

// Finds the row of the name that starts at `start`, creating it when new.
int lookup_symbol(AsmState& st, SourceText text, int start);

// The row of the symbol named `name` (its first 10 characters count, as in
// the source), without creating one; NO_ROW when the table has no such row.
int find_symbol(const AsmState& st, std::string_view name);

// Defines or re-checks the label of the current statement; returns its row,
// or NO_ROW when the statement carries no label.
int define_label(AsmState& st);
