#include <gtest/gtest.h>

#include "support/assemble.h"

namespace {

struct SplitCase {
    std::string text;
    std::string f1, f2, f3, f4, f5;  // trailing spaces left out
};

std::string field(const std::string& all, int n) {
    std::string f = all.substr(n * 20, 20);
    f.erase(f.find_last_not_of(' ') + 1);
    return f;
}

TEST(SplitFields, StatementTable) {
    const SplitCase cases[] = {
        {"loop    lda  #$41 comment", "loop", "lda", "#$41", "comment", ""},
        {" ldx 0,y", "", "ldx", "0                  ,", "y", ""},
        {" LDA  [$1234]", "", "lda", "[$1234", "", ""},
        {" lda ,x", "", "lda", "                   ,", "x", ""},
        {" leax 5, y", "", "leax", "5                  ,", "", "y"},
        {" sta 0 ,x", "", "sta", "0", "                   ,", "x"},
        {"        pshs a,b,x,y", "", "pshs", "a                  ,", "b                  ,",
         "x                  ,"},
        {"X = 5", "X", "=", "5", "", ""},
        {" fcc /HELLO/", "", "fcc", "", "", ""},
        {"* comment, with comma", "*", "comment            ,", "", "with", "comma"},
        {"ABCDEFGHIJKLMNOPQRSTUV a", "ABCDEFGHIJKLMNOPQRST", "aV", "", "", ""},
        {"", "", "", "", "", ""},
        {"     ", "", "", "", "", ""},
        {"loop  lda  #1", "loop", "lda", "#1", "", ""},
        {" rts / note", "", "rts", "", "", ""},
        {" ; note", "", ";", "note", "", ""},
        // characters of a long mnemonic that run past position 39 are lowered
        {" ABCDEFGHIJKLMNOPQRSTUV", "", "abcdefghijklmnopqrst", "uv", "", ""},
        {" ld]a [5,x]", "", "lda", "[5                 ,", "x", ""},
    };
    for (const SplitCase& c : cases) {
        TestAsm t;
        t.set_line(c.text);
        const std::string all = t.fields();
        EXPECT_EQ(field(all, 0), c.f1) << c.text;
        EXPECT_EQ(field(all, 1), c.f2) << c.text;
        EXPECT_EQ(field(all, 2), c.f3) << c.text;
        EXPECT_EQ(field(all, 3), c.f4) << c.text;
        EXPECT_EQ(field(all, 4), c.f5) << c.text;
    }
}

TEST(SplitFields, DropsWhatWouldGoPastPosition100) {
    TestAsm t;
    t.set_line(" a b c d e f g");  // one word per field; f and g have no field
    EXPECT_EQ(t.fields().size(), 100u);
    EXPECT_EQ(field(t.fields(), 4), "d");
}

}  // namespace
