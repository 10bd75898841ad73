#pragma once

#include <string>

struct AsmState;

// Reads the whole named source into st.source; false when it cannot be
// opened (or is a directory).
bool load_source(AsmState& st, const std::string& source_name);

// Runs one pass (1 or 2) over st.source.
void run_pass(AsmState& st, int pass);
