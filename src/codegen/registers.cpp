#include "codegen/registers.h"

#include <cstdint>

#include "driver/error_numbers.h"
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

}  // namespace

int pair_register_code(AsmState& st, char first, char second) {
    first = lower_case(first);
    second = lower_case(second);
    const RegisterName* r = find_register(first);
    if (r == nullptr) {
        st.error_code += ERR_PAIR_REGISTER_ADDS;
        return 0;
    }
    if (lacks_second_c(first, second)) {
        st.error_code += ERR_PAIR_REGISTER_ADDS;
    }
    if (first == 'd' && second == 'p') {
        return DP_PAIR_CODE;
    }
    return r->pair_code;
}

int list_register_mask(AsmState& st, char first, char second) {
    first = lower_case(first);
    second = lower_case(second);
    const RegisterName* r = find_register(first);
    if (r == nullptr) {
        st.error_code = ERR_LIST_REGISTER_UNKNOWN;
        return 0;
    }
    if (lacks_second_c(first, second)) {
        st.error_code = ERR_LIST_REGISTER_SUFFIX;
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

int list_postbyte(AsmState& st) {
    int mask = list_register_mask(st, operand1(st, 0), operand1(st, 1));
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
    }
    return mask;
}
