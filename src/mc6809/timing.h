#pragma once

// The MC6809's opcodes with their addressing modes, lengths and cycle counts,
// as the Motorola datasheet tabulates them, and the rules that turn an
// instruction's bytes into the cycles it takes. The assembler's listing and
// the simulator both count with these, so they always agree.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace mc6809 {

enum class Mode : std::uint8_t { undefined, inherent, immediate, direct, indexed, extended, relative, long_relative };

struct Opcode {
    std::string_view mnemonic;  // lower case as the datasheet prints it ("lda", "lbne", "pshs"); "" when undefined
    Mode mode;
    std::uint8_t cycles;  // datasheet base count: indexed without the postbyte's extra; PSH/PUL without the
                          // bytes moved; long conditional branches when not taken; RTI 6 (fast return)
    std::uint8_t bytes;   // length with the page prefix, the opcode and (for indexed) the postbyte, without
                          // the indexed offset bytes
};

inline constexpr std::uint8_t PAGE2_PREFIX = 0x10, PAGE3_PREFIX = 0x11;

// What the CPU spends beyond its instructions' base counts.
inline constexpr int RTI_ENTIRE_CYCLES = 15;     // RTI when the stacked CC has E set: all registers pulled
inline constexpr int NMI_IRQ_ENTRY_CYCLES = 19;  // entire state stacked, vector fetched
inline constexpr int FIRQ_ENTRY_CYCLES = 10;     // PC and CC stacked, vector fetched
inline constexpr int LONG_BRANCH_TAKEN_EXTRA = 1;
inline constexpr int CYCLES_PER_BYTE_MOVED = 1;  // PSHS, PULS, PSHU, PULU

namespace detail {

using enum Mode;

struct Row {
    std::uint8_t op;
    Opcode opcode;
};

// Places the rows at their opcodes; the codes not listed stay undefined. A
// code listed twice stops the compilation.
template <std::size_t N>
constexpr std::array<Opcode, 256> page_of(const Row (&rows)[N]) {
    std::array<Opcode, 256> page{};
    page.fill(Opcode{"", undefined, 0, 0});
    for (const Row& row : rows) {
        if (page[row.op].mode != undefined) {
            throw "opcode listed twice";
        }
        page[row.op] = row.opcode;
    }
    return page;
}

// Where the datasheet gives two names to one code (asl/lsl, bcc/bhs, bcs/blo)
// the first is used. Each "+" of the datasheet is the indexed extra, or the
// bytes PSH/PUL move; RTI's 6/15 and the "at least" of SYNC and CWAI are
// rules of instruction_cycles.
// clang-format off
inline constexpr Row PAGE1_ROWS[] = {
    {0x00, {"neg",   direct,    6, 2}},
    {0x03, {"com",   direct,    6, 2}},
    {0x04, {"lsr",   direct,    6, 2}},
    {0x06, {"ror",   direct,    6, 2}},
    {0x07, {"asr",   direct,    6, 2}},
    {0x08, {"asl",   direct,    6, 2}},
    {0x09, {"rol",   direct,    6, 2}},
    {0x0A, {"dec",   direct,    6, 2}},
    {0x0C, {"inc",   direct,    6, 2}},
    {0x0D, {"tst",   direct,    6, 2}},
    {0x0E, {"jmp",   direct,    3, 2}},
    {0x0F, {"clr",   direct,    6, 2}},

    {0x12, {"nop",   inherent,  2, 1}},
    {0x13, {"sync",  inherent,  4, 1}},  // at least
    {0x16, {"lbra",  long_relative, 5, 3}},
    {0x17, {"lbsr",  long_relative, 9, 3}},
    {0x19, {"daa",   inherent,  2, 1}},
    {0x1A, {"orcc",  immediate, 3, 2}},
    {0x1C, {"andcc", immediate, 3, 2}},
    {0x1D, {"sex",   inherent,  2, 1}},
    {0x1E, {"exg",   immediate, 8, 2}},
    {0x1F, {"tfr",   immediate, 6, 2}},

    {0x20, {"bra",   relative,  3, 2}},
    {0x21, {"brn",   relative,  3, 2}},
    {0x22, {"bhi",   relative,  3, 2}},
    {0x23, {"bls",   relative,  3, 2}},
    {0x24, {"bcc",   relative,  3, 2}},
    {0x25, {"bcs",   relative,  3, 2}},
    {0x26, {"bne",   relative,  3, 2}},
    {0x27, {"beq",   relative,  3, 2}},
    {0x28, {"bvc",   relative,  3, 2}},
    {0x29, {"bvs",   relative,  3, 2}},
    {0x2A, {"bpl",   relative,  3, 2}},
    {0x2B, {"bmi",   relative,  3, 2}},
    {0x2C, {"bge",   relative,  3, 2}},
    {0x2D, {"blt",   relative,  3, 2}},
    {0x2E, {"bgt",   relative,  3, 2}},
    {0x2F, {"ble",   relative,  3, 2}},

    {0x30, {"leax",  indexed,   4, 2}},
    {0x31, {"leay",  indexed,   4, 2}},
    {0x32, {"leas",  indexed,   4, 2}},
    {0x33, {"leau",  indexed,   4, 2}},
    {0x34, {"pshs",  immediate, 5, 2}},
    {0x35, {"puls",  immediate, 5, 2}},
    {0x36, {"pshu",  immediate, 5, 2}},
    {0x37, {"pulu",  immediate, 5, 2}},
    {0x39, {"rts",   inherent,  5, 1}},
    {0x3A, {"abx",   inherent,  3, 1}},
    {0x3B, {"rti",   inherent,  6, 1}},  // 6 or 15
    {0x3C, {"cwai",  inherent, 20, 2}},  // at least
    {0x3D, {"mul",   inherent, 11, 1}},
    {0x3F, {"swi",   inherent, 19, 1}},

    {0x40, {"nega",  inherent,  2, 1}},
    {0x43, {"coma",  inherent,  2, 1}},
    {0x44, {"lsra",  inherent,  2, 1}},
    {0x46, {"rora",  inherent,  2, 1}},
    {0x47, {"asra",  inherent,  2, 1}},
    {0x48, {"asla",  inherent,  2, 1}},
    {0x49, {"rola",  inherent,  2, 1}},
    {0x4A, {"deca",  inherent,  2, 1}},
    {0x4C, {"inca",  inherent,  2, 1}},
    {0x4D, {"tsta",  inherent,  2, 1}},
    {0x4F, {"clra",  inherent,  2, 1}},

    {0x50, {"negb",  inherent,  2, 1}},
    {0x53, {"comb",  inherent,  2, 1}},
    {0x54, {"lsrb",  inherent,  2, 1}},
    {0x56, {"rorb",  inherent,  2, 1}},
    {0x57, {"asrb",  inherent,  2, 1}},
    {0x58, {"aslb",  inherent,  2, 1}},
    {0x59, {"rolb",  inherent,  2, 1}},
    {0x5A, {"decb",  inherent,  2, 1}},
    {0x5C, {"incb",  inherent,  2, 1}},
    {0x5D, {"tstb",  inherent,  2, 1}},
    {0x5F, {"clrb",  inherent,  2, 1}},

    {0x60, {"neg",   indexed,   6, 2}},
    {0x63, {"com",   indexed,   6, 2}},
    {0x64, {"lsr",   indexed,   6, 2}},
    {0x66, {"ror",   indexed,   6, 2}},
    {0x67, {"asr",   indexed,   6, 2}},
    {0x68, {"asl",   indexed,   6, 2}},
    {0x69, {"rol",   indexed,   6, 2}},
    {0x6A, {"dec",   indexed,   6, 2}},
    {0x6C, {"inc",   indexed,   6, 2}},
    {0x6D, {"tst",   indexed,   6, 2}},
    {0x6E, {"jmp",   indexed,   3, 2}},
    {0x6F, {"clr",   indexed,   6, 2}},

    {0x70, {"neg",   extended,  7, 3}},
    {0x73, {"com",   extended,  7, 3}},
    {0x74, {"lsr",   extended,  7, 3}},
    {0x76, {"ror",   extended,  7, 3}},
    {0x77, {"asr",   extended,  7, 3}},
    {0x78, {"asl",   extended,  7, 3}},
    {0x79, {"rol",   extended,  7, 3}},
    {0x7A, {"dec",   extended,  7, 3}},
    {0x7C, {"inc",   extended,  7, 3}},
    {0x7D, {"tst",   extended,  7, 3}},
    {0x7E, {"jmp",   extended,  4, 3}},
    {0x7F, {"clr",   extended,  7, 3}},

    {0x80, {"suba",  immediate, 2, 2}},
    {0x81, {"cmpa",  immediate, 2, 2}},
    {0x82, {"sbca",  immediate, 2, 2}},
    {0x83, {"subd",  immediate, 4, 3}},
    {0x84, {"anda",  immediate, 2, 2}},
    {0x85, {"bita",  immediate, 2, 2}},
    {0x86, {"lda",   immediate, 2, 2}},
    {0x88, {"eora",  immediate, 2, 2}},
    {0x89, {"adca",  immediate, 2, 2}},
    {0x8A, {"ora",   immediate, 2, 2}},
    {0x8B, {"adda",  immediate, 2, 2}},
    {0x8C, {"cmpx",  immediate, 4, 3}},
    {0x8D, {"bsr",   relative,  7, 2}},
    {0x8E, {"ldx",   immediate, 3, 3}},

    {0x90, {"suba",  direct,    4, 2}},
    {0x91, {"cmpa",  direct,    4, 2}},
    {0x92, {"sbca",  direct,    4, 2}},
    {0x93, {"subd",  direct,    6, 2}},
    {0x94, {"anda",  direct,    4, 2}},
    {0x95, {"bita",  direct,    4, 2}},
    {0x96, {"lda",   direct,    4, 2}},
    {0x97, {"sta",   direct,    4, 2}},
    {0x98, {"eora",  direct,    4, 2}},
    {0x99, {"adca",  direct,    4, 2}},
    {0x9A, {"ora",   direct,    4, 2}},
    {0x9B, {"adda",  direct,    4, 2}},
    {0x9C, {"cmpx",  direct,    6, 2}},
    {0x9D, {"jsr",   direct,    7, 2}},
    {0x9E, {"ldx",   direct,    5, 2}},
    {0x9F, {"stx",   direct,    5, 2}},

    {0xA0, {"suba",  indexed,   4, 2}},
    {0xA1, {"cmpa",  indexed,   4, 2}},
    {0xA2, {"sbca",  indexed,   4, 2}},
    {0xA3, {"subd",  indexed,   6, 2}},
    {0xA4, {"anda",  indexed,   4, 2}},
    {0xA5, {"bita",  indexed,   4, 2}},
    {0xA6, {"lda",   indexed,   4, 2}},
    {0xA7, {"sta",   indexed,   4, 2}},
    {0xA8, {"eora",  indexed,   4, 2}},
    {0xA9, {"adca",  indexed,   4, 2}},
    {0xAA, {"ora",   indexed,   4, 2}},
    {0xAB, {"adda",  indexed,   4, 2}},
    {0xAC, {"cmpx",  indexed,   6, 2}},
    {0xAD, {"jsr",   indexed,   7, 2}},
    {0xAE, {"ldx",   indexed,   5, 2}},
    {0xAF, {"stx",   indexed,   5, 2}},

    {0xB0, {"suba",  extended,  5, 3}},
    {0xB1, {"cmpa",  extended,  5, 3}},
    {0xB2, {"sbca",  extended,  5, 3}},
    {0xB3, {"subd",  extended,  7, 3}},
    {0xB4, {"anda",  extended,  5, 3}},
    {0xB5, {"bita",  extended,  5, 3}},
    {0xB6, {"lda",   extended,  5, 3}},
    {0xB7, {"sta",   extended,  5, 3}},
    {0xB8, {"eora",  extended,  5, 3}},
    {0xB9, {"adca",  extended,  5, 3}},
    {0xBA, {"ora",   extended,  5, 3}},
    {0xBB, {"adda",  extended,  5, 3}},
    {0xBC, {"cmpx",  extended,  7, 3}},
    {0xBD, {"jsr",   extended,  8, 3}},
    {0xBE, {"ldx",   extended,  6, 3}},
    {0xBF, {"stx",   extended,  6, 3}},

    {0xC0, {"subb",  immediate, 2, 2}},
    {0xC1, {"cmpb",  immediate, 2, 2}},
    {0xC2, {"sbcb",  immediate, 2, 2}},
    {0xC3, {"addd",  immediate, 4, 3}},
    {0xC4, {"andb",  immediate, 2, 2}},
    {0xC5, {"bitb",  immediate, 2, 2}},
    {0xC6, {"ldb",   immediate, 2, 2}},
    {0xC8, {"eorb",  immediate, 2, 2}},
    {0xC9, {"adcb",  immediate, 2, 2}},
    {0xCA, {"orb",   immediate, 2, 2}},
    {0xCB, {"addb",  immediate, 2, 2}},
    {0xCC, {"ldd",   immediate, 3, 3}},
    {0xCE, {"ldu",   immediate, 3, 3}},

    {0xD0, {"subb",  direct,    4, 2}},
    {0xD1, {"cmpb",  direct,    4, 2}},
    {0xD2, {"sbcb",  direct,    4, 2}},
    {0xD3, {"addd",  direct,    6, 2}},
    {0xD4, {"andb",  direct,    4, 2}},
    {0xD5, {"bitb",  direct,    4, 2}},
    {0xD6, {"ldb",   direct,    4, 2}},
    {0xD7, {"stb",   direct,    4, 2}},
    {0xD8, {"eorb",  direct,    4, 2}},
    {0xD9, {"adcb",  direct,    4, 2}},
    {0xDA, {"orb",   direct,    4, 2}},
    {0xDB, {"addb",  direct,    4, 2}},
    {0xDC, {"ldd",   direct,    5, 2}},
    {0xDD, {"std",   direct,    5, 2}},
    {0xDE, {"ldu",   direct,    5, 2}},
    {0xDF, {"stu",   direct,    5, 2}},

    {0xE0, {"subb",  indexed,   4, 2}},
    {0xE1, {"cmpb",  indexed,   4, 2}},
    {0xE2, {"sbcb",  indexed,   4, 2}},
    {0xE3, {"addd",  indexed,   6, 2}},
    {0xE4, {"andb",  indexed,   4, 2}},
    {0xE5, {"bitb",  indexed,   4, 2}},
    {0xE6, {"ldb",   indexed,   4, 2}},
    {0xE7, {"stb",   indexed,   4, 2}},
    {0xE8, {"eorb",  indexed,   4, 2}},
    {0xE9, {"adcb",  indexed,   4, 2}},
    {0xEA, {"orb",   indexed,   4, 2}},
    {0xEB, {"addb",  indexed,   4, 2}},
    {0xEC, {"ldd",   indexed,   5, 2}},
    {0xED, {"std",   indexed,   5, 2}},
    {0xEE, {"ldu",   indexed,   5, 2}},
    {0xEF, {"stu",   indexed,   5, 2}},

    {0xF0, {"subb",  extended,  5, 3}},
    {0xF1, {"cmpb",  extended,  5, 3}},
    {0xF2, {"sbcb",  extended,  5, 3}},
    {0xF3, {"addd",  extended,  7, 3}},
    {0xF4, {"andb",  extended,  5, 3}},
    {0xF5, {"bitb",  extended,  5, 3}},
    {0xF6, {"ldb",   extended,  5, 3}},
    {0xF7, {"stb",   extended,  5, 3}},
    {0xF8, {"eorb",  extended,  5, 3}},
    {0xF9, {"adcb",  extended,  5, 3}},
    {0xFA, {"orb",   extended,  5, 3}},
    {0xFB, {"addb",  extended,  5, 3}},
    {0xFC, {"ldd",   extended,  6, 3}},
    {0xFD, {"std",   extended,  6, 3}},
    {0xFE, {"ldu",   extended,  6, 3}},
    {0xFF, {"stu",   extended,  6, 3}},
};

// $10xx
inline constexpr Row PAGE2_ROWS[] = {
    {0x21, {"lbrn",  long_relative, 5, 4}},
    {0x22, {"lbhi",  long_relative, 5, 4}},  // long conditional branches: one more when taken
    {0x23, {"lbls",  long_relative, 5, 4}},
    {0x24, {"lbcc",  long_relative, 5, 4}},
    {0x25, {"lbcs",  long_relative, 5, 4}},
    {0x26, {"lbne",  long_relative, 5, 4}},
    {0x27, {"lbeq",  long_relative, 5, 4}},
    {0x28, {"lbvc",  long_relative, 5, 4}},
    {0x29, {"lbvs",  long_relative, 5, 4}},
    {0x2A, {"lbpl",  long_relative, 5, 4}},
    {0x2B, {"lbmi",  long_relative, 5, 4}},
    {0x2C, {"lbge",  long_relative, 5, 4}},
    {0x2D, {"lblt",  long_relative, 5, 4}},
    {0x2E, {"lbgt",  long_relative, 5, 4}},
    {0x2F, {"lble",  long_relative, 5, 4}},
    {0x3F, {"swi2",  inherent, 20, 2}},

    {0x83, {"cmpd",  immediate, 5, 4}},
    {0x8C, {"cmpy",  immediate, 5, 4}},
    {0x8E, {"ldy",   immediate, 4, 4}},
    {0x93, {"cmpd",  direct,    7, 3}},
    {0x9C, {"cmpy",  direct,    7, 3}},
    {0x9E, {"ldy",   direct,    6, 3}},
    {0x9F, {"sty",   direct,    6, 3}},
    {0xA3, {"cmpd",  indexed,   7, 3}},
    {0xAC, {"cmpy",  indexed,   7, 3}},
    {0xAE, {"ldy",   indexed,   6, 3}},
    {0xAF, {"sty",   indexed,   6, 3}},
    {0xB3, {"cmpd",  extended,  8, 4}},
    {0xBC, {"cmpy",  extended,  8, 4}},
    {0xBE, {"ldy",   extended,  7, 4}},
    {0xBF, {"sty",   extended,  7, 4}},

    {0xCE, {"lds",   immediate, 4, 4}},
    {0xDE, {"lds",   direct,    6, 3}},
    {0xDF, {"sts",   direct,    6, 3}},
    {0xEE, {"lds",   indexed,   6, 3}},
    {0xEF, {"sts",   indexed,   6, 3}},
    {0xFE, {"lds",   extended,  7, 4}},
    {0xFF, {"sts",   extended,  7, 4}},
};

// $11xx
inline constexpr Row PAGE3_ROWS[] = {
    {0x3F, {"swi3",  inherent, 20, 2}},
    {0x83, {"cmpu",  immediate, 5, 4}},
    {0x8C, {"cmps",  immediate, 5, 4}},
    {0x93, {"cmpu",  direct,    7, 3}},
    {0x9C, {"cmps",  direct,    7, 3}},
    {0xA3, {"cmpu",  indexed,   7, 3}},
    {0xAC, {"cmps",  indexed,   7, 3}},
    {0xB3, {"cmpu",  extended,  8, 4}},
    {0xBC, {"cmps",  extended,  8, 4}},
};
// clang-format on

// The indexed forms by the postbyte's low 4 bits, when bit 7 is set (bit 7
// clear is a 5-bit offset): the cycles and offset bytes they add, as they are
// and indirect (bit 4 set). RR, bits 6 and 5, picks X, Y, U or S, and is
// ignored by the PC-relative forms.
struct IndexedForm {
    bool valid;
    std::uint8_t cycles, bytes;
    bool indirect_valid;
    std::uint8_t indirect_cycles, indirect_bytes;
};

// clang-format off
inline constexpr IndexedForm INDEXED_FORMS[16] = {
    //      ~  #          [~] [#]
    {true,  2, 0, false,  0, 0},  // 0000 ,R+        (no indirect form: undefined)
    {true,  3, 0, true,   6, 0},  // 0001 ,R++
    {true,  2, 0, false,  0, 0},  // 0010 ,-R        (no indirect form: undefined)
    {true,  3, 0, true,   6, 0},  // 0011 ,--R
    {true,  0, 0, true,   3, 0},  // 0100 ,R
    {true,  1, 0, true,   4, 0},  // 0101 B,R
    {true,  1, 0, true,   4, 0},  // 0110 A,R
    {false, 0, 0, false,  0, 0},  // 0111 undefined
    {true,  1, 1, true,   4, 1},  // 1000 n,R   8-bit offset
    {true,  4, 2, true,   7, 2},  // 1001 n,R   16-bit offset
    {false, 0, 0, false,  0, 0},  // 1010 undefined
    {true,  4, 0, true,   7, 0},  // 1011 D,R
    {true,  1, 1, true,   4, 1},  // 1100 n,PCR 8-bit offset
    {true,  5, 2, true,   8, 2},  // 1101 n,PCR 16-bit offset
    {false, 0, 0, false,  0, 0},  // 1110 undefined
    {false, 0, 0, true,   5, 2},  // 1111 [n]   extended indirect, postbyte $9F only
};
// clang-format on

inline constexpr std::uint8_t FIVE_BIT_OFFSET_CYCLES = 1;
inline constexpr Opcode UNDEFINED{"", undefined, 0, 0};
inline constexpr std::uint8_t EXTENDED_INDIRECT = 0x9F;

}  // namespace detail

inline constexpr std::array<Opcode, 256> page1 = detail::page_of(detail::PAGE1_ROWS);
inline constexpr std::array<Opcode, 256> page2 = detail::page_of(detail::PAGE2_ROWS);
inline constexpr std::array<Opcode, 256> page3 = detail::page_of(detail::PAGE3_ROWS);

// prefix 0 (page 1), 0x10 or 0x11; any other prefix reads as undefined.
constexpr const Opcode& opcode(std::uint8_t prefix, std::uint8_t op) {
    switch (prefix) {
    case 0:
        return page1[op];
    case PAGE2_PREFIX:
        return page2[op];
    case PAGE3_PREFIX:
        return page3[op];
    default:
        return detail::UNDEFINED;
    }
}

struct IndexedExtra {
    bool valid;
    std::uint8_t cycles;
    std::uint8_t bytes;  // bytes after the postbyte
};

constexpr IndexedExtra indexed_extra(std::uint8_t postbyte) {
    if ((postbyte & 0x80) == 0) {
        return {true, detail::FIVE_BIT_OFFSET_CYCLES, 0};
    }
    const detail::IndexedForm& form = detail::INDEXED_FORMS[postbyte & 0x0F];
    if ((postbyte & 0x10) == 0) {
        return {form.valid, form.cycles, form.bytes};
    }
    if ((postbyte & 0x0F) == 0x0F && postbyte != detail::EXTENDED_INDIRECT) {
        return {false, 0, 0};  // RR of extended indirect other than 00: undefined
    }
    return {form.indirect_valid, form.indirect_cycles, form.indirect_bytes};
}

// Bytes PSHS/PULS/PSHU/PULU move for a register-list postbyte: PC, U or S,
// Y and X two each, DP, B, A and CC one each.
constexpr int register_list_bytes(std::uint8_t postbyte) {
    constexpr int bytes_of_bit[8] = {1, 1, 1, 1, 2, 2, 2, 2};  // CC A B DP X Y U/S PC
    int bytes = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if ((postbyte >> bit) & 1) {
            bytes += bytes_of_bit[bit];
        }
    }
    return bytes;
}

struct Cycles {
    int low;
    int high;  // == low when fixed
    bool at_least;
};

namespace detail {

// An instruction's page prefix (0 on page 1), opcode byte and row.
struct Decoded {
    std::uint8_t prefix, code;
    const Opcode* row;  // nullptr when there are too few bytes to tell, or it is undefined
};

constexpr Decoded decode(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return {0, 0, nullptr};
    }
    const bool prefixed = bytes[0] == PAGE2_PREFIX || bytes[0] == PAGE3_PREFIX;
    if (prefixed && bytes.size() < 2) {
        return {bytes[0], 0, nullptr};
    }
    const Decoded d{prefixed ? bytes[0] : std::uint8_t{0}, prefixed ? bytes[1] : bytes[0], nullptr};
    const Opcode& row = opcode(d.prefix, d.code);
    return {d.prefix, d.code, row.mode == undefined ? nullptr : &row};
}

// The opcodes whose count depends on more than the row and the postbyte.
constexpr bool is_push_pull(const Decoded& d) { return d.prefix == 0 && d.code >= 0x34 && d.code <= 0x37; }
constexpr bool is_long_conditional(const Decoded& d) {  // lbrn never branches
    return d.prefix == PAGE2_PREFIX && d.code >= 0x22 && d.code <= 0x2F;
}
constexpr bool is_rti(const Decoded& d) { return d.prefix == 0 && d.code == 0x3B; }
constexpr bool waits(const Decoded& d) { return d.prefix == 0 && (d.code == 0x13 || d.code == 0x3C); }  // sync, cwai

}  // namespace detail

// From an instruction's bytes (starting at its prefix or opcode): its length,
// 0 when undefined or too short.
constexpr int instruction_length(std::span<const std::uint8_t> bytes) {
    const Opcode* op = detail::decode(bytes).row;
    if (op == nullptr) {
        return 0;
    }
    int length = op->bytes;
    if (op->mode == Mode::indexed) {
        if (bytes.size() < op->bytes) {
            return 0;
        }
        const IndexedExtra extra = indexed_extra(bytes[op->bytes - 1]);
        if (!extra.valid) {
            return 0;
        }
        length += extra.bytes;
    }
    return bytes.size() < static_cast<std::size_t>(length) ? 0 : length;
}

// And its count: [low] fixed, [low/high] long conditional branch not taken /
// taken and RTI fast / entire, at_least for SYNC and CWAI. {0, 0, false} when
// undefined or too short.
constexpr Cycles instruction_cycles(std::span<const std::uint8_t> bytes) {
    if (instruction_length(bytes) == 0) {
        return {0, 0, false};
    }
    const detail::Decoded d = detail::decode(bytes);
    const Opcode& op = *d.row;
    const std::uint8_t last = bytes[op.bytes - 1];  // the postbyte, where there is one
    int low = op.cycles;
    int high = low;
    if (op.mode == Mode::indexed) {
        low = high = low + indexed_extra(last).cycles;
    } else if (detail::is_push_pull(d)) {
        low = high = low + CYCLES_PER_BYTE_MOVED * register_list_bytes(last);
    } else if (detail::is_long_conditional(d)) {
        high = low + LONG_BRANCH_TAKEN_EXTRA;
    } else if (detail::is_rti(d)) {
        high = RTI_ENTIRE_CYCLES;
    }
    return {low, high, detail::waits(d)};
}

// The count of bytes that are a run of whole instructions (an MC6800-style
// mnemonic the assembler turns into two): their counts added. {0, 0, false}
// unless the bytes are whole defined instructions, every one.
constexpr Cycles sequence_cycles(std::span<const std::uint8_t> bytes) {
    Cycles sum{0, 0, false};
    while (!bytes.empty()) {
        const int length = instruction_length(bytes);
        if (length == 0) {
            return {0, 0, false};
        }
        const Cycles one = instruction_cycles(bytes);
        sum = {sum.low + one.low, sum.high + one.high, sum.at_least || one.at_least};
        bytes = bytes.subspan(static_cast<std::size_t>(length));
    }
    return sum;
}

}  // namespace mc6809
