#include "codegen/registers.h"

#include <cstdint>
#include <string_view>

#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "source/fields.h"

namespace {

struct RegisterName {
    char letter;
    int pair_code;
    int list_mask;
};

// "dp" is "d" with a second letter and is handled apart.
constexpr RegisterName register_names[] = {
    {'d', 0, 0x06},
    {'x', 1, 0x10},
    {'y', 2, 0x20},
    {'u', 3, 0x40},
    {'s', 4, 0x40},  // in a list, "u" and "s" both mean the other stack
    {'p', 5, 0x80},
    {'a', 8, 0x02},
    {'b', 9, 0x04},
    {'c', 10, 0x01},
};
constexpr int DP_PAIR_CODE = 11;
constexpr int DP_LIST_MASK = 0x08;

const RegisterName* find_register(char letter) {
    for (const RegisterName& r : register_names) {
        if (r.letter == letter) {
            return &r;
        }
    }
    return nullptr;
}

// "p" and "c" stand only for "pc" and "cc".
bool lacks_second_c(char letter, char second) { return (letter == 'p' || letter == 'c') && second != 'c'; }

bool is_name_char(char c) { return c != '\0' && c != ' ' && c != ','; }

// The register name as written from its first two characters, for the
// words of an error: the first, and the second when it continues the name.
std::string_view written_name(const char (&chars)[2]) {
    if (!is_name_char(chars[0])) {
        return {};
    }
    return {chars, is_name_char(chars[1]) ? 2u : 1u};
}

}  // namespace

int pair_register_code(AsmState& st, char first, char second) {
    const char written[2] = {first, second};
    first = lower_case(first);
    second = lower_case(second);
    const RegisterName* r = find_register(first);
    if (r == nullptr) {
        add_error(st, Cause::pair_register, {.text = written_name(written)});
        return 0;
    }
    if (lacks_second_c(first, second)) {
        add_error(st, Cause::pair_register, {.text = written_name(written)});
    }
    if (first == 'd' && second == 'p') {
        return DP_PAIR_CODE;
    }
    return r->pair_code;
}

int list_register_mask(AsmState& st, char first, char second) {
    const char written[2] = {first, second};
    first = lower_case(first);
    second = lower_case(second);
    const RegisterName* r = find_register(first);
    if (r == nullptr) {
        store_error(st, Cause::list_register_unknown, {.text = written_name(written)});
        return 0;
    }
    if (lacks_second_c(first, second)) {
        store_error(st, Cause::list_register_suffix, {.text = written_name(written)});
    }
    if (first == 'd' && second == 'p') {
        return DP_LIST_MASK;
    }
    return r->list_mask;
}

int pair_postbyte(AsmState& st) {
    const int high = pair_register_code(st, operand1(st, 0), operand1(st, 1));
    const int low = pair_register_code(st, operand2(st, 0), operand2(st, 1));
    return (high << 4) | low;
}

namespace {

// A name the list reads as a register: one of the letters, or pc, cc, dp.
bool is_register_word(std::string_view word) {
    if (word.size() == 1) {
        const char c = lower_case(word[0]);
        return find_register(c) != nullptr && c != 'p' && c != 'c';
    }
    if (word.size() != 2) {
        return false;
    }
    const char a = lower_case(word[0]), b = lower_case(word[1]);
    return (a == 'p' && b == 'c') || (a == 'c' && b == 'c') || (a == 'd' && b == 'p');
}

// "s" in an S list and "u" in a U list stand for the other stack pointer.
void check_own_stack(AsmState& st, char first, char own_stack) {
    if (lower_case(first) == own_stack) {
        warn(st, Warning::stack_self, {.text = std::string_view(&first, 1), .value = own_stack});
    }
}

// Words after the list that are all register names (up to a ";" comment)
// were meant as part of it, and are not read.
void check_words_after(AsmState& st, SourceText line, int list_end) {
    int i = list_end;
    bool any = false;
    for (;;) {
        while (line.at(i) == ' ' || line.at(i) == ',') {
            ++i;
        }
        if (line.ends_at(i) || line.at(i) == ';') {
            break;
        }
        const int start = i;
        while (is_name_char(line.at(i))) {
            ++i;
        }
        if (!is_register_word(std::string_view(line.data + start, static_cast<std::size_t>(i - start)))) {
            return;
        }
        any = true;
    }
    if (any) {
        warn(st, Warning::register_list,
             {.form = LIST_AFTER_SPACE,
              .text = line_from(st, st.operand_at).substr(0, static_cast<std::size_t>(i - st.operand_at))});
    }
}

// The list as written ends at its first space (or the end of the text).
int list_end(const AsmState& st) {
    const SourceText line = line_text(st);
    int end = st.operand_at;
    while (!line.ends_at(end) && line.at(end) != ' ') {
        ++end;
    }
    return end;
}

}  // namespace

int list_postbyte(AsmState& st, char own_stack) {
    const bool checking = st.diag.enabled != 0;
    int mask = list_register_mask(st, operand1(st, 0), operand1(st, 1));
    const int end = checking ? list_end(st) : LINE_SIZE;
    if (checking) {
        check_own_stack(st, operand1(st, 0), own_stack);
    }
    // Every comma of the whole statement text names one more register, also a
    // comma in a trailing comment.
    const SourceText line = line_text(st);
    for (int i = 0; !line.ends_at(i); ++i) {
        if (line.at(i) != ',') {
            continue;
        }
        const char c1 = line.at(i + 1);
        const char c2 = (c1 == '\0') ? '\0' : line.at(i + 2);
        mask |= list_register_mask(st, c1, c2);
        if (checking) {
            check_own_stack(st, c1, own_stack);
            if (i > end && find_register(lower_case(c1)) != nullptr) {
                warn(st, Warning::register_list, {.form = LIST_TRAILING_COMMA, .text = line_from(st, end + 1)});
            }
        }
    }
    if (checking && !line.ends_at(end)) {
        check_words_after(st, line, end);
    }
    return mask;
}
