#include "output/listing.h"

#include <array>
#include <cstring>

#include "base/asm_state.h"
#include "output/console.h"
#include "output/diagnostic_text.h"
#include "source/symbols.h"

namespace {

constexpr int CODE_FIELD_WIDTH = 18;
constexpr int CODE_BYTES_AT = 6;
constexpr int NUMBER_WIDTH = 4;

// The listing line as it is built.
class LineText {
public:
    void text(const char* s, std::size_t n) {
        std::memcpy(buffer_.data() + used_, s, n);
        used_ += n;
    }
    void text(const char* s) { text(s, std::strlen(s)); }
    void put(char c) { buffer_[used_++] = c; }

    // As printf's "%4d" prints v.
    void decimal(std::int32_t v) {
        const std::uint32_t magnitude = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
        digits<10>(magnitude, v < 0);
    }
    // As printf's "%4x" prints v: a negative value as its 8 hex digits.
    void hex(std::int32_t v) { digits<16>(static_cast<std::uint32_t>(v), false); }

    // Straight to the stream's buffer: a listing line is written 20,000
    // times in a benchmark run, and the stream's own write around it cost
    // 1.1 M of its 61 M instructions.
    void write_to(std::ostream& os) const {
        const auto n = static_cast<std::streamsize>(used_);
        if (os.rdbuf()->sputn(buffer_.data(), n) != n) {
            os.setstate(std::ios::badbit);
        }
    }

private:
    // Right-aligned in NUMBER_WIDTH, wider when the number needs it. The base
    // is a constant, so that dividing by it is a multiplication.
    template <std::uint32_t base>
    void digits(std::uint32_t v, bool minus) {
        std::array<char, 11> reversed;
        std::size_t n = 0;
        do {
            reversed[n++] = "0123456789abcdef"[v % base];
            v /= base;
        } while (v != 0);
        if (minus) {
            reversed[n++] = '-';
        }
        for (std::size_t pad = n; pad < NUMBER_WIDTH; ++pad) {
            put(' ');
        }
        while (n != 0) {
            put(reversed[--n]);
        }
    }

    // Two 11-character decimals, 8 hex digits, the code field, a statement
    // and the fixed text: at most 138 characters.
    std::array<char, 160> buffer_;
    std::size_t used_ = 0;
};

// Address as four digits, then up to six bytes of two digits each.
void put_code_field(LineText& out, const AsmState& st, int listed) {
    std::array<char, CODE_FIELD_WIDTH> field;
    field.fill(' ');
    for (int i = 0; i < 4; ++i) {
        field[i] = hex_char(st.stmt_loc >> (12 - 4 * i));
    }
    if (listed >= 1 && listed <= EMIT_SIZE) {
        for (int i = 0; i < listed; ++i) {
            field[CODE_BYTES_AT + 2 * i] = hex_char(st.emit[i] >> 4);
            field[CODE_BYTES_AT + 2 * i + 1] = hex_char(st.emit[i]);
        }
    }
    out.text(field.data(), field.size());
}

// Writes to the listing and then, unchanged, to the console.
template <typename... Args>
void report_line(AsmState& st, const char* format, Args... args) {
    print_format(st.out, format, args...);
    print_format(st.console, format, args...);
}

}  // namespace

void write_statement_line(std::ostream& os, const AsmState& st, std::int32_t image_offset, int listed) {
    // "%4d  (%4x) %s  (%4d) %s\n"
    LineText text;
    text.decimal(st.list_seq);
    text.text("  (");
    text.hex(image_offset);
    text.text(") ");
    put_code_field(text, st, listed);
    text.text("  (");
    text.decimal(st.source_line);
    text.text(") ");
    text.text(st.line.data());
    text.put('\n');
    text.write_to(os);
}

void list_statement(AsmState& st, std::int32_t image_offset, int listed) {
    write_statement_line(st.out, st, image_offset, listed);
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
