#pragma once

#include <string_view>

#include "base/asm_state.h"
#include "source/text.h"

inline constexpr int FIELD_WIDTH = 20;
inline constexpr int FIELD_LABEL = 0;
inline constexpr int FIELD_MNEMONIC = 20;
inline constexpr int FIELD_OPERAND1 = 40;
inline constexpr int FIELD_OPERAND2 = 60;
inline constexpr int FIELD_OPERAND3 = 80;
// Last position of the operand-1 field: holds "," when a comma ended operand 1.
inline constexpr int COMMA_MARK = FIELD_OPERAND1 + FIELD_WIDTH - 1;

// Cuts `line` into the five space-filled fields; returns the number of
// characters of `line` examined, the stopping character included. While
// warnings are recorded it also sets operand_at, slash_field and long_fields.
int split_fields(AsmState& st);

inline SourceText fields_text(const AsmState& st) { return {st.fields.data(), FIELDS_SIZE}; }
inline SourceText line_text(const AsmState& st) { return {st.line.data(), LINE_SIZE}; }

// Operand-1 field character i (0..19).
inline char operand1(const AsmState& st, int i) { return st.fields[FIELD_OPERAND1 + i]; }
// Operand-2 field character i (0..19).
inline char operand2(const AsmState& st, int i) { return st.fields[FIELD_OPERAND2 + i]; }
// The word that starts the field at `start`: up to its first space or comma.
std::string_view field_word(const AsmState& st, int start);

// The statement text from position `from` to its end; empty past the end.
std::string_view line_from(const AsmState& st, int from);

// True when a comma ended operand 1.
inline bool comma_marked(const AsmState& st) { return st.fields[COMMA_MARK] == ','; }
// True when the label field starts a comment statement.
inline bool is_comment_marker(char c) { return c == '*' || c == ';'; }
