#include "source/symbols.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/diagnose.h"
#include "base/error_numbers.h"
#include "source/fields.h"

namespace {

using SymbolName = std::array<char, SYMBOL_NAME_LEN>;

std::string_view trimmed(const SymbolName& name) {
    const std::string_view s(name.data(), name.size());
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

bool ends_name(char c) { return name_ends[static_cast<unsigned char>(c)]; }

// The first 10 characters of the name at `start`; *length is how many it
// has (10 when it has more).
SymbolName read_name(SourceText text, int start, int* length) {
    SymbolName name;
    name.fill(' ');
    int i = 0;
    for (; i < SYMBOL_NAME_LEN; ++i) {
        const char c = text.at(start + i);
        if (ends_name(c)) {
            break;
        }
        name[i] = c;
    }
    *length = i;
    return name;
}

// A name as two integers, so that rows are compared with integer compares.
struct NameKey {
    std::uint64_t head;  // characters 0..7
    std::uint16_t tail;  // characters 8..9

    explicit NameKey(const SymbolName& name) {
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
// compared row by row on the whole name. Pays: 8.0 M instead of 28.4 M
// instructions on the benchmark source.
int find_row(const AsmState& st, const SymbolName& name) {
    const NameKey key(name);
    const std::uint32_t print = key.print();
    for (int row = 0; row < st.symbol_count; row += SCAN_CHUNK) {
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

void report_overflow(AsmState& st, const SymbolName& name) {
    static constexpr char message[] = "*** Label buffer over flow ***\n";
    st.out << message;
    st.console << message;
    store_error(st, Cause::symbol_overflow, {.text = trimmed(name)});
    st.symbol_overflow = true;
    if (st.diag.table_full_line == 0) {
        st.diag.table_full_line = st.source_line;
    }
}

// A name that fills all 10 characters may be a longer spelling of another.
void check_long_name(AsmState& st, int row, const SymbolName& name, SourceText text, int start) {
    if ((st.diag.enabled & warning_bit(Warning::long_name)) != 0 && name.back() != ' ') {
        check_spelling(st, row,
                       std::string_view(text.data + start, static_cast<std::size_t>(name_end(text, start) - start)));
    }
}

void not_yet_defined(AsmState& st, const SymbolName& name) {
    store_error(st, Cause::not_yet_defined, {.text = trimmed(name)});
}

// In pass 2 the label count covers both passes: more than 2 means the source
// defines the label more than once.
void label_moved(AsmState& st, const SymbolEntry& sym, int definitions) {
    store_error(st, Cause::label_moved,
                {.form = static_cast<std::uint8_t>(definitions > 2), .text = trimmed(sym.name), .value = sym.value,
                 .other = st.loc});
}

}  // namespace

std::string_view symbol_name(const SymbolEntry& sym) { return trimmed(sym.name); }

int lookup_symbol(AsmState& st, SourceText text, int start, int* end) {
    int length;
    const SymbolName name = read_name(text, start, &length);
    if (end != nullptr) {
        *end = (length < SYMBOL_NAME_LEN) ? start + length : name_end(text, start);
    }
    const int found = find_row(st, name);
    if (found != NO_ROW) {
        if (st.symbols[found].kind == SYM_UNDEFINED) {
            not_yet_defined(st, name);
        }
        check_long_name(st, found, name, text, start);
        return found;
    }
    if (st.symbol_count >= SYMBOL_CAPACITY) {
        report_overflow(st, name);
        return OVERFLOW_ROW;
    }
    const int row = st.symbol_count;
    st.symbols[row] = SymbolEntry{name, '\0', SYM_UNDEFINED, 0xFFFF};
    st.symbol_prints[row] = NameKey(name).print();
    st.symbol_lines[row] = st.source_line;
    ++st.symbol_count;
    if (st.symbol_count < SYMBOL_CAPACITY) {
        check_long_name(st, row, name, text, start);
        return row;
    }
    report_overflow(st, name);
    return OVERFLOW_ROW;
}

int find_symbol(const AsmState& st, std::string_view name) {
    SymbolName padded;
    padded.fill(' ');
    name.copy(padded.data(), std::min(name.size(), padded.size()));
    return find_row(st, padded);
}

int define_label(AsmState& st) {
    const char first = st.fields[FIELD_LABEL];
    if (first == ' ' || is_comment_marker(first)) {
        return NO_ROW;
    }
    const int row = lookup_symbol(st, fields_text(st), FIELD_LABEL);
    SymbolEntry& sym = st.symbols[row];
    std::uint8_t& definitions = st.label_definitions[row];
    if (definitions < 255) {
        ++definitions;
    }
    if (sym.kind == SYM_UNDEFINED) {
        sym.value = st.loc;
        sym.kind = SYM_LABEL;
    } else if (sym.value != st.loc) {
        label_moved(st, sym, definitions);
        sym.value = st.loc;
    }
    return row;
}
