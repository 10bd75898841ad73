#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/insn_table.h"
#include "codegen/statement_cases.h"
#include "source/fields.h"

namespace {

// Bytes of a sequence of statements assembled one after the other at 0.
std::string bytes_of(const std::vector<std::string>& statements) {
    TestAsm t;
    std::vector<int> all;
    for (const std::string& s : statements) {
        const std::vector<int> b = t.assemble(s);
        EXPECT_EQ(t.st->error_code, 0) << s;
        all.insert(all.end(), b.begin(), b.end());
    }
    return hex_bytes(all);
}

TEST(InsnTable, LooksUpTheFirstFourCharacters) {
    const InsnEntry* ldaa = find_insn("ldaa");
    ASSERT_NE(ldaa, nullptr);
    for (const char* text : {" LDAA", " Ldaa", " ldaa"}) {
        TestAsm t;
        t.set_line(text);
        EXPECT_EQ(find_insn(&t.st->fields[FIELD_MNEMONIC]), ldaa) << text;
    }
    EXPECT_EQ(find_insn("andcc"), find_insn("andc"));
    EXPECT_EQ(find_insn("cmp "), nullptr);
    ASSERT_NE(find_insn("    "), nullptr);
    EXPECT_EQ(find_insn("    ")->cls, CLS_EMPTY);
}

// Every name of up to four letters finds exactly the row of that name, the
// same as a search of the table in order: the names of no row find nothing.
TEST(InsnTable, FindsTheRowOfItsNameAndNoOther) {
    const auto in_order = [](const std::string& name) -> const InsnEntry* {
        for (int row = 0; row < INSN_ROWS; ++row) {
            if (std::string(insn_table[row].name.data(), MNEMONIC_SIGNIFICANT) == name) {
                return &insn_table[row];
            }
        }
        return nullptr;
    };
    const std::string letters = " abcdefghijklmnopqrstuvwxyz";
    int found = 0;
    for (char a : letters.substr(1)) {
        for (char b : letters) {
            for (char c : letters) {
                for (char d : std::string(" abdsxy")) {
                    const std::string name{a, b, c, d};
                    const InsnEntry* row = find_insn(name.c_str());
                    ASSERT_EQ(row, in_order(name)) << name;
                    found += row != nullptr;
                }
            }
        }
    }
    EXPECT_GT(found, 100);
}

TEST(InsnTable, StatementsByMnemonic) {
    expect_statements({
        {" LDAA #1", "86 01", 0}, {" Ldaa #1", "86 01", 0},
        {" andcc #$FE", "1C FE", 0}, {" orcc #$01", "1A 01", 0},
        {" clrab", "4F", 0}, {" cmp #1", "", 2},
        {"label", "", 0}, {"", "", 0},
        {" swi", "3F", 0}, {" swi2", "10 3F", 0},
        {" swi3", "11 3F", 0}, {" cwai #$EF", "3C EF", 0},
        {" aba", "34 04 AB E0", 0}, {" tab", "1F 89", 0},
        {" inx", "30 01", 0},
    });
}

TEST(InsnTable, UnknownMnemonicLeavesTheCountersAlone) {
    TestAsm t;
    t.st->loc = 0x1234;
    t.st->image_len = 7;
    EXPECT_TRUE(t.assemble(" cmp #1").empty());
    EXPECT_EQ(t.st->loc, 0x1234);
    EXPECT_EQ(t.st->image_len, 7);
}

// Each MC6800-style mnemonic and each synonym, with the MC6809 statements that
// must give the same bytes.
struct Equivalent {
    const char* mnemonic;
    std::vector<std::string> statements;  // what it stands for
    std::vector<std::string> mc6809;
};

TEST(InsnTable, ForeignMnemonicsGiveTheBytesOfTheirEquivalents) {
    const std::vector<Equivalent> cases = {
        {"ldaa", {" ldaa #1", " ldaa $10", " ldaa 5,x", " ldaa $1234"},
         {" lda #1", " lda $10", " lda 5,x", " lda $1234"}},
        {"ldab", {" ldab #1", " ldab [$10]"}, {" ldb #1", " ldb [$10]"}},
        {"oraa", {" oraa #1", " oraa ,x"}, {" ora #1", " ora ,x"}},
        {"orab", {" orab $1234"}, {" orb $1234"}},
        {"staa", {" staa $20", " staa ,y+"}, {" sta $20", " sta ,y+"}},
        {"stab", {" stab 5,y"}, {" stb 5,y"}},
        {"cpx", {" cpx #$1234", " cpx $20"}, {" cmpx #$1234", " cmpx $20"}},
        {"cpu", {" cpu #1", " cpu $20"}, {" cmpu #1", " cmpu $20"}},
        {"cpy", {" cpy [$1234]"}, {" cmpy [$1234]"}},
        {"aba", {" aba"}, {" pshs b", " adda ,s+"}},
        {"cba", {" cba"}, {" pshs b", " cmpa ,s+"}},
        {"sba", {" sba"}, {" pshs b", " suba ,s+"}},
        {"tab", {" tab"}, {" tfr a,b"}},
        {"tba", {" tba"}, {" tfr b,a"}},
        {"txs", {" txs"}, {" tfr x,s"}},
        {"tsx", {" tsx"}, {" tfr s,x"}},
        {"tap", {" tap"}, {" tfr a,cc"}},
        {"tpa", {" tpa"}, {" tfr cc,a"}},
        {"psha", {" psha"}, {" pshs a"}},
        {"pshb", {" pshb"}, {" pshs b"}},
        {"pula", {" pula"}, {" puls a"}},
        {"pulb", {" pulb"}, {" puls b"}},
        {"inx", {" inx"}, {" leax 1,x"}},
        {"dex", {" dex"}, {" leax -1,x"}},
        {"ins", {" ins"}, {" leas 1,s"}},
        {"des", {" des"}, {" leas -1,s"}},
        {"clc", {" clc"}, {" andcc #$FE"}},
        {"cli", {" cli"}, {" andcc #$EF"}},
        {"clv", {" clv"}, {" andcc #$FD"}},
        {"sec", {" sec"}, {" orcc #$01"}},
        {"sei", {" sei"}, {" orcc #$10"}},
        {"sev", {" sev"}, {" orcc #$02"}},
        {"lsla", {" lsla", " lslb", " lsl $20", " lsl ,x"}, {" asla", " aslb", " asl $20", " asl ,x"}},
        {"bhs", {" bhs 9", " blo 9", " lbhs 9", " lblo 9"}, {" bcc 9", " bcs 9", " lbcc 9", " lbcs 9"}},
    };
    for (const Equivalent& c : cases) {
        EXPECT_EQ(bytes_of(c.statements), bytes_of(c.mc6809)) << c.mnemonic;
    }
    // Every row of the two MC6800-only classes is among the cases.
    for (const InsnEntry& row : insn_table) {
        if (row.cls != CLS_ACC_PAIR && row.cls != CLS_FIXED_PAIR) {
            continue;
        }
        std::string name(row.name.data(), 4);
        name.erase(name.find_last_not_of(' ') + 1);
        bool found = false;
        for (const Equivalent& c : cases) {
            found = found || name == c.mnemonic;
        }
        EXPECT_TRUE(found) << name;
    }
}

}  // namespace
