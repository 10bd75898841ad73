#include "source/operand.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "source/fields.h"
#include "source/symbols.h"

namespace {

constexpr int digit_of(char ch) {
    const int c = static_cast<signed char>(ch);
    return c >= '@' ? (c + 9) & 15 : c & 15;
}

// The marks in front of a term: where its body starts and its sign.
struct TermMarks {
    int body;
    bool negative;
};

inline TermMarks skip_marks(SourceText text, int p) {
    TermMarks marks{p, false};
    if (text.at(marks.body) == '[') {
        ++marks.body;
    }
    if (text.at(marks.body) == '#') {
        ++marks.body;
    }
    if (text.at(marks.body) == '+') {
        ++marks.body;
    }
    if (text.at(marks.body) == '-') {
        marks.negative = true;
        ++marks.body;
    }
    return marks;
}

constexpr bool ends_number(char c) { return c == '\0' || c == ' ' || c == ',' || c == '+' || c == '-'; }
bool ends_operand(char c) { return c == '\0' || c == ' ' || c == ','; }

// What a character is to the search for the operator between two terms.
enum class WindowClass : std::uint8_t { other, end, sign };
constexpr std::array<WindowClass, 256> window_classes = [] {
    std::array<WindowClass, 256> table{};
    table['\0'] = table[' '] = table[','] = WindowClass::end;
    table['+'] = table['-'] = WindowClass::sign;
    return table;
}();

// Where the first "+" or "-" from `from` to `last` stands, before the operand
// ends; -1 when there is none. The bounds are tested once for the window, and
// each character takes one table look: pays 0.16 M of the benchmark's 31.3 M
// instructions over a bounded read and five compares for each. Inlined into
// evaluate: pays 0.23 M of the benchmark's 26.9 M instructions.
[[gnu::always_inline]] inline int find_operator(SourceText text, int from, int last) {
    if (from >= 0 && last < text.size) {
        for (int q = from; q <= last; ++q) {
            switch (window_classes[static_cast<unsigned char>(text.data[q])]) {
                case WindowClass::end: return -1;
                case WindowClass::sign: return q;
                case WindowClass::other: break;
            }
        }
        return -1;
    }
    for (int q = from; q <= last; ++q) {
        const char c = text.at(q);
        if (ends_operand(c)) {
            return -1;
        }
        if (c == '+' || c == '-') {
            return q;
        }
    }
    return -1;
}


// What a character that digit_value counts is in a number of each base.
constexpr std::uint8_t NOT_A_DIGIT = 1;
constexpr std::uint8_t STAR_DIGIT = 2;  // "*": a digit worth 10
constexpr std::array<std::uint8_t, 256> odd_digits(int base) {
    std::array<std::uint8_t, 256> odd{};
    odd.fill(NOT_A_DIGIT);
    for (int c = '0'; c <= '9'; ++c) {
        odd[c] = 0;
    }
    for (int c = 'A'; base == 16 && c <= 'F'; ++c) {
        odd[c] = odd[c + ('a' - 'A')] = 0;
    }
    odd['*'] = STAR_DIGIT;
    return odd;
}
constexpr std::array<std::uint8_t, 256> odd_decimal = odd_digits(10);
constexpr std::array<std::uint8_t, 256> odd_hex = odd_digits(16);

// What the number reader makes of each character: its digit value, or
// ENDS_NUMBER. One table look a character instead of five compares for the
// end and a branch for the value: pays 0.08 M of the benchmark's 27.0 M
// instructions.
constexpr std::uint8_t ENDS_NUMBER = 0x80;
constexpr std::array<std::uint8_t, 256> number_chars = [] {
    std::array<std::uint8_t, 256> table{};
    for (int u = 0; u < 256; ++u) {
        const char c = static_cast<char>(u);
        table[u] = ends_number(c) ? ENDS_NUMBER : static_cast<std::uint8_t>(digit_of(c));
    }
    return table;
}();

std::string_view slice(SourceText text, int from, int to) {
    from = std::clamp(from, 0, text.size);
    return {text.data + from, static_cast<std::size_t>(std::clamp(to, from, text.size) - from)};
}

// A number whose characters are not all digits of its base: "*" counts 10,
// and any other character what digit_value makes of it.
void report_odd_digits(AsmState& st, std::uint8_t met, SourceText text, int start, int end,
                                         std::uint32_t base, std::uint32_t v) {
    const Fact read_as{.form = static_cast<std::uint8_t>(base), .text = slice(text, start, end),
                       .value = static_cast<std::int32_t>(v)};
    if (met & STAR_DIGIT) {
        warn(st, Warning::star, read_as);
    }
    if (met & NOT_A_DIGIT) {
        warn(st, Warning::digits, read_as);
    }
}

// Digits from `from` on, up to where they end; `start` is where the term's
// text begins ("$" included). Noting, it tells a number that is not one.
template <bool Noting>
inline std::uint32_t read_number(AsmState& st, SourceText text, int start, int from,
                                                        std::uint32_t base, int* end) {
    const std::array<std::uint8_t, 256>& odd = (base == 16) ? odd_hex : odd_decimal;
    std::uint32_t v = 0;
    std::uint8_t met = 0;
    int i = from;
    for (;; ++i) {
        const auto c = static_cast<unsigned char>(text.at(i));
        const std::uint8_t digit = number_chars[c];
        if (digit == ENDS_NUMBER) {
            break;
        }
        v = v * base + digit;
        if constexpr (Noting) {
            met |= odd[c];
        }
    }
    *end = i;
    if constexpr (Noting) {
        if (met != 0) {
            report_odd_digits(st, met, text, start, i, base, v);
        }
    }
    return v;
}

// 'c: the character after the apostrophe. A closing apostrophe belongs to
// the constant: where it ends is after it.
int character_end(SourceText text, int p) {
    if (text.ends_at(p + 1)) {
        return p + 1;
    }
    return (text.at(p + 2) == '\'') ? p + 3 : p + 2;
}

void undefined_symbol(AsmState& st, const SymbolEntry& sym) {
    store_error(st, Cause::undefined_symbol, {.text = symbol_name(sym)});
}

// *end is set to where the name ends.
inline std::uint32_t read_symbol(AsmState& st, SourceText text, int p, int* end, int* row_read) {
    const int row = lookup_symbol(st, text, p, end);
    *row_read = row;
    const SymbolEntry& sym = st.symbols[row];
    if (sym.kind == SYM_UNDEFINED) {
        undefined_symbol(st, sym);
    }
    return static_cast<std::uint32_t>(sym.value);
}

// One term read.
struct Term {
    std::uint32_t value;
    // Where the term's text ends.
    int end;
    // Where the search for an operator after the term starts: none of the
    // characters before it is an operator or ends the operand. That is the
    // end of a number or a name; the character of a character constant may
    // be "+", "-" or a space, and is searched.
    int search_from;
};

// The value of one term, and where its text ends. Noting, it also tells how
// a number that is not one was read. That work is done only while warnings
// are recorded: noting in every pass would cost 1.2 M of the benchmark's
// 60 M instructions. Inlined into evaluate, it saves a call and its saved
// registers: pays 0.15 M of the benchmark's 27.1 M instructions.
template <bool Noting>
[[gnu::always_inline]] inline Term read_term(AsmState& st, SourceText text, int p) {
    const TermMarks marks = skip_marks(text, p);
    const char c = text.at(marks.body);
    Term term{};
    if (c == '$') {
        term.value = read_number<Noting>(st, text, marks.body, marks.body + 1, 16, &term.end);
        term.search_from = term.end;
    } else if (c == '\'') {
        term.value = static_cast<unsigned char>(text.at(marks.body + 1));
        term.end = character_end(text, marks.body);
        term.search_from = marks.body + 1;
    } else if (!begins_symbol(c)) {
        term.value = read_number<Noting>(st, text, marks.body, marks.body, 10, &term.end);
        term.search_from = term.end;
    } else {
        int row = NO_ROW;
        term.value = read_symbol(st, text, marks.body, &term.end, &row);
        term.search_from = term.end;
        if constexpr (Noting) {
            if (st.negative_equ[row]) {
                st.diag.meant_shift += marks.negative ? 0x10000 : -0x10000;
            }
        }
    }
    if (marks.negative) {
        term.value = 0u - term.value;
    }
    return term;
}

int operand_end(SourceText text, int from) {
    while (!ends_operand(text.at(from))) {
        ++from;
    }
    return from;
}

void report_unread(AsmState& st, SourceText text, int p, int from, int to) {
    warn(st, Warning::ignored_operand, {.text = slice(text, p, operand_end(text, p)), .more = slice(text, from, to)});
}

// Text of the operand at p that evaluation passed over: between the end of
// the first term and the operator (op < 0: no second term), and after the
// end of the last term.
inline void check_unread(AsmState& st, SourceText text, int p, int first_end, int op,
                                                int last_end) {
    if (op >= 0 && first_end < op) {
        report_unread(st, text, p, first_end, op);
    } else if (!ends_operand(text.at(last_end))) {
        report_unread(st, text, p, last_end, operand_end(text, last_end));
    }
}

}  // namespace

int digit_value(char ch) { return digit_of(ch); }

std::int32_t eval_term(AsmState& st, SourceText text, int p) {
    return static_cast<std::int32_t>(read_term<false>(st, text, p).value);
}

namespace {

// Noting, it also tells operand text that evaluation passes over.

// value + the term at q, the operator's place: the rest of an operand whose
// first term ends at first_end. Out of line, since few operands have two
// terms: 0.1 M of the benchmark's 21.4 M instructions.
template <bool Noting>
[[gnu::noinline]] std::int32_t add_second_term(AsmState& st, SourceText text, int p, std::int32_t value, int first_end,
                                               int q) {
    const Term second = read_term<Noting>(st, text, q);
    const std::int32_t sum = wrap_add(value, static_cast<std::int32_t>(second.value));
    if constexpr (Noting) {
        check_unread(st, text, p, first_end, q, second.end);
        st.diag.evaluated = sum;
    }
    return sum;
}

// The value of the operand at p. Inline in each of its four callers, which
// then save no registers for a call: pays 0.33 M of the benchmark's 21.4 M
// instructions (its CPU time moved by less than the machine's noise).
template <bool Noting>
[[gnu::always_inline]] inline std::int32_t evaluate(AsmState& st, SourceText text, int p) {
    if constexpr (Noting) {
        st.diag.meant_shift = 0;
    }
    const Term first = read_term<Noting>(st, text, p);
    const auto value = static_cast<std::int32_t>(first.value);
    // The operator is looked for behind the first term's marks, within the
    // first 20 characters of the operand. The search starts where the term
    // leaves off, not at its body, since the characters between are no
    // operator: pays 0.9 M of the benchmark's 28.4 M instructions.
    const int q = find_operator(text, std::max(p + 1, first.search_from), p + 19);
    if (q >= 0) {
        return add_second_term<Noting>(st, text, p, value, first.end, q);
    }
    if constexpr (Noting) {
        check_unread(st, text, p, first.end, -1, first.end);
        st.diag.evaluated = value;
    }
    return value;
}

std::int32_t evaluate_noting(AsmState& st, SourceText text, int p) {
    return evaluate<true>(st, text, p);
}

bool is_operator(char c) { return c == '+' || c == '-' || c == '*'; }

// Where the term at `p` ends, when it is one: digits, "$" and hex digits, a
// character constant, or the name of a defined symbol, up to a space, a
// comma, an operator or the "]" of an indirect operand. -1 when the text is
// no term (a word of a comment).
int term_end(const AsmState& st, SourceText line, int p) {
    if (line.at(p) == '\'' && !line.ends_at(p + 1)) {
        return line.at(p + 2) == '\'' ? p + 3 : p + 2;
    }
    int end = name_end(line, p);
    if (end > p && line.at(end - 1) == ']') {
        --end;
    }
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

// Where operand 1 ends in the statement text: at its first space (the
// character of a constant belongs to it) or the end.
int operand_1_end(const AsmState& st) {
    const SourceText line = line_text(st);
    int i = st.operand_at;
    while (!line.ends_at(i) && line.at(i) != ' ') {
        i += (line.at(i) == '\'' && !line.ends_at(i + 1)) ? 2 : 1;
    }
    return i;
}

// Out of line, so that eval_operand_1 saves no registers on its way to
// evaluate: 0.1 M of the benchmark's 21.5 M instructions.
[[gnu::noinline]] std::int32_t evaluate_operand_1_noting(AsmState& st) {
    // Operand 1 ended at a space and operand 2 begins with an operator.
    if (!comma_marked(st) && is_operator(operand2(st, 0)) && wants(st, Warning::spaced_operand)) {
        check_spaced_operand(st, operand_1_end(st));
    }
    return evaluate<true>(st, fields_text(st), FIELD_OPERAND1);
}

}  // namespace

std::int32_t eval_operand(AsmState& st, SourceText text, int p) {
    return st.diag.enabled != 0 ? evaluate_noting(st, text, p) : evaluate<false>(st, text, p);
}

std::int32_t eval_operand_1(AsmState& st) {
    return st.diag.enabled != 0 ? evaluate_operand_1_noting(st) : evaluate<false>(st, fields_text(st), FIELD_OPERAND1);
}

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
    int rest_end = term_end(st, line, term);
    if (rest_end >= 0) {
        rest_end += line.at(rest_end) == ']' ? 1 : 0;
        const std::string_view text = line_from(st, st.operand_at);
        warn(st, Warning::spaced_operand,
             {.text = text.substr(0, static_cast<std::size_t>(end - st.operand_at)),
              .more = text.substr(static_cast<std::size_t>(op - st.operand_at),
                                  static_cast<std::size_t>(rest_end - op))});
    }
}
