#include "source/operand.h"

#include <algorithm>

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

std::uint32_t read_number(SourceText text, int from, std::uint32_t base) {
    std::uint32_t v = 0;
    for (int i = from; !ends_number(text.at(i)); ++i) {
        v = v * base + static_cast<std::uint32_t>(digit_value(text.at(i)));
    }
    return v;
}

bool below_at_sign(char c) { return static_cast<signed char>(c) < '@'; }

std::uint32_t term_body(AsmState& st, SourceText text, int p) {
    const char c = text.at(p);
    if (c == '$') {
        return read_number(text, p + 1, 16);
    }
    if (c == '\'') {
        return static_cast<unsigned char>(text.at(p + 1));
    }
    if (below_at_sign(c)) {
        return read_number(text, p, 10);
    }
    const int row = lookup_symbol(st, text, p);
    if (st.symbols[row].kind == SYM_UNDEFINED) {
        st.error_code = ERR_UNDEFINED_SYMBOL;
    }
    return static_cast<std::uint32_t>(st.symbols[row].value);
}

}  // namespace

int digit_value(char ch) {
    const int c = static_cast<signed char>(ch);
    return c >= '@' ? (c + 9) & 15 : c & 15;
}

std::int32_t eval_term(AsmState& st, SourceText text, int p) {
    const TermMarks marks = skip_marks(text, p);
    const std::uint32_t v = term_body(st, text, marks.body);
    return static_cast<std::int32_t>(marks.negative ? 0u - v : v);
}

std::int32_t eval_operand(AsmState& st, SourceText text, int p) {
    const std::int32_t v = eval_term(st, text, p);
    // The operator is looked for behind the first term's marks, within the
    // first 20 characters of the operand.
    const int first = std::max(p + 1, skip_marks(text, p).body);
    for (int q = first; q <= p + 19; ++q) {
        const char c = text.at(q);
        if (c == '\0' || c == ' ' || c == ',') {
            return v;
        }
        if (c == '+' || c == '-') {
            return wrap_add(v, eval_term(st, text, q));
        }
    }
    return v;
}
