#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "base/error_numbers.h"
#include "source/fields.h"
#include "source/operand.h"
#include "support/assemble.h"

namespace {

struct ValueCase {
    std::string operand;
    std::int32_t value;
    int error = 0;
};

// A state with label = $E100 and other = $E040 defined.
struct OperandAsm : TestAsm {
    OperandAsm() {
        define("label", 0xE100);
        define("other", 0xE040);
    }
    // Value of the operand standing in the operand-1 field.
    std::int32_t in_fields(const std::string& operand) {
        set_line(" lda " + operand);
        st->error_code = 0;
        return eval_operand(*st, fields_text(*st), FIELD_OPERAND1);
    }
    // Value of the fcb list item that follows the first comma of the statement text.
    std::int32_t in_line(const std::string& statement) {
        set_line(statement);
        st->error_code = 0;
        const int p = static_cast<int>(statement.find(',')) + 1;
        return eval_operand(*st, line_text(*st), p);
    }
};

TEST(EvalOperand, ValueTable) {
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    const ValueCase cases[] = {
        {"$1F", 31}, {"$1f", 31}, {"$G", 0}, {"$", 0}, {"255", 255}, {"-20", -20}, {"12A", 130},
        {"0x10", 110}, {"'A", 65}, {"-'A", -65}, {"#$41", 65}, {"#-5", -5}, {"#+5", 5}, {"[10", 10},
        {"[-5", -5}, {"label+2", 0xE102}, {"label-2", 0xE0FE}, {"label-other", 192}, {"-$10", -16},
        {"10+5", 15}, {"$10-1", 15}, {"5+label", 0xE105}, {"label+1+2", 0xE101}, {"*", 10}, {"", 0},
        {"nowhere", 0xFFFF, ERR_UNDEFINED_SYMBOL},
        // the marks, each at most once and only in the order [ # + -
        {"[#-5", -5}, {"+-5", -5}, {"-+5", 5}, {"-#5", -35}, {"#[5", 0xFFFF, ERR_UNDEFINED_SYMBOL},
        {"-label", -0xE100}, {"LABEL", 0xFFFF, ERR_UNDEFINED_SYMBOL},
        {"label+nowhere", 0xE100 + 0xFFFF, ERR_UNDEFINED_SYMBOL},
        // a character constant takes one character; what follows it is not part of the term
        {"'AB", 65}, {"'A+1", 66}, {"'$", 36}, {"#'\xC1", 0xC1},
        // ... but the search for the operator sees its character: "'+" plus "+5"
        {"'+5", 48}, {"#'-5", 40},
        // wrap-around: more than eight hex digits keep the last eight, and nothing is masked
        {"$123456789", 0x23456789}, {"$FFFFFFFF", -1}, {"4294967297", 1}, {"-$80000000", min},
        {"$7FFFFFFF+1", min}, {"$FFFF+$FFFF", 0x1FFFE},
        // the operator is seen within 20 characters of the operand only
        {"$" + std::string(17, '0') + "1+5", 6}, {"$" + std::string(18, '0') + "1+5", 1},
        {"[#" + std::string(16, '0') + "1-5", -4}, {"[#" + std::string(17, '0') + "1-5", 1},
        // bytes $80 to $FF are below "@" as signed characters: a decimal constant
        {"\xB5" "5", 55},
    };
    OperandAsm t;
    for (const ValueCase& c : cases) {
        EXPECT_EQ(t.in_fields(c.operand), c.value) << c.operand;
        EXPECT_EQ(t.st->error_code, c.error) << c.operand;
    }
}

TEST(EvalOperand, ItemsReadFromLine) {
    const ValueCase cases[] = {
        {" fcb 1,2", 2},
        {" fcb 1,$42", 66},
        {" fcb 1,2,3", 2},
        {" fcb 1,$42,3", 66},
        {" fcb 1,label", 0xE100},
        {" fcb 1,label-1 * comment", 0xE0FF},
        {" fcb 1,'A", 65},
        {" fcb 1,'", 0},  // the apostrophe is the last character of the text
        {" fcb 1,2 ; note", 2},
        {" fcb 1,nowhere", 0xFFFF, ERR_UNDEFINED_SYMBOL},
        {" fcb 1,5+label", 0xE105},
    };
    OperandAsm t;
    for (const ValueCase& c : cases) {
        EXPECT_EQ(t.in_line(c.operand), c.value) << c.operand;
        EXPECT_EQ(t.st->error_code, c.error) << c.operand;
    }
}

TEST(DigitValue, EveryKindOfCharacter) {
    struct Range {
        char from, to;
        int first;  // value of `from`; the values then count up by one
    };
    const Range ranges[] = {
        {'0', '9', 0},       {'A', 'F', 10},      {'a', 'f', 10},      {'G', 'O', 0},   {'g', 'o', 0},
        {'P', 'V', 9},       {'p', 'v', 9},       {'W', 'Z', 0},       {'w', 'z', 0},   {'@', '@', 9},
        {'\0', '\0', 0},     {'*', '*', 10},      {':', ':', 10},      {'.', '.', 14},  {' ', ' ', 0},
        {'\x80', '\x80', 0}, {'\xAB', '\xAB', 11}, {'\xFF', '\xFF', 15}, {'[', '[', 4}, {'~', '~', 7},
    };
    for (const Range& r : ranges) {
        int expected = r.first;
        for (int c = static_cast<unsigned char>(r.from); c <= static_cast<unsigned char>(r.to); ++c) {
            EXPECT_EQ(digit_value(static_cast<char>(c)), expected) << "code " << c;
            ++expected;
        }
    }
}

}  // namespace
