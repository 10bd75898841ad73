#pragma once

#include <array>
#include <cstdint>
#include <ostream>

struct AsmState;

// Upper-case hexadecimal digit of the low 4 bits of v.
inline char hex_char(std::int32_t v) { return "0123456789ABCDEF"[v & 15]; }

// The two upper-case hexadecimal digits of each byte, as the code field and
// the image files show bytes.
inline constexpr std::array<std::array<char, 2>, 256> byte_digits = [] {
    std::array<std::array<char, 2>, 256> digits{};
    for (int b = 0; b < 256; ++b) {
        digits[b] = {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    }
    return digits;
}();

// Writes the statement line of the current statement: its number, image
// offset, code field, source line number and text.
void write_statement_line(std::ostream& os, const AsmState& st, std::int32_t image_offset, int listed);

// Writes the statement line of the current statement (and its error line, to
// the listing and the console) and advances list_seq and error_count.
void list_statement(AsmState& st, std::int32_t image_offset, int listed);

// Undefined-symbol lines and the summary line, to the listing and the console.
void write_run_report(AsmState& st);
