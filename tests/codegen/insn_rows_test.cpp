// Every row of the instruction table assembled in each of its addressing
// forms. The expected bytes are written down from the MC6809 opcode map (and,
// for this dialect's own mnemonics and errors, from its rules), never taken
// from the table, so a wrong opcode in a row shows up here.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "codegen/insn_table.h"
#include "source/fields.h"
#include "support/assemble.h"

namespace {

// Where every case is assembled; the branch targets below are counted from it.
constexpr std::int32_t LOC = 0x1000;

// One case: statements separated by '\n', the bytes they place together, and
// the error number every one of them must leave. The row it covers is the one
// named by the mnemonic of its first statement.
struct RowCase {
    std::string text;
    std::string bytes;
    int error = 0;
};

// Rows with immediate, direct, indexed and extended forms.
struct RegisterRow {
    const char* name;
    const char *immediate, *direct, *indexed, *offset, *extended;
    int immediate_error;  // the error of the rows that have no immediate form
};

// 8-bit accumulator rows. Columns: #$5A, $10, ,x, $40,y, $1234.
// clang-format off
const RegisterRow acc8_rows[] = {
    {"adca", "89 5A", "99 10", "A9 84", "A9 A8 40", "B9 12 34", 0},
    {"adcb", "C9 5A", "D9 10", "E9 84", "E9 A8 40", "F9 12 34", 0},
    {"adda", "8B 5A", "9B 10", "AB 84", "AB A8 40", "BB 12 34", 0},
    {"addb", "CB 5A", "DB 10", "EB 84", "EB A8 40", "FB 12 34", 0},
    {"anda", "84 5A", "94 10", "A4 84", "A4 A8 40", "B4 12 34", 0},
    {"andb", "C4 5A", "D4 10", "E4 84", "E4 A8 40", "F4 12 34", 0},
    {"bita", "85 5A", "95 10", "A5 84", "A5 A8 40", "B5 12 34", 0},
    {"bitb", "C5 5A", "D5 10", "E5 84", "E5 A8 40", "F5 12 34", 0},
    {"cmpa", "81 5A", "91 10", "A1 84", "A1 A8 40", "B1 12 34", 0},
    {"cmpb", "C1 5A", "D1 10", "E1 84", "E1 A8 40", "F1 12 34", 0},
    {"eora", "88 5A", "98 10", "A8 84", "A8 A8 40", "B8 12 34", 0},
    {"eorb", "C8 5A", "D8 10", "E8 84", "E8 A8 40", "F8 12 34", 0},
    {"lda",  "86 5A", "96 10", "A6 84", "A6 A8 40", "B6 12 34", 0},
    {"ldb",  "C6 5A", "D6 10", "E6 84", "E6 A8 40", "F6 12 34", 0},
    {"ldaa", "86 5A", "96 10", "A6 84", "A6 A8 40", "B6 12 34", 0},
    {"ldab", "C6 5A", "D6 10", "E6 84", "E6 A8 40", "F6 12 34", 0},
    {"ora",  "8A 5A", "9A 10", "AA 84", "AA A8 40", "BA 12 34", 0},
    {"orb",  "CA 5A", "DA 10", "EA 84", "EA A8 40", "FA 12 34", 0},
    {"oraa", "8A 5A", "9A 10", "AA 84", "AA A8 40", "BA 12 34", 0},
    {"orab", "CA 5A", "DA 10", "EA 84", "EA A8 40", "FA 12 34", 0},
    {"sbca", "82 5A", "92 10", "A2 84", "A2 A8 40", "B2 12 34", 0},
    {"sbcb", "C2 5A", "D2 10", "E2 84", "E2 A8 40", "F2 12 34", 0},
    {"suba", "80 5A", "90 10", "A0 84", "A0 A8 40", "B0 12 34", 0},
    {"subb", "C0 5A", "D0 10", "E0 84", "E0 A8 40", "F0 12 34", 0},
    {"sta",  "87 5A", "97 10", "A7 84", "A7 A8 40", "B7 12 34", 1},
    {"stb",  "C7 5A", "D7 10", "E7 84", "E7 A8 40", "F7 12 34", 1},
    {"staa", "87 5A", "97 10", "A7 84", "A7 A8 40", "B7 12 34", 1},
    {"stab", "C7 5A", "D7 10", "E7 84", "E7 A8 40", "F7 12 34", 1},
};
// clang-format on

// 16-bit rows, with or without a prefix byte. Columns: #$5AA5, $10, ,x, $40,y,
// $1234. Immediate stores: error 3 without a prefix (and jsr), 4 with one.
// clang-format off
const RegisterRow reg16_rows[] = {
    {"addd", "C3 5A A5",    "D3 10",    "E3 84",    "E3 A8 40",    "F3 12 34",    0},
    {"cmpx", "8C 5A A5",    "9C 10",    "AC 84",    "AC A8 40",    "BC 12 34",    0},
    {"cpx",  "8C 5A A5",    "9C 10",    "AC 84",    "AC A8 40",    "BC 12 34",    0},
    {"ldd",  "CC 5A A5",    "DC 10",    "EC 84",    "EC A8 40",    "FC 12 34",    0},
    {"ldx",  "8E 5A A5",    "9E 10",    "AE 84",    "AE A8 40",    "BE 12 34",    0},
    {"ldu",  "CE 5A A5",    "DE 10",    "EE 84",    "EE A8 40",    "FE 12 34",    0},
    {"std",  "CD 5A A5",    "DD 10",    "ED 84",    "ED A8 40",    "FD 12 34",    3},
    {"stx",  "8F 5A A5",    "9F 10",    "AF 84",    "AF A8 40",    "BF 12 34",    3},
    {"stu",  "CF 5A A5",    "DF 10",    "EF 84",    "EF A8 40",    "FF 12 34",    3},
    {"subd", "83 5A A5",    "93 10",    "A3 84",    "A3 A8 40",    "B3 12 34",    0},
    {"jsr",  "8D 5A A5",    "9D 10",    "AD 84",    "AD A8 40",    "BD 12 34",    3},
    {"cmpd", "10 83 5A A5", "10 93 10", "10 A3 84", "10 A3 A8 40", "10 B3 12 34", 0},
    {"cmps", "11 8C 5A A5", "11 9C 10", "11 AC 84", "11 AC A8 40", "11 BC 12 34", 0},
    {"cmpu", "11 83 5A A5", "11 93 10", "11 A3 84", "11 A3 A8 40", "11 B3 12 34", 0},
    {"cmpy", "10 8C 5A A5", "10 9C 10", "10 AC 84", "10 AC A8 40", "10 BC 12 34", 0},
    {"cpu",  "11 83 5A A5", "11 93 10", "11 A3 84", "11 A3 A8 40", "11 B3 12 34", 0},
    {"cpy",  "10 8C 5A A5", "10 9C 10", "10 AC 84", "10 AC A8 40", "10 BC 12 34", 0},
    {"lds",  "10 CE 5A A5", "10 DE 10", "10 EE 84", "10 EE A8 40", "10 FE 12 34", 0},
    {"ldy",  "10 8E 5A A5", "10 9E 10", "10 AE 84", "10 AE A8 40", "10 BE 12 34", 0},
    {"sts",  "10 CF 5A A5", "10 DF 10", "10 EF 84", "10 EF A8 40", "10 FF 12 34", 4},
    {"sty",  "10 8F 5A A5", "10 9F 10", "10 AF 84", "10 AF A8 40", "10 BF 12 34", 4},
};
// clang-format on

// Rows on a memory operand (no immediate form). Columns: $10, ,x, $40,y, $1234.
struct MemoryRow {
    const char* name;
    const char *direct, *indexed, *offset, *extended;
};

// clang-format off
const MemoryRow memory_rows[] = {
    {"neg", "00 10", "60 84", "60 A8 40", "70 12 34"},
    {"com", "03 10", "63 84", "63 A8 40", "73 12 34"},
    {"lsr", "04 10", "64 84", "64 A8 40", "74 12 34"},
    {"ror", "06 10", "66 84", "66 A8 40", "76 12 34"},
    {"asr", "07 10", "67 84", "67 A8 40", "77 12 34"},
    {"asl", "08 10", "68 84", "68 A8 40", "78 12 34"},
    {"lsl", "08 10", "68 84", "68 A8 40", "78 12 34"},
    {"rol", "09 10", "69 84", "69 A8 40", "79 12 34"},
    {"dec", "0A 10", "6A 84", "6A A8 40", "7A 12 34"},
    {"inc", "0C 10", "6C 84", "6C A8 40", "7C 12 34"},
    {"tst", "0D 10", "6D 84", "6D A8 40", "7D 12 34"},
    {"jmp", "0E 10", "6E 84", "6E A8 40", "7E 12 34"},
    {"clr", "0F 10", "6F 84", "6F A8 40", "7F 12 34"},
};
// clang-format on

// Short branches from LOC. Columns: to $1012 (forward 16), to $0FF2 (back 16).
struct ShortBranchRow {
    const char *name, *forward, *backward;
};

// clang-format off
const ShortBranchRow short_branch_rows[] = {
    {"bra", "20 10", "20 F0"}, {"brn", "21 10", "21 F0"},
    {"bhi", "22 10", "22 F0"}, {"bls", "23 10", "23 F0"},
    {"bcc", "24 10", "24 F0"}, {"bhs", "24 10", "24 F0"},
    {"bcs", "25 10", "25 F0"}, {"blo", "25 10", "25 F0"},
    {"bne", "26 10", "26 F0"}, {"beq", "27 10", "27 F0"},
    {"bvc", "28 10", "28 F0"}, {"bvs", "29 10", "29 F0"},
    {"bpl", "2A 10", "2A F0"}, {"bmi", "2B 10", "2B F0"},
    {"bge", "2C 10", "2C F0"}, {"blt", "2D 10", "2D F0"},
    {"bgt", "2E 10", "2E F0"}, {"ble", "2F 10", "2F F0"},
    {"bsr", "8D 10", "8D F0"},
};
// clang-format on

// Long branches from LOC. Columns: to $1234, to $0F00. The offset counts from
// the end of the statement: 3 bytes for lbra and lbsr, 4 for the others.
const ShortBranchRow long_branch_rows[] = {
    {"lbra", "16 02 31", "16 FE FD"},       {"lbsr", "17 02 31", "17 FE FD"},
    {"lbrn", "10 21 02 30", "10 21 FE FC"}, {"lbhi", "10 22 02 30", "10 22 FE FC"},
    {"lbls", "10 23 02 30", "10 23 FE FC"}, {"lbcc", "10 24 02 30", "10 24 FE FC"},
    {"lbhs", "10 24 02 30", "10 24 FE FC"}, {"lbcs", "10 25 02 30", "10 25 FE FC"},
    {"lblo", "10 25 02 30", "10 25 FE FC"}, {"lbne", "10 26 02 30", "10 26 FE FC"},
    {"lbeq", "10 27 02 30", "10 27 FE FC"}, {"lbvc", "10 28 02 30", "10 28 FE FC"},
    {"lbvs", "10 29 02 30", "10 29 FE FC"}, {"lbpl", "10 2A 02 30", "10 2A FE FC"},
    {"lbmi", "10 2B 02 30", "10 2B FE FC"}, {"lbge", "10 2C 02 30", "10 2C FE FC"},
    {"lblt", "10 2D 02 30", "10 2D FE FC"}, {"lbgt", "10 2E 02 30", "10 2E FE FC"},
    {"lble", "10 2F 02 30", "10 2F FE FC"},
};

// Rows with one form, written out whole.
const RowCase single_form_cases[] = {
    // inherent
    {" abx", "3A"}, {" asla", "48"}, {" aslb", "58"}, {" asra", "47"}, {" asrb", "57"},
    {" clra", "4F"}, {" clrb", "5F"}, {" coma", "43"}, {" comb", "53"}, {" daa", "19"},
    {" deca", "4A"}, {" decb", "5A"}, {" inca", "4C"}, {" incb", "5C"}, {" lsla", "48"},
    {" lslb", "58"}, {" lsra", "44"}, {" lsrb", "54"}, {" mul", "3D"}, {" nop", "12"},
    {" nega", "40"}, {" negb", "50"}, {" rola", "49"}, {" rolb", "59"}, {" rora", "46"},
    {" rorb", "56"}, {" rti", "3B"}, {" rts", "39"}, {" sex", "1D"}, {" swi", "3F"},
    {" sync", "13"}, {" tsta", "4D"}, {" tstb", "5D"},
    {" swi2", "10 3F"}, {" swi3", "11 3F"},
    // register pairs (a = 8, b = 9, x = 1, y = 2), or the postbyte given as a value
    {" exg a,b", "1E 89"}, {" exg #$5A", "1E 5A"},
    {" tfr x,y", "1F 12"}, {" tfr #$5A", "1F 5A"},
    // register lists (cc 01, a 02, b 04, dp 08, x 10, y 20, u/s 40, pc 80)
    {" pshs cc,b,x", "34 15"}, {" pshs #$5A", "34 5A"},
    {" pshu a,dp,pc", "36 8A"}, {" pshu #$5A", "36 5A"},
    {" puls cc,b,x", "35 15"}, {" puls #$5A", "35 5A"},
    {" pulu a,dp,pc", "37 8A"}, {" pulu #$5A", "37 5A"},
    // condition codes, with and without "#"
    {" andcc #$5A", "1C 5A"}, {" andcc $5A", "1C 5A"},
    {" orcc #$5A", "1A 5A"}, {" orcc $5A", "1A 5A"},
    {" cwai #$5A", "3C 5A"}, {" cwai $5A", "3C 5A"},
    // load effective address: ,x and an 8-bit offset
    {" leax ,x", "30 84"}, {" leax $40,y", "30 A8 40"},
    {" leay ,x", "31 84"}, {" leay $40,y", "31 A8 40"},
    {" leas ,x", "32 84"}, {" leas $40,y", "32 A8 40"},
    {" leau ,x", "33 84"}, {" leau $40,y", "33 A8 40"},
    // MC6800 B-on-A operations: pshs b, then the operation on ,s+
    {" aba", "34 04 AB E0"}, {" cba", "34 04 A1 E0"}, {" sba", "34 04 A0 E0"},
    // MC6800 mnemonics with two fixed bytes
    {" tab", "1F 89"}, {" tba", "1F 98"}, {" txs", "1F 14"}, {" tsx", "1F 41"},
    {" tap", "1F 8A"}, {" tpa", "1F A8"},
    {" psha", "34 02"}, {" pshb", "34 04"}, {" pula", "35 02"}, {" pulb", "35 04"},
    {" inx", "30 01"}, {" dex", "30 1F"}, {" ins", "32 61"}, {" des", "32 7F"},
    {" clc", "1C FE"}, {" cli", "1C EF"}, {" clv", "1C FD"},
    {" sec", "1A 01"}, {" sei", "1A 10"}, {" sev", "1A 02"},
    // directives, each with statements that show its effect in bytes
    {" org $2000\nB nop\n fdb B", "12 20 00"},
    {" rorg $2000\nB nop\n fdb B", "12 20 00"},
    {"X equ $2345\n fdb X", "23 45"},
    {"X = $2345\n fdb X", "23 45"},
    {" fcb $12,$34", "12 34"},
    {" fdb $1234,$5678", "12 34 56 78"},
    {" fcc /AB/", "41 42"},
    {" rmb 2\nB nop\n fdb B", "00 00 12 10 02"},
    {"B\n fdb B", "10 00"},  // a label alone: the blank mnemonic
    {" end\n nop", "12"},
};

std::vector<RowCase> all_cases() {
    std::vector<RowCase> cases;
    const auto add = [&](const char* name, const std::string& operand, const char* bytes, int error) {
        cases.push_back({std::string(" ") + name + " " + operand, bytes, error});
    };
    const auto add_register_row = [&](const RegisterRow& r, const char* immediate) {
        add(r.name, immediate, r.immediate, r.immediate_error);
        add(r.name, "$10", r.direct, 0);
        add(r.name, ",x", r.indexed, 0);
        add(r.name, "$40,y", r.offset, 0);
        add(r.name, "$1234", r.extended, 0);
    };
    for (const RegisterRow& r : acc8_rows) {
        add_register_row(r, "#$5A");
    }
    for (const RegisterRow& r : reg16_rows) {
        add_register_row(r, "#$5AA5");
    }
    for (const MemoryRow& r : memory_rows) {
        add(r.name, "$10", r.direct, 0);
        add(r.name, ",x", r.indexed, 0);
        add(r.name, "$40,y", r.offset, 0);
        add(r.name, "$1234", r.extended, 0);
    }
    for (const ShortBranchRow& r : short_branch_rows) {
        add(r.name, "$1012", r.forward, 0);
        add(r.name, "$0FF2", r.backward, 0);
    }
    for (const ShortBranchRow& r : long_branch_rows) {
        add(r.name, "$1234", r.forward, 0);
        add(r.name, "$0F00", r.backward, 0);
    }
    cases.insert(cases.end(), std::begin(single_form_cases), std::end(single_form_cases));
    return cases;
}

std::vector<std::string> statements_of(const std::string& text) {
    std::vector<std::string> statements;
    std::string::size_type from = 0;
    for (std::string::size_type nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
        statements.push_back(text.substr(from, nl - from));
    }
    statements.push_back(text.substr(from));
    return statements;
}

TEST(InsnRows, EveryRowInEachOfItsForms) {
    for (const RowCase& c : all_cases()) {
        TestAsm t;
        t.st->loc = LOC;
        std::vector<int> bytes;
        for (const std::string& statement : statements_of(c.text)) {
            const std::vector<int> b = t.assemble(statement);
            bytes.insert(bytes.end(), b.begin(), b.end());
            EXPECT_EQ(t.st->error_code, c.error) << '"' << statement << '"';
        }
        EXPECT_EQ(hex_bytes(bytes), c.bytes) << '"' << c.text << '"';
    }
}

// A row added to the table without cases here fails this test; so does a row
// that no mnemonic can reach.
TEST(InsnRows, EveryRowHasCases) {
    std::array<bool, INSN_ROWS> covered{};
    for (const RowCase& c : all_cases()) {
        TestAsm t;
        t.set_line(statements_of(c.text).front());
        const InsnEntry* row = find_insn(&t.st->fields[FIELD_MNEMONIC]);
        ASSERT_NE(row, nullptr) << c.text;
        covered[static_cast<std::size_t>(row - insn_table.data())] = true;
    }
    for (int i = 0; i < INSN_ROWS; ++i) {
        EXPECT_TRUE(covered[i]) << "no case for row " << i << " \"" << std::string(insn_table[i].name.data(), 4)
                                << '"';
    }
}

}  // namespace
