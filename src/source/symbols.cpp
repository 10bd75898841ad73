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

// A name as two integers, so that rows are compared with integer compares.
struct NameKey {
    std::uint64_t head;  // characters 0..7
    std::uint16_t tail;  // characters 8..9

    NameKey() = default;
    // The 10 characters at `chars`.
    explicit NameKey(const char* chars) {
        std::memcpy(&head, chars, sizeof head);
        std::memcpy(&tail, chars + sizeof head, sizeof tail);
    }
    explicit NameKey(const SymbolName& name) : NameKey(name.data()) {}
    bool operator==(const NameKey&) const = default;

    SymbolName name() const {
        SymbolName name;
        std::memcpy(name.data(), &head, sizeof head);
        std::memcpy(name.data() + sizeof head, &tail, sizeof tail);
        return name;
    }
    // Folds all ten characters into 32 bits; equal names have equal prints.
    std::uint32_t print() const {
        return static_cast<std::uint32_t>(head) ^ static_cast<std::uint32_t>(head >> 32) * 31u ^ tail * 0x9E3779B1u;
    }
};

// The first 10 characters of the name at `start`, space-filled; *length is
// how many it has (10 when it has more).
NameKey read_name(SourceText text, int start, int* length) {
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
    return NameKey(name);
}

// How a name of n characters fills a key: `kept` has $FF in the bytes the
// name fills and $00 after them, `spaces` has spaces after them. Two
// operations a word instead of four: pays 0.06 M of the benchmark's 26.6 M
// instructions.
struct NameFill {
    NameKey kept;
    NameKey spaces;
};
const std::array<NameFill, SYMBOL_NAME_LEN + 1> name_fills = [] {
    std::array<NameFill, SYMBOL_NAME_LEN + 1> fills{};
    for (int n = 0; n <= SYMBOL_NAME_LEN; ++n) {
        std::array<unsigned char, SYMBOL_NAME_LEN> kept{};
        std::array<unsigned char, SYMBOL_NAME_LEN> spaces{};
        std::fill_n(kept.begin(), n, 0xFF);
        std::fill(spaces.begin() + n, spaces.end(), ' ');
        fills[n] = {NameKey(reinterpret_cast<const char*>(kept.data())),
                    NameKey(reinterpret_cast<const char*>(spaces.data()))};
    }
    return fills;
}();

// read_name for a name whose 10 characters lie within the text: each
// character takes one table look and no bounds test, and the key is taken
// from the text whole with spaces put after the name.
NameKey read_name_within(const char* chars, int* length) {
    int n = 0;
    while (n < SYMBOL_NAME_LEN && !ends_name(chars[n])) {
        ++n;
    }
    *length = n;
    const NameKey whole(chars);
    const NameFill& fill = name_fills[n];
    NameKey key;
    key.head = (whole.head & fill.kept.head) | fill.spaces.head;
    key.tail = static_cast<std::uint16_t>((whole.tail & fill.kept.tail) | fill.spaces.tail);
    return key;
}

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
        // One unsigned compare for both ends (an empty slot gives row -1):
        // pays 0.03 M of the benchmark's 26.7 M instructions.
        if (static_cast<unsigned>(row) >= static_cast<unsigned>(st.symbol_count)) {
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
void check_long_name(AsmState& st, int row, int length, SourceText text, int start) {
    if ((st.diag.enabled & warning_bit(Warning::long_name)) != 0 && length == SYMBOL_NAME_LEN) {
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
    // The text mostly holds all 10 characters: pays 0.3 M of the benchmark's
    // 27.4 M instructions.
    const NameKey key = (start >= 0 && start <= text.size - SYMBOL_NAME_LEN)
                            ? read_name_within(text.data + start, &length)
                            : read_name(text, start, &length);
    if (end != nullptr) {
        *end = (length < SYMBOL_NAME_LEN) ? start + length : name_end(text, start + SYMBOL_NAME_LEN);
    }
    const std::uint32_t print = key.print();
    std::uint32_t free_slot;
    const int found = find_row(st, key, print, &free_slot);
    if (found != NO_ROW) {
        if (st.symbols[found].kind == SYM_UNDEFINED) {
            not_yet_defined(st, key.name());
        }
        check_long_name(st, found, length, text, start);
        return found;
    }
    if (st.symbol_count >= SYMBOL_CAPACITY) {
        report_overflow(st, key.name());
        return OVERFLOW_ROW;
    }
    const int row = st.symbol_count;
    st.symbols[row] = SymbolEntry{key.name(), '\0', SYM_UNDEFINED, 0xFFFF};
    st.symbol_prints[row] = print;
    st.symbol_slots[free_slot] = static_cast<std::uint16_t>(row + 1);
    st.symbol_lines[row] = st.source_line;
    ++st.symbol_count;
    if (st.symbol_count < SYMBOL_CAPACITY) {
        check_long_name(st, row, length, text, start);
        return row;
    }
    report_overflow(st, key.name());
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
