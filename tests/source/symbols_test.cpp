#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/error_numbers.h"
#include "source/fields.h"
#include "source/symbols.h"
#include "support/assemble.h"


namespace {

SourceText text_of(const std::string& s) { return {s.data(), static_cast<int>(s.size())}; }

std::string name_of(const SymbolEntry& e) { return std::string(e.name.begin(), e.name.end()); }

int lookup(TestAsm& t, const std::string& s, int start = 0) { return lookup_symbol(*t.st, text_of(s), start); }

TEST(LookupSymbol, NameRules) {
    struct Case {
        std::string first;
        int start;
        std::string second;  // looked up from 0 after the first
        bool same_row;
        std::string stored;  // the first name as its row holds it
    };
    const Case cases[] = {
        {"ABCDEFGHIJ", 0, "ABCDEFGHIJK", true, "ABCDEFGHIJ"},
        {"loop", 0, "LOOP", false, "loop      "},
        {"COUNT+1", 0, "COUNT", true, "COUNT     "},
        {"COUNT-1", 0, "COUNT,x", true, "COUNT     "},
        {"A*B", 0, "A B", true, "A         "},
        {std::string("A\0B", 3), 0, "A", true, "A         "},
        {"A/B", 0, "A", false, "A/B       "},
        {"A;B", 0, "A;", false, "A;B       "},
        {"ab", 0, "ab", true, "ab        "},  // the text ends where a NUL would stand
        {"  lda label", 6, "label", true, "label     "},
        // names read from a text that holds all 10 of their characters
        {"COUNT-1,x  ", 0, "COUNT", true, "COUNT     "},
        {std::string("A\0BCDEFGHIJ", 11), 0, "A", true, "A         "},
        {"  lda label,x ptr", 6, "label", true, "label     "},
        {"\xC1\xFF" "ABCDEFGHIJ", 0, "\xC1\xFF" "ABCDEFGH", true, "\xC1\xFF" "ABCDEFGH"},
    };
    for (const Case& c : cases) {
        TestAsm t;
        const int first = lookup(t, c.first, c.start);
        EXPECT_EQ(t.st->error_code, 0) << c.first << ": creating a row sets no error";
        const int second = lookup(t, c.second);
        EXPECT_EQ(second == first, c.same_row) << c.first << " / " << c.second;
        EXPECT_EQ(t.st->symbol_count, c.same_row ? 1 : 2) << c.first;
        // finding a row that is still undefined is error 77; a new row sets none
        EXPECT_EQ(t.st->error_code, c.same_row ? ERR_NOT_YET_DEFINED : 0) << c.first;
        const SymbolEntry& row = t.st->symbols[first];
        EXPECT_EQ(name_of(row), c.stored) << c.first;
        EXPECT_EQ(row.kind, SYM_UNDEFINED);
        EXPECT_EQ(row.value, 0xFFFF);
    }
}

TEST(DefineLabel, Rules) {
    TestAsm t;
    t.define("val", 0x1234, SYM_EQU);  // row 0
    lookup(t, "fwd");                  // row 1, referred to before its definition
    struct Step {
        const char* text;
        std::int32_t loc;
        int row, error;
        std::uint8_t kind;
        std::int32_t value;
    };
    const Step steps[] = {
        {"here nop", 0x100, 2, 0, SYM_LABEL, 0x100},
        {"here", 0x100, 2, 0, SYM_LABEL, 0x100},
        {"here rts", 0x105, 2, ERR_LABEL_MOVED, SYM_LABEL, 0x105},
        {"val equ 5", 0x100, 0, ERR_LABEL_MOVED, SYM_EQU, 0x100},
        {"val", 0x100, 0, 0, SYM_EQU, 0x100},
        {"fwd nop", 0x200, 1, ERR_NOT_YET_DEFINED, SYM_LABEL, 0x200},
        {"fwd", 0x200, 1, 0, SYM_LABEL, 0x200},
        {"COUNT+1 nop", 0x300, 3, 0, SYM_LABEL, 0x300},
    };
    for (const Step& s : steps) {
        t.set_line(s.text);
        t.st->loc = s.loc;
        t.st->error_code = 0;
        const int row = define_label(*t.st);
        ASSERT_EQ(row, s.row) << s.text;
        EXPECT_EQ(t.st->error_code, s.error) << s.text;
        EXPECT_EQ(t.st->symbols[row].kind, s.kind) << s.text;
        EXPECT_EQ(t.st->symbols[row].value, s.value) << s.text;
    }
    EXPECT_EQ(t.st->symbol_count, 4);
    for (const char* text : {" here", "*here", ";here", "", "   "}) {
        t.set_line(text);
        t.st->loc = 0x999;
        EXPECT_EQ(define_label(*t.st), NO_ROW) << text;
        EXPECT_EQ(t.st->symbol_count, 4) << text;
        EXPECT_EQ(t.st->symbols[2].value, 0x105);
    }
}

TEST(LookupSymbol, OverflowAtThe1000thName) {
    const std::string message = "*** Label buffer over flow ***\n";
    std::stringbuf listing;
    TestAsm t;
    t.st->out.rdbuf(&listing);
    for (int i = 0; i < SYMBOL_CAPACITY - 1; ++i) {
        std::string name = "n";
        name += std::to_string(i);
        ASSERT_EQ(lookup(t, name), i);
    }
    EXPECT_EQ(t.console.str(), "");
    EXPECT_FALSE(t.st->symbol_overflow);
    EXPECT_EQ(lookup(t, "last"), OVERFLOW_ROW);
    EXPECT_EQ(t.console.str(), message);
    EXPECT_EQ(t.st->error_code, ERR_SYMBOL_OVERFLOW);
    EXPECT_TRUE(t.st->symbol_overflow);
    EXPECT_EQ(t.st->symbol_count, SYMBOL_CAPACITY);
    EXPECT_EQ(name_of(t.st->symbols[999]), "last      ");

    // names already in the table are still found, without a message
    t.st->error_code = 0;
    EXPECT_EQ(lookup(t, "n5"), 5);
    EXPECT_EQ(lookup(t, "last"), 999);
    EXPECT_EQ(t.console.str(), message);

    // a further new name is not stored, and the message comes again
    t.st->error_code = 0;
    EXPECT_EQ(lookup(t, "more"), OVERFLOW_ROW);
    EXPECT_EQ(t.st->error_code, ERR_SYMBOL_OVERFLOW);
    EXPECT_EQ(t.st->symbol_count, SYMBOL_CAPACITY);
    EXPECT_EQ(t.console.str(), message + message);
    flush_listing(*t.st);
    EXPECT_EQ(listing.str(), message + message);
}

}  // namespace
