#pragma once

#include "codegen/code_bytes.h"
#include "codegen/insn_table.h"

struct AsmState;

// Runs the rule of a directive row (classes 20..30).
RuleResult run_directive(AsmState& st, InsnClass cls, int label_row);

// Top-of-memory placement, the second half of org ?: after pass 1 has
// measured the program at $1000, every label moves to where pass 2 will put
// it, with the program's last byte at $FFFF. Equ symbols stay.
void move_labels_to_top(AsmState& st);

inline constexpr int TOP_PLACEMENT_START = 0x1000;

// The image files begin well below the first byte a statement placed (as
// pass 1 found it), because space was reserved before it: image-span, at the
// statement that set the origin, once.
void check_image_span(AsmState& st);
