#include <gtest/gtest.h>

#include "codegen/statement_cases.h"

namespace {

void define_table(TestAsm& t) { t.define("table", 0xE123); }

TEST(Indexed, StatementTable) {
    expect_statements(
        {
            {" lda 5,x", "A6 05", 0}, {" lda 0,x", "A6 00", 0},
            {" lda ,x", "A6 84", 0}, {" lda ,X", "A6 84", 0},
            {" lda 15,x", "A6 0F", 0}, {" lda 16,x", "A6 88 10", 0},
            {" lda -16,x", "A6 10", 0}, {" lda -17,x", "A6 88 EF", 0},
            {" lda -20,y", "A6 A8 EC", 0}, {" lda 127,x", "A6 88 7F", 0},
            {" lda 128,x", "A6 89 00 80", 0}, {" lda -128,x", "A6 88 80", 0},
            {" lda -129,x", "A6 89 FF 7F", 0}, {" lda 300,x", "A6 89 01 2C", 0},
            {" lda $12345,x", "A6 89 23 45", 0}, {" lda [5,x]", "A6 98 05", 0},
            {" lda [0,x]", "A6 98 00", 0}, {" lda [-16,x]", "A6 98 F0", 0},
            {" lda [10,u]", "A6 D8 0A", 0}, {" lda [300,x]", "A6 99 01 2C", 0},
            {" lda [,y]", "A6 B4", 0}, {" lda ,x+", "A6 80", 0},
            {" lda ,x++", "A6 81", 0}, {" lda ,x+2", "A6 81", 0},
            {" lda ,-u", "A6 C2", 0}, {" lda ,y-", "A6 A2", 0},
            {" lda ,--s", "A6 E3", 0}, {" lda ,s--", "A6 E3", 0},
            {" lda ,y-2", "A6 A3", 0}, {" LDA ,Y+", "A6 A0", 0},
            {" lda a,x", "A6 86", 0}, {" lda B,u", "A6 C5", 0},
            {" lda d,s", "A6 EB", 0}, {" lda [a,x]", "A6 96", 0},
            {" lda [b,u]", "A6 D5", 0}, {" lda [d,s]", "A6 FB", 0},
            {" lda [,x]", "A6 94", 0}, {" lda [,x+]", "A6 90", 0},
            {" lda [,x++]", "A6 91", 0}, {" lda [,-x]", "A6 92", 0},
            {" lda [,--y]", "A6 B3", 0},
            {" lda $a,x", "A6 0A", 0},  // a number, not the accumulator
            {" lda $b,u", "A6 4B", 0}, {" ldd $d,y", "EC 2D", 0},
            {" lda 5,x+", "A6 80", 0}, {" lda a,x+", "A6 80", 0},
            {" lda UNDEF,x", "A6 89 FF FF", 78}, {" leax -1,x", "30 1F", 0},
            {" jmp [$1234]", "6E 9F 12 34", 0}, {" leax table,pcr", "30 8D 01 1F", 0},
            {" leax table,PCR", "30 8D 01 1F", 0}, {" leax [table,pcr]", "30 9D 01 1F", 0},
            {" leax 100,pc", "30 8D 20 60", 0},  // near target, far displacement
        },
        0xE000, define_table);
}

TEST(Indexed, AfterAPrefixByte) {
    expect_statements(
        {
            {" ldy [$1234]", "10 AE 9F 12 34", 0}, {" ldy 5,x", "10 AE 05", 0},
            {" ldy ,x", "10 AE 84", 0}, {" ldy -20,y", "10 AE A8 EC", 0},
            {" ldy 300,x", "10 AE 89 01 2C", 0}, {" ldy [5,x]", "10 AE 98 05", 0},
            {" ldy a,u", "10 AE C6", 0}, {" cmpd 5,s", "10 A3 65", 0},
            {" sts ,u++", "10 EF C1", 0}, {" ldy table,pcr", "10 AE 8D 01 1E", 0},
            {" ldy [table,pcr]", "10 AE 9D 01 1E", 0},
        },
        0xE000, define_table);
    expect_statements({{" ldy 100,pc", "10 AE 8C 50", 0}}, 0x0010);
}

TEST(Indexed, ProgramCounterRelativeForm) {
    expect_statements({{" leax 100,pc", "30 8C 51", 0}, {" leax [100,pc]", "30 9C 51", 0}}, 0x0010);
    expect_statements({
        {" leax 127,pc", "30 8C 7C", 0}, {" leax -125,pc", "30 8C 80", 0},
        {" leax -126,pc", "30 8D FF 7E", 0},  // displacement -129
        {" leax 128,pc", "30 8D 00 7C", 0},   // target outside -128..127
    });
}

TEST(Indexed, NoIndexRegister) {
    expect_statements({
        {" leax 5,", "30 05", 9}, {" leax 5, y", "30 05", 9},
        {" lda ,z", "A6 84", 9}, {" lda ,-z", "A6 82", 9},
        {" lda [,z]", "A6 94", 9}, {" lda a,q", "A6 86", 9},
        {" lda 300,q", "A6 89 01 2C", 9},
        {" lda UNDEF,z", "A6 89 FF FF", 9},  // replaces the 78 of the offset
    });
}

}  // namespace
