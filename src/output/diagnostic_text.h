#pragma once

struct AsmState;

// Standard error, in the form editors and make read: after a statement's
// listing line in pass 2, "FILE:LINE: error: CAUSES [NN]" when it is listed
// with an error, then "FILE:LINE: warning: TEXT [-WKIND]" for each warning it
// drew. Nothing when the run has no diagnostics stream.
void report_statement_diagnostics(AsmState& st);

// "FILE:LINE: error: undefined symbol 'NAME'" for a row never defined, LINE
// the line of its first use.
void report_undefined_symbol(AsmState& st, int row);

// "FILE: error: N warnings and -Werror: stopped" when warnings stop a run.
void report_warnings_are_errors(AsmState& st);
