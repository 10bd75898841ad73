#include "output/listing.h"

#include <array>
#include <charconv>
#include <cstring>
#include <span>
#include <string>

#include "base/asm_state.h"
#include "mc6809/timing.h"
#include "output/console.h"
#include "output/diagnostic_text.h"
#include "source/symbols.h"

namespace {

constexpr int CODE_FIELD_WIDTH = 18;
constexpr int CODE_BYTES_AT = 6;
constexpr int NUMBER_WIDTH = 4;
// Two 11-character decimals, 8 hex digits, the code field, the whole line
// buffer and the fixed text: at most 139 characters; 157 with the cycle
// columns and a subtotal of 11 characters.
constexpr std::size_t MAX_LINE = 160;

using Pair = std::array<char, 2>;

// Two-character texts of 0..255, from which the hexadecimal numbers are made.
template <int count>
constexpr std::array<Pair, count> pairs(int base, const char* digits, bool padded) {
    std::array<Pair, count> table{};
    for (int v = 0; v < count; ++v) {
        table[v] = {(padded && v < base) ? ' ' : digits[v / base], digits[v % base]};
    }
    return table;
}

constexpr const char* LOWER_DIGITS = "0123456789abcdef";
constexpr std::array<Pair, 256> hex_pairs = pairs<256>(16, LOWER_DIGITS, false);
constexpr std::array<Pair, 256> hex_pairs_padded = pairs<256>(16, LOWER_DIGITS, true);

char* put_pair(char* p, const Pair& pair) {
    std::memcpy(p, pair.data(), 2);
    return p + 2;
}

// As printf's "%4d" or "%4x" prints v (unsigned for "%x"): right-aligned in
// 4, wider when the number needs it.
template <std::uint32_t base>
char* put_number_slowly(char* p, std::uint32_t magnitude, bool minus) {
    std::array<char, 11> reversed;
    std::size_t n = 0;
    do {
        reversed[n++] = LOWER_DIGITS[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    if (minus) {
        reversed[n++] = '-';
    }
    for (std::size_t pad = n; pad < NUMBER_WIDTH; ++pad) {
        *p++ = ' ';
    }
    while (n != 0) {
        *p++ = reversed[--n];
    }
    return p;
}

// "%4d" of 0..9999, and the four digits of 0..9999 with leading zeros.
using Quad = std::array<char, 4>;
constexpr std::array<Quad, 10000> decimal_quads(bool padded) {
    std::array<Quad, 10000> table{};
    for (int v = 0; v < 10000; ++v) {
        Quad q = {LOWER_DIGITS[v / 1000], LOWER_DIGITS[v / 100 % 10], LOWER_DIGITS[v / 10 % 10], LOWER_DIGITS[v % 10]};
        for (int i = 0; padded && i < 3 && q[i] == '0'; ++i) {
            q[i] = ' ';
        }
        table[v] = q;
    }
    return table;
}
constexpr std::array<Quad, 10000> decimal_padded = decimal_quads(true);
constexpr std::array<Quad, 10000> decimal_digits = decimal_quads(false);

// "%4d" of a negative number or one of 100000 and more.
[[gnu::noinline]] char* put_decimal_slowly(char* p, std::int32_t v) {
    const std::uint32_t magnitude = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
    return put_number_slowly<10>(p, magnitude, v < 0);
}

// "%4d": the numbers below 100000 (every statement and line number of a
// source of fewer lines) from the tables. Pays: 0.6 M of the benchmark's
// 32.8 M instructions, over two digits at a time; inline, with the rare
// numbers out of line, another 0.16 M of 28.4 M.
inline char* put_decimal(char* p, std::int32_t v) {
    if (v >= 0 && v < 10000) {
        std::memcpy(p, decimal_padded[v].data(), 4);
        return p + 4;
    }
    if (v >= 10000 && v < 100000) {
        // Unsigned, the division needs no sign correction: 0.11 M of 27.0 M.
        const auto u = static_cast<std::uint32_t>(v);
        *p = static_cast<char>('0' + u / 10000);
        std::memcpy(p + 1, decimal_digits[u % 10000].data(), 4);
        return p + 5;
    }
    return put_decimal_slowly(p, v);
}

// "%4x": a negative value prints as its 8 hex digits.
char* put_hex(char* p, std::int32_t v) {
    if (v >= 0 && v <= 0xFFFF) {
        const int high = v >> 8;
        return put_pair(put_pair(p, high == 0 ? Pair{' ', ' '} : hex_pairs_padded[high]),
                        (high == 0 ? hex_pairs_padded : hex_pairs)[v & 0xFF]);
    }
    return put_number_slowly<16>(p, static_cast<std::uint32_t>(v), false);
}

// Address as four digits, then up to six bytes of two digits each.
char* put_code_field(char* p, const AsmState& st, int listed) {
    std::memset(p, ' ', CODE_FIELD_WIDTH);
    put_pair(put_pair(p, byte_digits[st.stmt_loc >> 8 & 0xFF]), byte_digits[st.stmt_loc & 0xFF]);
    if (listed >= 1 && listed <= EMIT_SIZE) {
        for (int i = 0; i < listed; ++i) {
            put_pair(p + CODE_BYTES_AT + 2 * i, byte_digits[st.emit[i] & 0xFF]);
        }
    }
    return p + CODE_FIELD_WIDTH;
}

char* put_text(char* p, const char* text, std::size_t n) {
    std::memcpy(p, text, n);
    return p + n;
}

// "  (" as one store of 4 characters, its NUL among them: what follows is
// put over the NUL. Pays: 0.09 M of the benchmark's 26.9 M instructions
// over three characters put as they are.
char* put_open_parenthesis(char* p) {
    std::memcpy(p, "  (", 4);
    return p + 3;
}

// With --cycles, after the code field: the count left-aligned in 7
// characters ("[6/15]" and a space at most), the subtotal right-aligned in 5
// (wider when it needs more digits).
constexpr std::size_t CYCLE_COUNT_WIDTH = 7;
constexpr std::size_t SUBTOTAL_WIDTH = 5;

// The count of the statement's instruction bytes; low is 0 for a directive,
// a statement without bytes and bytes that are no whole instructions.
mc6809::Cycles statement_cycles(const AsmState& st, int listed) {
    if (!st.stmt_instruction || listed < 1 || listed > EMIT_SIZE) {
        return {0, 0, false};
    }
    std::array<std::uint8_t, EMIT_SIZE> bytes;
    for (int i = 0; i < listed; ++i) {
        bytes[i] = static_cast<std::uint8_t>(st.emit[i]);
    }
    return mc6809::sequence_cycles(std::span(bytes.data(), static_cast<std::size_t>(listed)));
}

// "[N]", "[N/M]" or "[N+]" and the subtotal, or spaces where the statement
// has no count, so that the rest of the line stays in its columns. Out of
// line, so that the lines without --cycles pay only the test that skips it.
// It counts the statement again rather than taking list_statement's count:
// handing that down cost every line of a benchmark run without --cycles 3
// instructions (0.13 M of 30.6 M).
[[gnu::noinline]] char* put_cycle_columns(char* p, const AsmState& st, int listed) {
    const mc6809::Cycles cycles = statement_cycles(st, listed);
    std::memset(p, ' ', CYCLE_COUNT_WIDTH + SUBTOTAL_WIDTH);
    if (cycles.low == 0) {
        return p + CYCLE_COUNT_WIDTH + SUBTOTAL_WIDTH;
    }
    char* at = p;
    char* const count_end = p + CYCLE_COUNT_WIDTH;
    *at++ = '[';
    at = std::to_chars(at, count_end, cycles.low).ptr;
    if (cycles.high != cycles.low) {
        *at++ = '/';
        at = std::to_chars(at, count_end, cycles.high).ptr;
    }
    if (cycles.at_least) {
        *at++ = '+';
    }
    *at = ']';
    std::array<char, 11> subtotal;
    const char* const end = std::to_chars(subtotal.data(), subtotal.data() + subtotal.size(), st.cycle_subtotal).ptr;
    const auto digits = static_cast<std::size_t>(end - subtotal.data());
    p = count_end + (digits < SUBTOTAL_WIDTH ? SUBTOTAL_WIDTH - digits : 0);
    return put_text(p, subtotal.data(), digits);
}

// The statement line, "%4d  (%4x) %s  (%4d) %s\n", made at p, which has
// room for MAX_LINE characters; returns its end. The whole line buffer is
// copied, a fixed size, and the end put after the text.
// Inline in the line made in the listing's block: 0.34 M of the benchmark's
// 27.9 M instructions over a call.
[[gnu::always_inline]] inline char* put_statement_line(char* p, const AsmState& st, std::int32_t image_offset,
                                                      int listed) {
    p = put_decimal(p, st.list_seq);
    p = put_open_parenthesis(p);
    p = put_hex(p, image_offset);
    p = put_text(p, ") ", 2);
    p = put_code_field(p, st, listed);
    if (st.list_cycles) {
        p = put_cycle_columns(p, st, listed);
    }
    p = put_open_parenthesis(p);
    p = put_decimal(p, st.source_line);
    p = put_text(p, ") ", 2);
    std::memcpy(p, st.line.columns(), LINE_SIZE);
    p += st.line_len;
    *p++ = '\n';
    return p;
}

// A statement line that would cross the end of the listing's block, made
// aside and written in two parts.
[[gnu::noinline]] void list_line_aside(AsmState& st, std::int32_t image_offset, int listed) {
    std::array<char, MAX_LINE> text;
    const char* end = put_statement_line(text.data(), st, image_offset, listed);
    write_listing(st, text.data(), static_cast<std::size_t>(end - text.data()));
}

// Writes to the listing and then, unchanged, to the console.
template <typename... Args>
void report_line(AsmState& st, const char* format, Args... args) {
    const std::string text = format_text(format, args...);
    write_listing(st, text.data(), text.size());
    st.console.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

void write_statement_line(std::ostream& os, const AsmState& st, std::int32_t image_offset, int listed) {
    std::array<char, MAX_LINE> text;
    const char* end = put_statement_line(text.data(), st, image_offset, listed);
    os.write(text.data(), end - text.data());
}

// Straight into the listing's block; only a line that would cross the
// block's end is made aside. Pays: 3.6 M instead of 9.8 M instructions for
// making the line aside and handing it to the stream.
void list_statement(AsmState& st, std::int32_t image_offset, int listed) {
    if (st.list_cycles) {
        st.cycle_subtotal = wrap_add(has_label(st) ? 0 : st.cycle_subtotal, statement_cycles(st, listed).low);
    }
    if (LISTING_BLOCK - st.listing_used >= MAX_LINE) {
        char* start = st.listing_block.data() + st.listing_used;
        st.listing_used += static_cast<std::size_t>(put_statement_line(start, st, image_offset, listed) - start);
    } else {
        list_line_aside(st, image_offset, listed);
    }
    ++st.list_seq;
    if (st.error_code != 0) {
        report_line(st, "      **** Error no.= %2x, line no = %d **** \n", static_cast<unsigned>(st.error_code),
                    st.source_line);
        ++st.error_count;
    }
    if (st.diagnostics != nullptr &&
        (st.error_code != 0 || !st.diag.warnings.empty() || st.source_line == st.diag.table_full_line)) {
        report_statement_diagnostics(st);
    }
}

void write_run_report(AsmState& st) {
    for (int row = 0; row < st.symbol_count; ++row) {
        const SymbolEntry& sym = st.symbols[row];
        if (sym.kind == SYM_UNDEFINED) {
            report_line(st, "**** Undefine label   %.10s\n", sym.name.data());
            report_undefined_symbol(st, row);
        }
    }
    report_knock_on_errors(st);
    report_line(st, "** Error count=%d **, end addr=%4x\n", st.error_count, static_cast<unsigned>(st.loc));
}
