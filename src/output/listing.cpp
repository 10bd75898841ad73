#include "output/listing.h"

#include <array>
#include <cstdio>
#include <cstring>

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

// Appends `count` characters at position n; returns the new length.
int append(std::array<char, 160>& text, int n, const char* from, int count) {
    std::memcpy(text.data() + n, from, static_cast<std::size_t>(count));
    return n + count;
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
    // "%4d  (%4x) %s  (%4d) %s\n": the three numbers come from one snprintf,
    // whose %n marks where the source line number part starts; the code field
    // and the statement text are copied in between as %s would copy them.
    std::array<char, 64> numbers;
    int split = 0;
    const int numbers_len = std::snprintf(numbers.data(), numbers.size(), "%4d  (%4x) %n  (%4d) ", st.list_seq,
                                          static_cast<unsigned>(image_offset), &split, st.source_line);
    ++st.list_seq;
    std::array<char, 160> text;
    int n = append(text, 0, numbers.data(), split);
    const CodeField code = build_code_field(st, listed);
    n = append(text, n, code.data(), CODE_FIELD_WIDTH);
    n = append(text, n, numbers.data() + split, numbers_len - split);
    n = append(text, n, st.line.data(), static_cast<int>(std::strlen(st.line.data())));
    text[static_cast<std::size_t>(n++)] = '\n';
    st.out.write(text.data(), n);
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
