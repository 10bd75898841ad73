// The statement line's numbers are formatted by hand; printf, with the very
// formats the listing is defined by, is the reference they must match.

#include <climits>
#include <cstdio>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "output/listing.h"
#include "support/assemble.h"

namespace {

std::string printf_line(int seq, std::int32_t offset, const std::string& code, int source_line,
                        const std::string& text) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%4d  (%4x) %s  (%4d) %s\n", seq, static_cast<unsigned>(offset),
                  code.c_str(), source_line, text.c_str());
    return buffer;
}

TEST(StatementLine, NumbersPrintAsTheirPrintfFormats) {
    struct Case {
        int seq;
        std::int32_t offset;
        int source_line;
    };
    const Case cases[] = {
        {1, 0, 1},           {9, 0xF, 10},           {999, 0xFFF, 999},
        {9999, 0xFFFF, 9999},   // the last values that fit the widths
        {10000, 0x10000, 10000},  // statement numbers past 9999, 5-digit offsets
        {123456, 0xABCDE, 1234567},
        {1, -1, 1},          // a negative offset prints its 8 hex digits
        {2, -0x2000, 3},     {INT_MAX, INT_MIN, INT_MAX},
        {-5, 0, -12},        // the sign counts in the width
        {-12345, 0, INT_MIN},
    };
    for (const Case& c : cases) {
        TestAsm t;
        t.set_line(" lda #$41");
        t.st->list_seq = c.seq;
        t.st->source_line = c.source_line;
        t.st->stmt_loc = 0xF000;
        t.st->emit = {0x86, 0x41, 0, 0, 0, 0};
        std::ostringstream os;
        write_statement_line(os, *t.st, c.offset, 2);
        EXPECT_EQ(os.str(), printf_line(c.seq, c.offset, "F000  8641        ", c.source_line, " lda #$41"))
            << c.seq << ' ' << c.offset << ' ' << c.source_line;
    }
}

TEST(StatementLine, CodeFieldShowsTheAddressAndUpToSixBytes) {
    struct Case {
        std::int32_t stmt_loc;
        int listed;
        const char* code;
    };
    const Case cases[] = {
        {0xF000, 0, "F000              "},  {0x1F000, 1, "F000  86          "},  // low 16 bits of the address
        {-1, 6, "FFFF  8641FF00ABCD"},      {0x0012, 7, "0012              "},  // counts over 6 list nothing
        {0x0012, -1, "0012              "},
    };
    for (const Case& c : cases) {
        TestAsm t;
        t.set_line("");
        t.st->stmt_loc = c.stmt_loc;
        t.st->emit = {0x86, 0x41, 0x1FF, 0x100, 0xAB, 0xCD};  // only the low 8 bits of each entry count
        std::ostringstream os;
        write_statement_line(os, *t.st, 0, c.listed);
        EXPECT_EQ(os.str(), printf_line(1, 0, c.code, 1, "")) << c.stmt_loc << ' ' << c.listed;
    }
}

}  // namespace
