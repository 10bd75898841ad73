#pragma once

#include "codegen/encoder.h"
#include "codegen/insn_table.h"

struct AsmState;

// Runs the rule of a directive row (classes 20..30).
RuleResult run_directive(AsmState& st, InsnClass cls, int label_row);

inline constexpr int TOP_PLACEMENT_START = 0x1000;
