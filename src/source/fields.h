#pragma once

#include <cstdint>
#include <cstring>
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
// characters of `line` examined, the stopping character included. It also
// sets line_len, operand_at, slash_field and long_fields. (The pass reader
// fills the fields as it reads each statement, with FieldWriter.)
int split_fields(AsmState& st);

// The splitter's steps, one character or separator at a time: fields are
// separated by runs of spaces and by commas, a field ended by a comma holds
// it in its last position (the comma mark), characters written while the
// mnemonic field is filled are lowered, and nothing goes past position 99.
// A word longer than 20 characters runs on into the next field's positions.
// It notes, for the warnings, where operand 1 starts, a "/" that cut a field
// and fields that ran on past their 20 characters.
class FieldWriter {
public:
    explicit FieldWriter(char* fields) : fields_(fields) { std::memset(fields, ' ', FIELDS_SIZE); }

    // A character of a word.
    void put(char c) {
        if (w_ < FIELDS_SIZE) {
            fields_[w_++] = static_cast<char>(c | lower_);
        }
    }
    // Where the next characters of a word go, and how many the fields still
    // hold there (none when it is 0 or less), for a word written at once.
    int room() const { return FIELDS_SIZE - w_; }
    char* cursor() const { return fields_ + w_; }
    char lower() const { return lower_; }
    // `n` characters of a word were written at cursor().
    void wrote(int n) { w_ += n; }
    // A comma ends the field and marks it.
    void comma() {
        if (s_ < FIELDS_SIZE) {
            fields_[s_ + FIELD_WIDTH - 1] = ',';
        }
        end_field();
    }
    // A space (the first of a run) ends the field.
    void end_field() {
        note_field_end();
        s_ += FIELD_WIDTH;
        w_ = s_;
        lower_ = s_ == FIELD_MNEMONIC ? 0x20 : 0;
    }
    // After a separator: the next field's text starts at line position `at`.
    void field_starts(int at) {
        if (s_ == FIELD_OPERAND1) {
            operand_at_ = at;
        }
    }
    // The fields end: at a NUL, a "/" or the end of the text.
    void stop() { note_field_end(); }
    // A "/" at line position `at` ends the fields; `before` is the line's
    // character before it.
    void slash(int at, char before) {
        stop();
        if (at >= 1 && before != ' ' && before != ',' && s_ <= FIELD_OPERAND1) {
            slash_field_ = s_;
        }
    }
    // Hands the notes to the statement.
    void finish(AsmState& st) const {
        st.operand_at = operand_at_;
        st.slash_field = slash_field_;
        st.long_fields = long_fields_;
    }

private:
    // The field ends with w: note a label, mnemonic or operand 1 that ran on.
    void note_field_end() {
        if (w_ - s_ > FIELD_WIDTH && s_ <= FIELD_OPERAND1) {
            long_fields_ = static_cast<std::uint8_t>(long_fields_ | 1u << (s_ / FIELD_WIDTH));
        }
    }

    char* fields_;
    int s_ = FIELD_LABEL;  // start of the field being filled
    int w_ = FIELD_LABEL;  // next write position; may run on past the field
    char lower_ = 0;       // 0x20 while the mnemonic field is filled
    std::int32_t operand_at_ = LINE_SIZE;
    std::int32_t slash_field_ = -1;
    std::uint8_t long_fields_ = 0;
};

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
