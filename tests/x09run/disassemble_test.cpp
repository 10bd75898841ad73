// The trace's disassembly of each addressing mode and indexed form, with and
// without symbols.

#include <vector>

#include <gtest/gtest.h>

#include "x09run/disassemble.h"

namespace {

TEST(Disassemble, EachModeAndIndexedForm) {
    const x09run::SymbolTable symbols({{"start", 0xF000, true}, {"acia", 0xE000, false}, {"var", 0x0210, true}});
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* text;
        int length;
    };
    // Each at $F002, on the direct page $02.
    const Case cases[] = {
        {{0x12}, "nop", 1},
        {{0x86, 0x41}, "lda   #$41", 2},
        {{0x10, 0xCE, 0x80, 0x00}, "lds   #$8000", 4},
        {{0x3C, 0xEF}, "cwai  #$EF", 2},
        {{0x96, 0x10}, "lda   <var", 2},
        {{0x96, 0x11}, "lda   <$11", 2},
        {{0xB6, 0xE0, 0x00}, "lda   acia", 3},
        {{0x7E, 0xF0, 0x00}, "jmp   start", 3},
        {{0x7E, 0xF0, 0x01}, "jmp   $F001", 3},
        {{0x20, 0xFC}, "bra   start", 2},
        {{0x16, 0xFF, 0xFB}, "lbra  start", 3},
        {{0x10, 0x26, 0x00, 0x00}, "lbne  $F006", 4},
        {{0x34, 0xFF}, "pshs  cc,a,b,dp,x,y,u,pc", 2},
        {{0x37, 0x46}, "pulu  a,b,s", 2},
        {{0x1F, 0x8B}, "tfr   a,dp", 2},
        {{0x1E, 0x12}, "exg   x,y", 2},
        {{0xA6, 0x1F}, "lda   -1,x", 2},
        {{0xA6, 0x2F}, "lda   15,y", 2},
        {{0xA6, 0xC0}, "lda   ,u+", 2},
        {{0xAE, 0xF1}, "ldx   [,s++]", 2},
        {{0xA6, 0x82}, "lda   ,-x", 2},
        {{0xA6, 0x93}, "lda   [,--x]", 2},
        {{0xA6, 0x84}, "lda   ,x", 2},
        {{0xA6, 0xA5}, "lda   b,y", 2},
        {{0xA6, 0xC6}, "lda   a,u", 2},
        {{0xA6, 0x88, 0x80}, "lda   -128,x", 3},
        {{0xA6, 0x89, 0xE0, 0x00}, "lda   acia,x", 4},
        {{0xA6, 0x8B}, "lda   d,x", 2},
        {{0xA6, 0x8C, 0xFB}, "lda   start,pcr", 3},
        {{0xA6, 0x9D, 0x00, 0x10}, "lda   [$F016,pcr]", 4},
        {{0xAD, 0x9F, 0xF0, 0x00}, "jsr   [start]", 4},
        {{0x10, 0xAE, 0x9F, 0x12, 0x34}, "ldy   [$1234]", 5},
        {{0x01}, "???", 0},
        {{0xA6, 0x87}, "???", 0},
        {{0x11, 0x01}, "???", 0},
    };
    for (const Case& c : cases) {
        const x09run::Disassembly d = x09run::disassemble(c.bytes, 0xF002, 0x02, symbols);
        EXPECT_EQ(d.text, c.text);
        EXPECT_EQ(d.length, c.length) << c.text;
    }
}

}  // namespace
