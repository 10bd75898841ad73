#include "source/symbols.h"

#include <algorithm>
#include <cstring>

#include "driver/asm_state.h"
#include "output/console.h"
#include "output/error_numbers.h"

namespace {

bool ends_name(char c) {
    return c == '\0' || c == ' ' || c == '*' || c == '+' || c == ',' || c == '-';
}

std::array<char, SYMBOL_NAME_LEN> read_name(SourceText text, int start) {
    std::array<char, SYMBOL_NAME_LEN> name;
    name.fill(' ');
    for (int i = 0; i < SYMBOL_NAME_LEN; ++i) {
        const char c = text.at(start + i);
        if (ends_name(c)) {
            break;
        }
        name[i] = c;
    }
    return name;
}

// A name as two integers, so that rows are compared with integer compares.
struct NameKey {
    std::uint64_t head;  // characters 0..7
    std::uint16_t tail;  // characters 8..9

    explicit NameKey(const std::array<char, SYMBOL_NAME_LEN>& name) {
        std::memcpy(&head, name.data(), sizeof head);
        std::memcpy(&tail, name.data() + sizeof head, sizeof tail);
    }
    bool operator==(const NameKey&) const = default;

    // Folds all ten characters into 32 bits; equal names have equal prints.
    std::uint32_t print() const {
        return static_cast<std::uint32_t>(head) ^ static_cast<std::uint32_t>(head >> 32) * 31u ^ tail * 0x9E3779B1u;
    }
};

constexpr int SCAN_CHUNK = 32;

// The linear search in creation order. A chunk of rows is tested on the
// fingerprints without a branch per row; only a chunk holding a candidate is
// compared row by row on the whole name.
int find_row(const AsmState& st, const std::array<char, SYMBOL_NAME_LEN>& name) {
    const NameKey key(name);
    const std::uint32_t print = key.print();
    int row = 0;
    for (; row < st.symbol_count; row += SCAN_CHUNK) {
        if (row + SCAN_CHUNK <= st.symbol_count) {
            unsigned candidates = 0;  // a sum, so that the compiler vectorises it
            for (int i = 0; i < SCAN_CHUNK; ++i) {
                candidates += st.symbol_prints[row + i] == print;
            }
            if (candidates == 0) {
                continue;
            }
        }
        const int last = std::min(row + SCAN_CHUNK, st.symbol_count);
        for (int r = row; r < last; ++r) {
            if (st.symbol_prints[r] == print && NameKey(st.symbols[r].name) == key) {
                return r;
            }
        }
    }
    return NO_ROW;
}

void report_overflow(AsmState& st) {
    static constexpr char message[] = "*** Label buffer over flow ***\n";
    st.out << message;
    st.console << message;
    st.error_code = ERR_SYMBOL_OVERFLOW;
    st.symbol_overflow = true;
}

}  // namespace

bool is_comment_marker(char c) { return c == '*' || c == ';'; }

int lookup_symbol(AsmState& st, SourceText text, int start) {
    const auto name = read_name(text, start);
    const int found = find_row(st, name);
    if (found != NO_ROW) {
        if (st.symbols[found].kind == SYM_UNDEFINED) {
            st.error_code = ERR_NOT_YET_DEFINED;
        }
        return found;
    }
    if (st.symbol_count >= SYMBOL_CAPACITY) {
        report_overflow(st);
        return OVERFLOW_ROW;
    }
    const int row = st.symbol_count;
    st.symbols[row] = SymbolEntry{name, '\0', SYM_UNDEFINED, 0xFFFF};
    st.symbol_prints[row] = NameKey(name).print();
    ++st.symbol_count;
    if (st.symbol_count < SYMBOL_CAPACITY) {
        return row;
    }
    report_overflow(st);
    return OVERFLOW_ROW;
}

int define_label(AsmState& st) {
    const char first = st.fields[FIELD_LABEL];
    if (first == ' ' || is_comment_marker(first)) {
        return NO_ROW;
    }
    const int row = lookup_symbol(st, fields_text(st), FIELD_LABEL);
    SymbolEntry& sym = st.symbols[row];
    if (sym.kind == SYM_UNDEFINED) {
        sym.value = st.loc;
        sym.kind = SYM_LABEL;
    } else if (sym.value != st.loc) {
        sym.value = st.loc;
        st.error_code = ERR_LABEL_MOVED;
    }
    return row;
}
