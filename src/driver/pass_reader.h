#pragma once

#include <string>

struct AsmState;

inline constexpr int PASS_OK = 0;
inline constexpr int PASS_CANNOT_OPEN = 1;

// Runs one pass (1 or 2) over the named source; PASS_CANNOT_OPEN when the
// source cannot be opened, after printing the abort messages.
int run_pass(AsmState& st, const std::string& source_name, int pass);

// After pass 1 of a top-placed program: moves every label to where pass 2
// will put it, with its last byte at $FFFF.
void move_labels_to_top(AsmState& st);
