#pragma once

#include <cstdint>

#include "source/text.h"

struct AsmState;

// Value of an operand expression: one term, or two joined by "+" or "-".
// Signed 32-bit, wrapping, never masked.
std::int32_t eval_operand(AsmState& st, SourceText text, int p);

// The same for the operand-1 field. While warnings are recorded it also
// tells an operand that ends at a space before an operator and a term.
std::int32_t eval_operand_1(AsmState& st);

// The operand ends at position `end` of the statement text, at a space, and
// what follows reads as the rest of an expression (an operator and a term: a
// number, a character constant or a defined symbol, as in "zp + 1"):
// spaced-operand.
void check_spaced_operand(AsmState& st, int end);

// Value of one term starting at p, after its optional marks "[", "#", "+", "-".
std::int32_t eval_term(AsmState& st, SourceText text, int p);

// Digit value 0..15 of any character; nothing is rejected.
int digit_value(char ch);
