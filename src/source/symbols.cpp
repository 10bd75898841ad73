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

// The slot where the search for a name of this print starts.
std::uint32_t first_slot(std::uint32_t print) { return (print * 0x9E3779B1u) >> 21 & (SYMBOL_SLOTS - 1); }

static_assert(SYMBOL_SLOTS == 1 << 11 && SYMBOL_SLOTS >= 2 * SYMBOL_CAPACITY);

// The row of a name, found by the hash of its name: the table keeps its
// rows in creation order, the slots only lead to them. Pays: the benchmark
// source's lookups cost 1.9 M instead of 8.5 M instructions for a
// fingerprint search of the rows in order, and a lookup does not grow with
// the table.
int find_row(const AsmState& st, const NameKey& key, std::uint32_t print, std::uint32_t* free_slot) {
    for (std::uint32_t slot = first_slot(print);; slot = (slot + 1) & (SYMBOL_SLOTS - 1)) {
        const int row = st.symbol_slots[slot] - 1;
        if (row < 0 || row >= st.symbol_count) {
            *free_slot = slot;
            return NO_ROW;
        }
        if (st.symbol_prints[row] == print && NameKey(st.symbols[row].name) == key) {
            return row;
        }
    }
}

int find_row(const AsmState& st, const SymbolName& name) {
    const NameKey key(name);
    std::uint32_t free_slot;
    return find_row(st, key, key.print(), &free_slot);
}

void report_overflow(AsmState& st, const SymbolName& name) {
    static constexpr char message[] = "*** Label buffer over flow ***\n";
    write_listing(st, message, sizeof message - 1);
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
    const NameKey key(name);
    const std::uint32_t print = key.print();
    std::uint32_t free_slot;
    const int found = find_row(st, key, print, &free_slot);
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
    st.symbol_prints[row] = print;
    st.symbol_slots[free_slot] = static_cast<std::uint16_t>(row + 1);
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

bool has_label(const AsmState& st) {
    const char first = st.fields[FIELD_LABEL];
    return first != ' ' && !is_comment_marker(first);
}

int define_label(AsmState& st) {
    if (!has_label(st)) {
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
