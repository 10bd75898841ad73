#pragma once

struct AsmState;

// 4-bit exg/tfr code of a register named by its first two characters; each
// fault adds 1 to error_code.
int pair_register_code(AsmState& st, char first, char second);

// Push/pull list bit of a register named by its first two characters; a fault
// stores 6 (no such register) or 5 (p or c not followed by c).
int list_register_mask(AsmState& st, char first, char second);

// exg/tfr postbyte: operand 1 in the high nibble, operand 2 in the low one.
int pair_postbyte(AsmState& st);

// pshs/pshu/puls/pulu postbyte: operand 1, then the register after every
// comma of the statement text. own_stack is the instruction's stack
// pointer, "s" or "u".
int list_postbyte(AsmState& st, char own_stack);
