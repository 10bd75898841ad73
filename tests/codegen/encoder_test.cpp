#include <gtest/gtest.h>

#include "codegen/encoder.h"
#include "source/symbols.h"
#include "codegen/statement_cases.h"

namespace {

TEST(Encoder, CommentsStartOnlyInTheFirstColumn) {
    expect_statements({
        {"* text", "", 0}, {"; text, more", "", 0},
        {" * text", "", 2}, {" ; text", "", 2},
    });
    TestAsm t;
    t.set_line("* lda #1");
    t.st->error_code = 76;
    EXPECT_EQ(encode_statement(*t.st, NO_ROW), 0);
    EXPECT_EQ(t.st->error_code, 76);
}

TEST(Encoder, ChoosesImmediateDirectOrExtended) {
    expect_statements({
        {" lda #$41", "86 41", 0}, {" lda #'A", "86 41", 0},
        {" lda $41", "96 41", 0}, {" lda $141", "B6 01 41", 0},
        {" lda $10000", "B6 00 00", 0},  // bit 16 set
        {" lda $20000", "96 00", 0},     // bit 17 is not looked at
        {" lda -1", "B6 FF FF", 0}, {" lda 0000000000000000005", "96 05", 0},
        {" lda 00000000000000000005", "B6 00 05", 0},  // fills the field: no comma mark space
        {" lda", "96 00", 0}, {" clr", "0F 00", 0},
        {" ldd #'AB", "CC 41 42", 0}, {" ldx #'A", "8E 41 20", 0},
        {" ldd #-1", "CC FF FF", 0}, {" ldx $20", "9E 20", 0},
        {" ldx $1234", "BE 12 34", 0}, {" jsr $1234", "BD 12 34", 0},
        {" ldy #$1234", "10 8E 12 34", 0}, {" lds #'A", "10 CE 41 20", 0},
        {" cmpu #1", "11 83 00 01", 0}, {" ldy $20", "10 9E 20", 0},
        {" sty $2000", "10 BF 20 00", 0}, {" sts $20", "10 DF 20", 0},
        {" clr $20", "0F 20", 0}, {" clr $2000", "7F 20 00", 0},
        {" jmp $1234", "7E 12 34", 0}, {" neg $10", "00 10", 0},
        {" clr #5", "0F 05", 0}, {" clr #$1234", "7F 12 34", 0},
        {" tst 5,x", "6D 05", 0}, {" andcc $FE", "1C FE", 0},
        {" andcc #$FE", "1C FE", 0}, {" cwai #$1EF", "3C EF", 0},
        {" lda fwd", "B6 FF FF", 78},
    });
    expect_statements({{" lda fwd", "96 20", 0}}, 0, [](TestAsm& t) { t.define("fwd", 0x20); });
}

TEST(Encoder, ImmediateOperandOnAStore) {
    expect_statements({
        {" sta #5", "87 05", 1}, {" stb #5", "C7 05", 1},
        {" staa #5", "87 05", 1}, {" stab #'A", "C7 41", 1},
        {" sta #UNDEF", "87 FF", 79}, {" std #5", "CD 00 05", 3},
        {" stx #5", "8F 00 05", 3}, {" stu #5", "CF 00 05", 3},
        {" jsr #5", "8D 00 05", 3}, {" std #UNDEF", "CD FF FF", 3},
        {" sts #5", "10 CF 00 05", 4}, {" sty #UNDEF", "10 8F FF FF", 4},
    });
    // The label was moved (76); the 8-bit store adds to it.
    expect_statements({{"L sta #5", "87 05", 77}}, 0, [](TestAsm& t) { t.define("L", 9); });
}

TEST(Encoder, ImmediateOperandFollowedByAComma) {
    expect_statements({
        {" sta #5,x", "87 05", 10}, {" lda #1,x", "86 01", 10},
        {" lda #'A,x", "86 41", 10}, {" ldx #$1234,y", "8E 12 34", 10},
        {" std #5,x", "CD 00 05", 10}, {" sty #1,x", "10 8F 00 01", 10},
        {" clr #5,x", "6F 05", 0},  // no immediate form: an indexed offset
    });
}

TEST(Encoder, Branches) {
    expect_statements(
        {
            {" bra $1081", "20 7F", 0}, {" bra $0F82", "20 80", 0},
            {" bra $1082", "20 80", 5}, {" bra $0F81", "20 7F", 5},
            {" bra $1000", "20 FE", 0}, {" bsr $1010", "8D 0E", 0},
            {" beq $11000", "27 FE", 0}, {" bra UNDEF", "20 FD", 5},
            {" lbra $1003", "16 00 00", 0}, {" lbeq $1004", "10 27 00 00", 0},
            {" lbsr $1000", "17 FF FD", 0}, {" lbne $0000", "10 26 EF FC", 0},
            {" lbra $9000", "16 7F FD", 0},
        },
        0x1000);
    expect_statements({{" bra $0005", "20 13", 0}}, 0xFFF0);  // across the top of memory
}

TEST(Encoder, BytesOutsideTheImageAreNotStored) {
    struct Case {
        std::int32_t image_len;
        const char* text;
        int size;
        const char* stored;
        int error;
    };
    const Case cases[] = {
        {65533, " lda $1234", 3, "B6 12 34", 0},
        {65535, " lda $1234", 3, "B6", 7},
        {65535, " sta #5", 2, "87", 7},  // 7 replaces the store's 1
        {-2, " lda $1234", 3, "34", 7},
    };
    for (const Case& c : cases) {
        TestAsm t;
        t.st->image_len = c.image_len;
        t.st->loc = 0x4000;
        EXPECT_EQ(hex_bytes(t.assemble(c.text)), c.stored) << c.image_len;
        EXPECT_EQ(t.st->error_code, c.error) << c.image_len;
        EXPECT_EQ(t.st->image_len, c.image_len + c.size) << c.image_len;
        EXPECT_EQ(t.st->loc, 0x4000 + c.size) << c.image_len;
    }
}

}  // namespace
