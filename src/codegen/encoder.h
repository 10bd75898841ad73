#pragma once

struct AsmState;

// Encodes the current statement, places its bytes in the image and returns
// the number of bytes to list (0..6).
int encode_statement(AsmState& st, int label_row);
