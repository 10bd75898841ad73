// Operands that run to the last of the 100 field positions. A reader that
// goes one past it would take the next byte in memory as part of the number
// or name; these tests put characters there that would change the result, and
// hold the text in exactly-sized heap blocks where AddressSanitizer sees it.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "codegen/statement_cases.h"
#include "source/fields.h"
#include "source/operand.h"
#include "source/symbols.h"
#include "source/text.h"

namespace {

// Digits and hex letters that a reader past the end would pick up.
constexpr char PAST_THE_END[] = "9A9A";

// Statements whose operand text fills the fields up to position 99.
TEST(FieldEnd, StatementsFilledToTheLastPosition) {
    const std::string zeros(60, '0');
    const std::string cases[][2] = {
        // a decimal number from position 40 to 99 (the comma mark holds a digit: extended)
        {" lda " + zeros.substr(0, 59) + "7", "B6 00 07"},
        // a hex immediate, and the second term of a sum, running to 99
        {" ldx #$" + zeros.substr(0, 54) + "1234", "8E 12 34"},
        {" lda 1+" + zeros.substr(0, 57) + "5", "B6 00 06"},
        {" fdb $" + zeros.substr(0, 55) + "ABCD", "AB CD"},
        // characters past position 99 are dropped, not stored after the fields
        {" lda " + zeros + std::string(14, '7'), "B6 00 00"},
        // operand 3 filled to its end is never read
        {" lda $10 x " + std::string(20, 'z'), "96 10"},
    };
    for (const auto& [text, bytes] : cases) {
        TestAsm t;
        // With the state's members in their present order the image follows
        // the fields, so its first bytes stand right after position 99.
        std::memcpy(t.st->image.data(), PAST_THE_END, 4);
        t.st->image_len = 0x100;
        EXPECT_EQ(hex_bytes(t.assemble(text)), bytes) << text;
        EXPECT_EQ(t.st->error_code, 0) << text;
        EXPECT_NE(t.fields()[99], ' ') << text << ": does not reach position 99";
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(t.st->image.data()), 4), PAST_THE_END) << text;
    }
}

// Runs `check` on 100 characters of field text held in a heap block of exactly
// 100 bytes, and again followed by PAST_THE_END.
template <typename Check>
void at_buffer_end(const std::string& text, Check check) {
    ASSERT_EQ(text.size(), 100u);
    const std::unique_ptr<char[]> exact(new char[100]);
    std::memcpy(exact.get(), text.data(), 100);
    check(SourceText{exact.get(), 100});
    const std::string padded = text + PAST_THE_END;
    check(SourceText{padded.data(), 100});
}

TEST(FieldEnd, ReadersStopAtPosition99) {
    const std::string blank(100, ' ');
    struct ValueCase {
        int start;
        std::string operand;  // placed so that it ends at position 99
        std::int32_t value;
    };
    const ValueCase values[] = {
        {40, std::string(59, '0') + "7", 7},
        {80, "$" + std::string(15, '0') + "BEEF", 0xBEEF},
        {80, "1+" + std::string(17, '0') + "2", 3},
        {98, "-5", -5},
        {99, "5", 5},
    };
    for (const ValueCase& c : values) {
        const std::string text = blank.substr(0, 100 - c.operand.size()) + c.operand;
        at_buffer_end(text, [&](SourceText t) {
            TestAsm a;
            EXPECT_EQ(eval_operand(*a.st, t, c.start), c.value) << c.operand;
        });
    }
    // A character constant whose character would be position 100.
    at_buffer_end(blank.substr(0, 99) + "'", [](SourceText t) {
        TestAsm a;
        EXPECT_EQ(eval_term(*a.st, t, 99), 0);
    });
    // A symbol name from position 95 to 99.
    at_buffer_end(blank.substr(0, 95) + "abcde", [](SourceText t) {
        TestAsm a;
        const int row = lookup_symbol(*a.st, t, 95);
        EXPECT_EQ(std::string(a.st->symbols[row].name.data(), SYMBOL_NAME_LEN), "abcde     ");
    });
}

}  // namespace
