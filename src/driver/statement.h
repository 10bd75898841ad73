#pragma once

struct AsmState;

// The statement routine: label, encoding, and in pass 2 the listing.
void assemble_statement(AsmState& st, int pass);
