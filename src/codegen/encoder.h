#pragma once

#include <cstdint>

struct AsmState;

// Returned by a data directive that has stored its own bytes.
inline constexpr int DIRECTIVE_PLACED = 999;

// What a class rule leaves for the placement step.
struct RuleResult {
    int count;       // bytes in emit to place, or DIRECTIVE_PLACED
    int listed = 0;  // with DIRECTIVE_PLACED: how many emit entries to list
};

// Encodes the current statement, places its bytes in the image and returns
// the number of bytes to list (0..6).
int encode_statement(AsmState& st, int label_row);

// Stores one byte at the next image index (when the index lies inside the
// image; otherwise the statement gets error 7) and advances image_len and loc.
void place_byte(AsmState& st, std::int32_t byte);

// Operand-1 field character i (0..19).
char operand1(const AsmState& st, int i);
// Operand-2 field character i (0..19).
char operand2(const AsmState& st, int i);
// True when a comma ended operand 1.
bool comma_marked(const AsmState& st);
