#pragma once

struct AsmState;

// Builds the indexed postbyte at emit[k + 1] and its 0..2 offset bytes after
// it, from operand 1 and operand 2; k is the number of bytes before the
// opcode. Returns the statement's byte count, k + 2 .. k + 4.
int encode_indexed(AsmState& st, int k);
