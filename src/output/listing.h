#pragma once

#include <cstdint>
#include <ostream>

struct AsmState;

// Upper-case hexadecimal digit of the low 4 bits of v.
inline char hex_char(std::int32_t v) { return "0123456789ABCDEF"[v & 15]; }

// Writes the statement line of the current statement: its number, image
// offset, code field, source line number and text.
void write_statement_line(std::ostream& os, const AsmState& st, std::int32_t image_offset, int listed);

// Writes the statement line of the current statement (and its error line, to
// the listing and the console) and advances list_seq and error_count.
void list_statement(AsmState& st, std::int32_t image_offset, int listed);

// Undefined-symbol lines and the summary line, to the listing and the console.
void write_run_report(AsmState& st);
