#include "source/operand.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "driver/diagnose.h"
#include "driver/error_numbers.h"
#include "source/fields.h"
#include "source/symbols.h"

namespace {

// The marks in front of a term: where its body starts and its sign.
struct TermMarks {
    int body;
    bool negative;
};

TermMarks skip_marks(SourceText text, int p) {
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

bool ends_number(char c) { return c == '\0' || c == ' ' || c == ',' || c == '+' || c == '-'; }
bool ends_operand(char c) { return c == '\0' || c == ' ' || c == ','; }

// A term as read: its value (before its sign) and where its text ends.
struct Term {
    std::uint32_t value;
    int end;
};

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

std::string_view slice(SourceText text, int from, int to) {
    from = std::clamp(from, 0, text.size);
    return {text.data + from, static_cast<std::size_t>(std::clamp(to, from, text.size) - from)};
}

// Digits from `from` on; `start` is where the term's text begins ("$" included).
Term read_number(AsmState& st, SourceText text, int start, int from, std::uint32_t base) {
    const std::array<std::uint8_t, 256>& odd = (base == 16) ? odd_hex : odd_decimal;
    std::uint32_t v = 0;
    std::uint8_t met = 0;
    int i = from;
    for (; !ends_number(text.at(i)); ++i) {
        const char c = text.at(i);
        v = v * base + static_cast<std::uint32_t>(digit_value(c));
        met |= odd[static_cast<unsigned char>(c)];
    }
    if (met != 0) {
        const Fact read_as{.form = static_cast<std::uint8_t>(base), .text = slice(text, start, i),
                           .value = static_cast<std::int32_t>(v)};
        if (met & STAR_DIGIT) {
            warn(st, Warning::star, read_as);
        }
        if (met & NOT_A_DIGIT) {
            warn(st, Warning::digits, read_as);
        }
    }
    return {v, i};
}

// 'c: the character after the apostrophe; a closing apostrophe belongs to it.
Term read_character(SourceText text, int p) {
    if (text.ends_at(p + 1)) {
        return {0, p + 1};
    }
    const int end = (text.at(p + 2) == '\'') ? p + 3 : p + 2;
    return {static_cast<unsigned char>(text.at(p + 1)), end};
}

Term read_symbol(AsmState& st, SourceText text, int p) {
    const int row = lookup_symbol(st, text, p);
    const SymbolEntry& sym = st.symbols[row];
    if (sym.kind == SYM_UNDEFINED) {
        store_error(st, Cause::undefined_symbol, {.text = symbol_name(sym)});
    }
    return {static_cast<std::uint32_t>(sym.value), name_end(text, p)};
}

Term read_term(AsmState& st, SourceText text, int p) {
    const TermMarks marks = skip_marks(text, p);
    const char c = text.at(marks.body);
    Term term;
    if (c == '$') {
        term = read_number(st, text, marks.body, marks.body + 1, 16);
    } else if (c == '\'') {
        term = read_character(text, marks.body);
    } else if (static_cast<signed char>(c) < '@') {
        term = read_number(st, text, marks.body, marks.body, 10);
    } else {
        term = read_symbol(st, text, marks.body);
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

// Text of the operand at p between `from` and `to` that evaluation passed over.
void check_unread(AsmState& st, SourceText text, int p, int from, int to) {
    if (from < to) {
        warn(st, Warning::ignored_operand, {.text = slice(text, p, operand_end(text, p)), .more = slice(text, from, to)});
    }
}

}  // namespace

int digit_value(char ch) {
    const int c = static_cast<signed char>(ch);
    return c >= '@' ? (c + 9) & 15 : c & 15;
}

std::int32_t eval_term(AsmState& st, SourceText text, int p) {
    return static_cast<std::int32_t>(read_term(st, text, p).value);
}

std::int32_t eval_operand(AsmState& st, SourceText text, int p) {
    const Term first = read_term(st, text, p);
    const auto value = static_cast<std::int32_t>(first.value);
    // The operator is looked for behind the first term's marks, within the
    // first 20 characters of the operand.
    const int from = std::max(p + 1, skip_marks(text, p).body);
    for (int q = from; q <= p + 19; ++q) {
        const char c = text.at(q);
        if (ends_operand(c)) {
            break;
        }
        if (c == '+' || c == '-') {
            const Term second = read_term(st, text, q);
            check_unread(st, text, p, first.end, q);
            check_unread(st, text, p, second.end, operand_end(text, second.end));
            return wrap_add(value, static_cast<std::int32_t>(second.value));
        }
    }
    check_unread(st, text, p, first.end, operand_end(text, first.end));
    return value;
}
