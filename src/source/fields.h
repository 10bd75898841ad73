#pragma once

struct AsmState;
struct SourceText;

inline constexpr int FIELD_WIDTH = 20;
inline constexpr int FIELDS_SIZE = 100;
inline constexpr int FIELD_LABEL = 0;
inline constexpr int FIELD_MNEMONIC = 20;
inline constexpr int FIELD_OPERAND1 = 40;
inline constexpr int FIELD_OPERAND2 = 60;
inline constexpr int FIELD_OPERAND3 = 80;
// Last position of the operand-1 field: holds "," when a comma ended operand 1.
inline constexpr int COMMA_MARK = FIELD_OPERAND1 + FIELD_WIDTH - 1;

inline constexpr int LINE_SIZE = 80;
inline constexpr int LINE_MAX_CHARS = 79;

// Cuts `line` into the five space-filled fields; returns the number of
// characters of `line` examined, the stopping character included.
int split_fields(AsmState& st);

SourceText fields_text(const AsmState& st);
SourceText line_text(const AsmState& st);
