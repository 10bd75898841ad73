#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codegen/encoder.h"
#include "source/symbols.h"
#include "codegen/statement_cases.h"

namespace {

struct Result {
    std::string stored;  // bytes the statement put into the image
    std::string listed;  // the emit entries its listing count covers
    int count;           // what encode_statement returned
};

// Runs one statement as the statement routine does: label, then encoder.
Result run(TestAsm& t, const std::string& text) {
    t.set_line(text);
    t.st->error_code = 0;
    const int start = t.st->image_len;
    const int count = encode_statement(*t.st, define_label(*t.st));
    const int end = std::clamp(t.st->image_len, start, IMAGE_SIZE);  // an org may move image_len back
    const std::vector<int> stored(t.st->image.begin() + start, t.st->image.begin() + end);
    const std::vector<int> listed(t.st->emit.begin(), t.st->emit.begin() + count);
    return {hex_bytes(stored), hex_bytes(listed), count};
}

const SymbolEntry* symbol(const TestAsm& t, std::string name) {
    name.resize(SYMBOL_NAME_LEN, ' ');
    for (int row = 0; row < t.st->symbol_count; ++row) {
        if (std::string(t.st->symbols[row].name.data(), SYMBOL_NAME_LEN) == name) {
            return &t.st->symbols[row];
        }
    }
    return nullptr;
}

TEST(Directives, DataBytes) {
    const StatementCase cases[] = {
        {" fcb 1,2,3", "01 02 03", 0}, {" fcb 1,2,3,4,5,6,7,8", "01 02 03 04 05 06 07 08", 0},
        {" fdb $1234,5", "12 34 00 05", 0}, {" fdb 1,2,3,4", "00 01 00 02 00 03 00 04", 0},
        {" fcb", "00", 0}, {" fdb", "00 00", 0},
        {" fcb 1, 2", "01 02", 0}, {" fcb 1,   3", "01 03", 0},
        {" fdb $1234, $5678", "12 34 56 78", 0}, {" fcb 1,", "01 00", 0},
        {" fcb 'A,'B,$141", "41 42 41", 0}, {" fdb UNDEF", "FF FF", 78},
        {" fcb 1,2 * two bytes, no more", "01 02", 0},
        {" fcb 1,2 ; two bytes, one more", "01 02 FF", 78},
        {" fcb '*,2", "2A", 0}, {" fcc /HELLO/", "48 45 4C 4C 4F", 0},
        {" fcc /AB", "41 42", 0}, {" fcc /a*b/", "61 2A 62", 0},
        {" fcc /Hello, world/", "48 65 6C 6C 6F 2C 20 77 6F 72 6C 64", 0},
        {" fcc AB", "", 0}, {" fcc //", "", 0},
    };
    for (const StatementCase& c : cases) {
        TestAsm t;
        const Result r = run(t, c.text);
        EXPECT_EQ(r.stored, c.bytes) << c.text;
        EXPECT_EQ(r.listed, r.stored.substr(0, 17)) << c.text;  // the first six bytes
        EXPECT_EQ(t.st->error_code, c.error) << c.text;
        EXPECT_EQ(t.st->loc, t.st->image_len) << c.text;
    }
}

TEST(Directives, OrgBeforeAndAfterCode) {
    TestAsm t;
    EXPECT_EQ(run(t, "START org $2000").count, 0);
    EXPECT_EQ(symbol(t, "START")->value, 0);  // the location before the org
    EXPECT_EQ(t.st->origin, 0x2000);
    run(t, " org $1000");  // still no code: a new origin
    EXPECT_EQ(t.st->origin, 0x1000);
    run(t, " fcb 1,2,3");
    run(t, " org $1010");  // forward: a gap of zeros
    EXPECT_EQ(t.st->image_len, 16);
    EXPECT_EQ(run(t, " fcb 9").stored, "09");
    run(t, " org $1008");  // back: later bytes overwrite
    EXPECT_EQ(t.st->image_len, 8);
    run(t, " fdb $AABB");
    EXPECT_EQ(hex_bytes(std::vector<int>(t.st->image.begin(), t.st->image.begin() + 17)),
              "01 02 03 00 00 00 00 00 AA BB 00 00 00 00 00 00 09");
    EXPECT_EQ(t.st->loc, 0x100A);
    EXPECT_EQ(t.st->origin, 0x1000);
    run(t, " org $12345");
    EXPECT_EQ(t.st->loc, 0x2345);
}

TEST(Directives, OrgToTheTopOfMemory) {
    struct Case {
        std::int32_t end_len;
        const char* text;
        std::int32_t loc;
    };
    for (const Case& c : {Case{0, " org ?", 0x1000}, Case{0x20, " org ?", 0xFFE0}, Case{0x20, " org ?+5", 0xFFE0}}) {
        TestAsm t;
        t.st->end_len = c.end_len;
        t.st->image_len = 5;
        EXPECT_EQ(run(t, c.text).count, 0);
        EXPECT_EQ(t.st->loc, c.loc) << c.text;
        EXPECT_EQ(t.st->origin, c.loc) << c.text;
        EXPECT_EQ(t.st->image_len, 5) << c.text;
        EXPECT_EQ(t.st->top_placement, 1) << c.text;
    }
}

TEST(Directives, Equ) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    for (const Case& c : {Case{"X equ $1234", 0x1234}, Case{"X = 5", 5}, Case{"X equ -1", 0xFFFF},
                          Case{"X equ UNDEF", 0xFFFF}, Case{"X equ UNDEF+2", 0x0001}}) {
        TestAsm t;
        t.st->loc = 0x300;
        EXPECT_EQ(run(t, c.text).count, 0);
        ASSERT_NE(symbol(t, "X"), nullptr);
        EXPECT_EQ(symbol(t, "X")->value, c.value) << c.text;
        EXPECT_EQ(symbol(t, "X")->kind, SYM_EQU) << c.text;
        EXPECT_EQ(t.st->error_code, 0) << c.text;
        EXPECT_EQ(t.st->loc, 0x300) << c.text;
    }
    TestAsm t;
    t.define("X", 5, SYM_EQU);  // as pass 1 left it: the label check sees a moved label
    run(t, "X equ 5");
    EXPECT_EQ(t.st->error_code, 0);
    EXPECT_EQ(symbol(t, "X")->value, 5);
    run(t, " equ 7");
    EXPECT_EQ(t.st->symbol_count, 1);
    EXPECT_EQ(symbol(t, "X")->value, 5);
}

TEST(Directives, RmbAndEnd) {
    TestAsm t;
    t.st->loc = 0x100;
    t.st->image_len = 0x10;
    t.st->image[0x11] = 0x55;
    EXPECT_EQ(run(t, "BUF rmb 4").count, 0);
    EXPECT_EQ(symbol(t, "BUF")->value, 0x100);
    EXPECT_EQ(t.st->loc, 0x104);
    EXPECT_EQ(t.st->image_len, 0x14);
    EXPECT_EQ(t.st->image[0x11], 0x55);  // reserved bytes keep what they held
    run(t, " rmb $10004");
    EXPECT_EQ(t.st->loc, 0x108);
    EXPECT_EQ(run(t, " end UNDEF").count, 0);  // the operand is not read
    EXPECT_EQ(t.st->error_code, 0);
    EXPECT_EQ(t.st->end_len, 0x18);
    EXPECT_EQ(t.st->end_seen, 1);
}

TEST(Directives, ImageLengthPastTheImage) {
    struct Case {
        std::int32_t image_len;
        const char* text;
        int error;
    };
    for (const Case& c : {Case{65530, " rmb 6", 0}, Case{65530, " rmb 7", 7}, Case{1, " org $FFFF", 0},
                          Case{5, " org $FFFF", 7}}) {
        TestAsm t;
        t.st->image_len = c.image_len;
        run(t, c.text);
        EXPECT_EQ(t.st->error_code, c.error) << c.image_len << c.text;
    }
}

}  // namespace
