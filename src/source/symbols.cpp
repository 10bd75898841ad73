#include "source/symbols.h"

#include "driver/error_numbers.h"
#include "source/fields.h"

namespace {

using SymbolName = std::array<char, SYMBOL_NAME_LEN>;

bool ends_name(char c) {
    return c == '\0' || c == ' ' || c == '*' || c == '+' || c == ',' || c == '-';
}

SymbolName read_name(SourceText text, int start) {
    SymbolName name;
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

// The linear search in creation order.
int find_row(const AsmState& st, const SymbolName& name) {
    for (int row = 0; row < st.symbol_count; ++row) {
        if (st.symbols[row].name == name) {
            return row;
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

int lookup_symbol(AsmState& st, SourceText text, int start) {
    const SymbolName name = read_name(text, start);
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
