#include "codegen/code_bytes.h"

#include <algorithm>
#include <string_view>

#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "source/fields.h"
#include "source/operand.h"
#include "source/symbols.h"

namespace {

void store_byte(AsmState& st, std::int32_t index, std::int32_t byte) {
    st.image[index] = static_cast<std::uint8_t>(byte & 0xFF);
    st.placed[index] = true;
    if (!st.placed_line.empty()) {
        st.placed_line[index] = st.source_line;
    }
}

// A byte outside the image, or one that draws a warning: above $FFFF, or
// over a byte that an earlier statement of the pass placed. Apart from the
// plain placement, which stays a few instructions.
void place_byte_noting(AsmState& st, std::int32_t byte) {
    const std::int32_t index = st.image_len;
    if (static_cast<std::uint32_t>(st.loc) > 0xFFFF) {
        warn(st, Warning::wrap, {.form = WRAP_BYTE, .value = st.loc});
    }
    if (index >= 0 && index < IMAGE_SIZE) {
        if (st.placed[index]) {
            warn(st, Warning::overwrite, {.value = st.loc});
        }
        store_byte(st, index, byte);
    } else {
        store_error(st, Cause::byte_outside_image, {.value = st.loc, .other = st.origin});
    }
    st.image_len = wrap_add(index, 1);
    st.loc = wrap_add(st.loc, 1);
}

}  // namespace

void place_byte(AsmState& st, std::int32_t byte) {
    const std::int32_t index = st.image_len;
    const bool inside = index >= 0 && index < IMAGE_SIZE;
    if (!inside || (st.diag.enabled != 0 && (st.placed[index] || st.loc > 0xFFFF))) {
        place_byte_noting(st, byte);
        return;
    }
    store_byte(st, index, byte);
    st.image_len = index + 1;
    st.loc = wrap_add(st.loc, 1);
}

void report_truncated(AsmState& st, std::int32_t value, int bits, std::int32_t kept) {
    // A name defined nowhere gives a stand-in value, already reported as an error.
    if (find_cause(st, Cause::undefined_symbol) != nullptr) {
        return;
    }
    // The kept bits are those of what the operand means, its negative equ
    // symbols counted as negative, whenever that fits: nothing is lost then.
    std::int64_t meant = value;
    if (value == st.diag.evaluated) {
        meant = st.diag.meant;
        if (meant >= -(std::int64_t{1} << (bits - 1)) && meant < (std::int64_t{1} << bits)) {
            return;
        }
    }
    warn(st, Warning::truncated,
         {.form = static_cast<std::uint8_t>(bits), .value = static_cast<std::int32_t>(meant), .other = kept});
}

namespace {

bool is_operator(char c) { return c == '+' || c == '-' || c == '*'; }

// Where the term at `p` ends, when it is one: digits, "$" and hex digits, a
// character constant, or the name of a defined symbol, up to a space, a
// comma or an operator. -1 when the text is no term (a word of a comment).
int term_end(const AsmState& st, SourceText line, int p) {
    if (line.at(p) == '\'' && !line.ends_at(p + 1)) {
        return line.at(p + 2) == '\'' ? p + 3 : p + 2;
    }
    const int end = name_end(line, p);
    const std::string_view word(line.data + p, static_cast<std::size_t>(std::max(end - p, 0)));
    if (word.empty()) {
        return -1;
    }
    const std::string_view digits = word.starts_with('$') ? word.substr(1) : word;
    const char* const digit_set = word.starts_with('$') ? "0123456789ABCDEFabcdef" : "0123456789";
    if (!digits.empty() && digits.find_first_not_of(digit_set) == std::string_view::npos) {
        return end;
    }
    const int row = find_symbol(st, word);
    return row != NO_ROW && st.symbols[row].kind != SYM_UNDEFINED ? end : -1;
}

}  // namespace

void check_spaced_operand(AsmState& st, int end) {
    const SourceText line = line_text(st);
    if (line.at(end) != ' ' || st.operand_at >= end) {
        return;
    }
    int op = end;
    while (line.at(op) == ' ') {
        ++op;
    }
    if (!is_operator(line.at(op))) {
        return;
    }
    int term = op + 1;
    while (line.at(term) == ' ') {
        ++term;
    }
    const int rest_end = term_end(st, line, term);
    if (rest_end >= 0) {
        const std::string_view text = line_from(st, st.operand_at);
        warn(st, Warning::spaced_operand,
             {.text = text.substr(0, static_cast<std::size_t>(end - st.operand_at)),
              .more = text.substr(static_cast<std::size_t>(op - st.operand_at),
                                  static_cast<std::size_t>(rest_end - op))});
    }
}

namespace {

// Where operand 1 ends in the statement text: at its first space (the
// character of a constant belongs to it) or the end.
int operand_text_end(const AsmState& st) {
    const SourceText line = line_text(st);
    int i = st.operand_at;
    while (!line.ends_at(i) && line.at(i) != ' ') {
        i += (line.at(i) == '\'' && !line.ends_at(i + 1)) ? 2 : 1;
    }
    return i;
}

}  // namespace

std::int32_t operand_value(AsmState& st) {
    // Operand 1 ended at a space and operand 2 begins with an operator.
    if (!comma_marked(st) && is_operator(operand2(st, 0)) && wants(st, Warning::spaced_operand)) {
        check_spaced_operand(st, operand_text_end(st));
    }
    return eval_operand(st, fields_text(st), FIELD_OPERAND1);
}
