#pragma once

#include <cstdint>
#include <string>

struct AsmState;

// Standard error, in the form editors and make read: after a statement's
// listing line in pass 2, "FILE:LINE: error: CAUSES [NN]" when it is listed
// with an error, then "FILE:LINE: warning: TEXT [-WKIND]" for each warning it
// drew. Nothing when the run has no diagnostics stream.
void report_statement_diagnostics(AsmState& st);

// "FILE:LINE: error: undefined symbol 'NAME'" for a row never defined, LINE
// the line of its first use.
void report_undefined_symbol(AsmState& st, int row);

// Once the symbol table is full, the errors of names it did not store, in
// one line: "FILE: error: N more errors, on lines A to B, ...".
void report_knock_on_errors(AsmState& st);

// "FILE: error: N warnings and -Werror: stopped" when warnings stop a run.
void report_warnings_are_errors(AsmState& st);

// "FILE:LINE: error: MESSAGE" for an error of the whole run, found after the
// passes (LINE 0: "FILE: error: MESSAGE").
void report_run_error(const AsmState& st, std::int32_t line, const std::string& message);

// "x09asm: cannot ACTION 'NAME': REASON" when a file cannot be opened or
// written.
void report_reason(const AsmState& st, const char* action, const std::string& name, const std::string& reason);

// "x09asm: cannot read standard input: REASON" when the source on standard
// input cannot be read (it is closed, or reading it fails).
void report_standard_input_reason(const AsmState& st, const std::string& reason);
