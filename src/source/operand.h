#pragma once

#include <cstdint>

#include "source/text.h"

struct AsmState;

// Value of an operand expression: one term, or two joined by "+" or "-".
// Signed 32-bit, wrapping, never masked.
std::int32_t eval_operand(AsmState& st, SourceText text, int p);

// Value of one term starting at p, after its optional marks "[", "#", "+", "-".
std::int32_t eval_term(AsmState& st, SourceText text, int p);

// Digit value 0..15 of any character; nothing is rejected.
int digit_value(char ch);
