// The cycle count of every instruction row of the assembler's table in each
// of its forms, taken from the bytes the row assembles to. The expected counts
// are written down from the MC6809 datasheet ("N/M": not taken / taken, or
// RTI fast / entire; "N+": at least N; "": not whole defined instructions).

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "codegen/insn_table.h"
#include "mc6809/timing.h"
#include "source/fields.h"
#include "support/assemble.h"

namespace {

// The forms of the rows with immediate, direct, indexed and extended forms:
// ",x" adds nothing to the base count, "$40,y" an 8-bit offset's one cycle.
constexpr const char* memory_forms[] = {"$10", ",x", "$40,y", "$1234"};

struct MemoryRows {
    const char* names;       // rows sharing the counts, space-separated
    const char* immediate;   // its operand, or nullptr for rows without that form
    const char* counts[5];   // immediate, then the four memory forms
};

// clang-format off
const MemoryRows memory_rows[] = {
    {"adca adcb adda addb anda andb bita bitb cmpa cmpb eora eorb lda ldb ldaa ldab ora orb oraa orab "
     "sbca sbcb suba subb", "#$5A", {"2", "4", "4", "5", "5"}},
    {"sta stb staa stab",                                     "#$5A",   {"", "4", "4", "5", "5"}},
    {"addd cmpx cpx subd",                                    "#$5AA5", {"4", "6", "6", "7", "7"}},
    {"ldd ldx ldu",                                           "#$5AA5", {"3", "5", "5", "6", "6"}},
    {"std stx stu",                                           "#$5AA5", {"", "5", "5", "6", "6"}},
    {"jsr",                                                   "#$5AA5", {"", "7", "7", "8", "8"}},
    {"cmpd cmps cmpu cmpy cpu cpy",                           "#$5AA5", {"5", "7", "7", "8", "8"}},
    {"lds ldy",                                               "#$5AA5", {"4", "6", "6", "7", "7"}},
    {"sts sty",                                               "#$5AA5", {"", "6", "6", "7", "7"}},
    {"asl asr clr com dec inc lsl lsr neg rol ror tst",       nullptr,  {"", "6", "6", "7", "7"}},
    {"jmp",                                                   nullptr,  {"", "3", "3", "4", "4"}},
};

// Statements of one form, with their count.
const std::pair<const char*, const char*> single_form_cases[] = {
    {" abx", "3"}, {" daa", "2"}, {" mul", "11"}, {" nop", "2"}, {" rti", "6/15"}, {" rts", "5"},
    {" sex", "2"}, {" swi", "19"}, {" sync", "4+"}, {" swi2", "20"}, {" swi3", "20"},
    {" exg a,b", "8"}, {" tfr x,y", "6"},
    // 5 and a cycle per byte: cc,b,x 4 bytes; a,dp,pc 4; $5A is a,dp,x,u 6
    {" pshs cc,b,x", "9"}, {" pshs #$5A", "11"}, {" pshu a,dp,pc", "9"}, {" pshu #$5A", "11"},
    {" puls cc,b,x", "9"}, {" puls #$5A", "11"}, {" pulu a,dp,pc", "9"}, {" pulu #$5A", "11"},
    {" andcc #$5A", "3"}, {" orcc #$5A", "3"}, {" cwai #$5A", "20+"},
    {" leax ,x", "4"}, {" leay $40,y", "5"}, {" leas ,x", "4"}, {" leau $40,y", "5"},
    {" bsr $1012", "7"}, {" lbra $1234", "5"}, {" lbsr $1234", "9"}, {" lbrn $1234", "5"},
    // MC6800 forms: pshs b (6), then the operation on ,s+ (6)
    {" aba", "12"}, {" cba", "12"}, {" sba", "12"},
    {" tab", "6"}, {" tba", "6"}, {" txs", "6"}, {" tsx", "6"}, {" tap", "6"}, {" tpa", "6"},
    {" psha", "6"}, {" pshb", "6"}, {" pula", "6"}, {" pulb", "6"},
    {" inx", "5"}, {" dex", "5"}, {" ins", "5"}, {" des", "5"},
    {" clc", "3"}, {" cli", "3"}, {" clv", "3"}, {" sec", "3"}, {" sei", "3"}, {" sev", "3"},
};
// clang-format on

// Names whose rows share one count in their one form.
const std::pair<const char*, const char*> shared_form_rows[] = {
    {"asla aslb asra asrb clra clrb coma comb deca decb inca incb lsla lslb lsra lsrb nega negb rola rolb "
     "rora rorb tsta tstb", "2"},
    {"bcc bcs beq bge bgt bhi bhs ble blo bls blt bmi bne bpl bra brn bvc bvs", "3"},  // to $1012
    {"lbcc lbcs lbeq lbge lbgt lbhi lbhs lble lblo lbls lblt lbmi lbne lbpl lbvc lbvs", "5/6"},  // to $1234
};

std::vector<std::string> words(const char* text) {
    std::vector<std::string> out;
    std::string word;
    for (const char* p = text;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!word.empty()) {
                out.push_back(word);
            }
            word.clear();
            if (*p == '\0') {
                return out;
            }
        } else {
            word += *p;
        }
    }
}

struct CountCase {
    std::string statement, count;
};

// " name operand", built by appending (GCC 12 warns falsely on a chain of +).
std::string statement(const std::string& name, const char* operand) {
    std::string text = " ";
    text.append(name);
    if (*operand != '\0') {
        text.append(" ").append(operand);
    }
    return text;
}

std::vector<CountCase> all_cases() {
    std::vector<CountCase> cases;
    for (const MemoryRows& rows : memory_rows) {
        for (const std::string& name : words(rows.names)) {
            if (rows.immediate != nullptr) {
                cases.push_back({statement(name, rows.immediate), rows.counts[0]});
            }
            for (int f = 0; f < 4; ++f) {
                cases.push_back({statement(name, memory_forms[f]), rows.counts[f + 1]});
            }
        }
    }
    for (const auto& [names, count] : shared_form_rows) {
        const char* target = names[0] == 'l' ? "$1234" : names[0] == 'b' ? "$1012" : "";
        for (const std::string& name : words(names)) {
            cases.push_back({statement(name, target), count});
        }
    }
    for (const auto& [statement, count] : single_form_cases) {
        cases.push_back({statement, count});
    }
    return cases;
}

std::string count_text(const mc6809::Cycles& c) {
    if (c.low == 0) {
        return "";
    }
    std::string text = std::to_string(c.low);
    if (c.high != c.low) {
        text.append("/").append(std::to_string(c.high));
    }
    return c.at_least ? text.append("+") : text;
}

TEST(InsnCycles, EveryInstructionRowInEachOfItsForms) {
    for (const CountCase& c : all_cases()) {
        TestAsm t;
        t.st->loc = 0x1000;
        const std::vector<int> placed = t.assemble(c.statement);
        const std::vector<std::uint8_t> bytes(placed.begin(), placed.end());
        EXPECT_EQ(count_text(mc6809::sequence_cycles(bytes)), c.count) << '"' << c.statement << '"';
    }
}

// Every instruction row has a case here; the directives have none.
TEST(InsnCycles, EveryInstructionRowHasCases) {
    std::array<bool, INSN_ROWS> covered{};
    for (const CountCase& c : all_cases()) {
        TestAsm t;
        t.set_line(c.statement);
        const InsnEntry* row = find_insn(&t.st->fields[FIELD_MNEMONIC]);
        ASSERT_NE(row, nullptr) << c.statement;
        covered[static_cast<std::size_t>(row - insn_table.data())] = true;
    }
    for (int i = 0; i < INSN_ROWS; ++i) {
        EXPECT_EQ(covered[i], insn_table[i].cls < CLS_ORG)
            << "row " << i << " \"" << std::string(insn_table[i].name.data(), 4) << '"';
    }
}

}  // namespace
