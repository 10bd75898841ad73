#include "output/listing.h"

#include <array>
#include <cstdio>

#include "driver/asm_state.h"
#include "output/console.h"
#include "source/symbols.h"

namespace {

constexpr int CODE_FIELD_WIDTH = 18;
constexpr int CODE_BYTES_AT = 6;

using CodeField = std::array<char, CODE_FIELD_WIDTH + 1>;

// Address as four digits, then up to six bytes of two digits each.
CodeField build_code_field(const AsmState& st, int listed) {
    CodeField field;
    field.fill(' ');
    field[CODE_FIELD_WIDTH] = '\0';
    for (int i = 0; i < 4; ++i) {
        field[i] = hex_char(st.stmt_loc >> (12 - 4 * i));
    }
    if (listed >= 1 && listed <= EMIT_SIZE) {
        for (int i = 0; i < listed; ++i) {
            field[CODE_BYTES_AT + 2 * i] = hex_char(st.emit[i] >> 4);
            field[CODE_BYTES_AT + 2 * i + 1] = hex_char(st.emit[i]);
        }
    }
    return field;
}

// Writes to the listing and then, unchanged, to the console.
template <typename... Args>
void report_line(AsmState& st, const char* format, Args... args) {
    print_format(st.out, format, args...);
    print_format(st.console, format, args...);
}

}  // namespace

char hex_char(std::int32_t v) { return "0123456789ABCDEF"[v & 15]; }

void list_statement(AsmState& st, std::int32_t image_offset, int listed) {
    print_format(st.out, "%4d  (%4x) ", st.list_seq, static_cast<unsigned>(image_offset));
    ++st.list_seq;
    const CodeField code = build_code_field(st, listed);
    print_format(st.out, "%s  (%4d) %s\n", code.data(), st.source_line, st.line.data());
    if (st.error_code != 0) {
        report_line(st, "      **** Error no.= %2x, line no = %d **** \n", static_cast<unsigned>(st.error_code),
                    st.source_line);
        ++st.error_count;
    }
}

void write_run_report(AsmState& st) {
    for (int row = 0; row < st.symbol_count; ++row) {
        const SymbolEntry& sym = st.symbols[row];
        if (sym.kind == SYM_UNDEFINED) {
            report_line(st, "**** Undefine label   %.10s\n", sym.name.data());
        }
    }
    report_line(st, "** Error count=%d **, end addr=%4x\n", st.error_count, static_cast<unsigned>(st.loc));
}
