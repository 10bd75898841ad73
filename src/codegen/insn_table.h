#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Selects the encoding rule of a row. Values are fixed: they are what the
// rules and their error numbers were written against.
enum InsnClass : std::int32_t {
    CLS_NONE = 0,  // the end row
    CLS_INHERENT = 1,
    CLS_PREFIXED_INHERENT = 2,
    CLS_ACC8 = 3,
    CLS_REG16 = 4,
    CLS_REG16_PREFIXED = 5,
    CLS_STORE16_PREFIXED = 6,
    CLS_MEMORY = 7,
    CLS_REG_PAIR = 8,
    CLS_REG_LIST = 9,
    CLS_CC_IMMEDIATE = 10,
    CLS_LEA = 11,
    CLS_SHORT_BRANCH = 12,
    CLS_LONG_BRANCH = 13,
    CLS_ACC_PAIR = 17,
    CLS_FIXED_PAIR = 18,
    CLS_ORG = 20,
    CLS_EQU = 21,
    CLS_FCB = 22,
    CLS_FDB = 23,
    CLS_FCC = 24,
    CLS_RMB = 25,
    CLS_EMPTY = 26,
    CLS_END = 30,
};

inline constexpr int MNEMONIC_SIGNIFICANT = 4;

struct InsnEntry {
    std::array<char, 8> name;  // 4 significant characters, space-filled; then 4 zeros
    InsnClass cls;
    std::int32_t opcode;  // base opcode byte
    // By class: prefix byte (2, 5, 6, 13), 1 on rows without an immediate
    // form (3, 4), postbyte (17), second byte (18); 0 elsewhere.
    std::int32_t aux;
    // An MC6800 mnemonic whose MC6809 translation sets the condition codes
    // otherwise than the MC6800 does. A mark of the row, so that a statement
    // tests one byte: 0.13 M of the benchmark's 26.8 M instructions over
    // comparing the row with each such row.
    bool sets_flags_otherwise;
};

// The MC6800 mnemonics of the rows marked sets_flags_otherwise.
constexpr bool sets_flags_otherwise(std::string_view name) { return name == "tab" || name == "tba" || name == "cpx"; }

template <std::size_t N>
constexpr InsnEntry insn(const char (&text)[N], InsnClass cls, std::int32_t opcode, std::int32_t aux) {
    static_assert(N - 1 <= MNEMONIC_SIGNIFICANT, "mnemonics hold at most 4 characters");
    InsnEntry e{{' ', ' ', ' ', ' ', 0, 0, 0, 0}, cls, opcode, aux, sets_flags_otherwise(text)};
    for (std::size_t i = 0; i + 1 < N; ++i) {
        e.name[i] = text[i];
    }
    return e;
}

// clang-format off
inline constexpr std::array insn_table = {
    insn("abx",   CLS_INHERENT,          0x3A, 0x00),
    insn("asla",  CLS_INHERENT,          0x48, 0x00),
    insn("aslb",  CLS_INHERENT,          0x58, 0x00),
    insn("asra",  CLS_INHERENT,          0x47, 0x00),
    insn("asrb",  CLS_INHERENT,          0x57, 0x00),
    insn("clra",  CLS_INHERENT,          0x4F, 0x00),
    insn("clrb",  CLS_INHERENT,          0x5F, 0x00),
    insn("coma",  CLS_INHERENT,          0x43, 0x00),
    insn("comb",  CLS_INHERENT,          0x53, 0x00),
    insn("daa",   CLS_INHERENT,          0x19, 0x00),
    insn("deca",  CLS_INHERENT,          0x4A, 0x00),
    insn("decb",  CLS_INHERENT,          0x5A, 0x00),
    insn("inca",  CLS_INHERENT,          0x4C, 0x00),
    insn("incb",  CLS_INHERENT,          0x5C, 0x00),
    insn("lsla",  CLS_INHERENT,          0x48, 0x00),
    insn("lslb",  CLS_INHERENT,          0x58, 0x00),
    insn("lsra",  CLS_INHERENT,          0x44, 0x00),
    insn("lsrb",  CLS_INHERENT,          0x54, 0x00),
    insn("mul",   CLS_INHERENT,          0x3D, 0x00),
    insn("nop",   CLS_INHERENT,          0x12, 0x00),
    insn("nega",  CLS_INHERENT,          0x40, 0x00),
    insn("negb",  CLS_INHERENT,          0x50, 0x00),
    insn("rola",  CLS_INHERENT,          0x49, 0x00),
    insn("rolb",  CLS_INHERENT,          0x59, 0x00),
    insn("rora",  CLS_INHERENT,          0x46, 0x00),
    insn("rorb",  CLS_INHERENT,          0x56, 0x00),
    insn("rti",   CLS_INHERENT,          0x3B, 0x00),
    insn("rts",   CLS_INHERENT,          0x39, 0x00),
    insn("sex",   CLS_INHERENT,          0x1D, 0x00),
    insn("swi",   CLS_INHERENT,          0x3F, 0x00),
    insn("sync",  CLS_INHERENT,          0x13, 0x00),
    insn("tsta",  CLS_INHERENT,          0x4D, 0x00),
    insn("tstb",  CLS_INHERENT,          0x5D, 0x00),

    insn("swi2",  CLS_PREFIXED_INHERENT, 0x3F, 0x10),
    insn("swi3",  CLS_PREFIXED_INHERENT, 0x3F, 0x11),

    insn("adca",  CLS_ACC8,              0x89, 0x00),
    insn("adcb",  CLS_ACC8,              0xC9, 0x00),
    insn("adda",  CLS_ACC8,              0x8B, 0x00),
    insn("addb",  CLS_ACC8,              0xCB, 0x00),
    insn("anda",  CLS_ACC8,              0x84, 0x00),
    insn("andb",  CLS_ACC8,              0xC4, 0x00),
    insn("bita",  CLS_ACC8,              0x85, 0x00),
    insn("bitb",  CLS_ACC8,              0xC5, 0x00),
    insn("cmpa",  CLS_ACC8,              0x81, 0x00),
    insn("cmpb",  CLS_ACC8,              0xC1, 0x00),
    insn("eora",  CLS_ACC8,              0x88, 0x00),
    insn("eorb",  CLS_ACC8,              0xC8, 0x00),
    insn("lda",   CLS_ACC8,              0x86, 0x00),
    insn("ldb",   CLS_ACC8,              0xC6, 0x00),
    insn("ldaa",  CLS_ACC8,              0x86, 0x00),
    insn("ldab",  CLS_ACC8,              0xC6, 0x00),
    insn("ora",   CLS_ACC8,              0x8A, 0x00),
    insn("orb",   CLS_ACC8,              0xCA, 0x00),
    insn("oraa",  CLS_ACC8,              0x8A, 0x00),
    insn("orab",  CLS_ACC8,              0xCA, 0x00),
    insn("sbca",  CLS_ACC8,              0x82, 0x00),
    insn("sbcb",  CLS_ACC8,              0xC2, 0x00),
    insn("suba",  CLS_ACC8,              0x80, 0x00),
    insn("subb",  CLS_ACC8,              0xC0, 0x00),
    insn("sta",   CLS_ACC8,              0x87, 0x01),
    insn("stb",   CLS_ACC8,              0xC7, 0x01),
    insn("staa",  CLS_ACC8,              0x87, 0x01),
    insn("stab",  CLS_ACC8,              0xC7, 0x01),

    insn("addd",  CLS_REG16,             0xC3, 0x00),
    insn("cmpx",  CLS_REG16,             0x8C, 0x00),
    insn("cpx",   CLS_REG16,             0x8C, 0x00),
    insn("ldd",   CLS_REG16,             0xCC, 0x00),
    insn("ldx",   CLS_REG16,             0x8E, 0x00),
    insn("ldu",   CLS_REG16,             0xCE, 0x00),
    insn("std",   CLS_REG16,             0xCD, 0x01),
    insn("stx",   CLS_REG16,             0x8F, 0x01),
    insn("stu",   CLS_REG16,             0xCF, 0x01),
    insn("subd",  CLS_REG16,             0x83, 0x00),
    insn("jsr",   CLS_REG16,             0x8D, 0x01),

    insn("cmpd",  CLS_REG16_PREFIXED,    0x83, 0x10),
    insn("cmps",  CLS_REG16_PREFIXED,    0x8C, 0x11),
    insn("cmpu",  CLS_REG16_PREFIXED,    0x83, 0x11),
    insn("cmpy",  CLS_REG16_PREFIXED,    0x8C, 0x10),
    insn("cpu",   CLS_REG16_PREFIXED,    0x83, 0x11),
    insn("cpy",   CLS_REG16_PREFIXED,    0x8C, 0x10),
    insn("lds",   CLS_REG16_PREFIXED,    0xCE, 0x10),
    insn("ldy",   CLS_REG16_PREFIXED,    0x8E, 0x10),

    insn("sts",   CLS_STORE16_PREFIXED,  0xCF, 0x10),
    insn("sty",   CLS_STORE16_PREFIXED,  0x8F, 0x10),

    insn("asl",   CLS_MEMORY,            0x08, 0x00),
    insn("asr",   CLS_MEMORY,            0x07, 0x00),
    insn("clr",   CLS_MEMORY,            0x0F, 0x00),
    insn("com",   CLS_MEMORY,            0x03, 0x00),
    insn("dec",   CLS_MEMORY,            0x0A, 0x00),
    insn("inc",   CLS_MEMORY,            0x0C, 0x00),
    insn("lsl",   CLS_MEMORY,            0x08, 0x00),
    insn("lsr",   CLS_MEMORY,            0x04, 0x00),
    insn("neg",   CLS_MEMORY,            0x00, 0x00),
    insn("rol",   CLS_MEMORY,            0x09, 0x00),
    insn("ror",   CLS_MEMORY,            0x06, 0x00),
    insn("tst",   CLS_MEMORY,            0x0D, 0x00),
    insn("jmp",   CLS_MEMORY,            0x0E, 0x00),

    insn("exg",   CLS_REG_PAIR,          0x1E, 0x00),
    insn("tfr",   CLS_REG_PAIR,          0x1F, 0x00),

    insn("pshs",  CLS_REG_LIST,          0x34, 0x00),
    insn("pshu",  CLS_REG_LIST,          0x36, 0x00),
    insn("puls",  CLS_REG_LIST,          0x35, 0x00),
    insn("pulu",  CLS_REG_LIST,          0x37, 0x00),

    insn("andc",  CLS_CC_IMMEDIATE,      0x1C, 0x00),
    insn("orcc",  CLS_CC_IMMEDIATE,      0x1A, 0x00),
    insn("cwai",  CLS_CC_IMMEDIATE,      0x3C, 0x00),

    insn("leas",  CLS_LEA,               0x32, 0x00),
    insn("leau",  CLS_LEA,               0x33, 0x00),
    insn("leax",  CLS_LEA,               0x30, 0x00),
    insn("leay",  CLS_LEA,               0x31, 0x00),

    insn("bcc",   CLS_SHORT_BRANCH,      0x24, 0x00),
    insn("bcs",   CLS_SHORT_BRANCH,      0x25, 0x00),
    insn("beq",   CLS_SHORT_BRANCH,      0x27, 0x00),
    insn("bge",   CLS_SHORT_BRANCH,      0x2C, 0x00),
    insn("bgt",   CLS_SHORT_BRANCH,      0x2E, 0x00),
    insn("bhi",   CLS_SHORT_BRANCH,      0x22, 0x00),
    insn("bhs",   CLS_SHORT_BRANCH,      0x24, 0x00),
    insn("ble",   CLS_SHORT_BRANCH,      0x2F, 0x00),
    insn("blo",   CLS_SHORT_BRANCH,      0x25, 0x00),
    insn("bls",   CLS_SHORT_BRANCH,      0x23, 0x00),
    insn("blt",   CLS_SHORT_BRANCH,      0x2D, 0x00),
    insn("bmi",   CLS_SHORT_BRANCH,      0x2B, 0x00),
    insn("bne",   CLS_SHORT_BRANCH,      0x26, 0x00),
    insn("bpl",   CLS_SHORT_BRANCH,      0x2A, 0x00),
    insn("bra",   CLS_SHORT_BRANCH,      0x20, 0x00),
    insn("brn",   CLS_SHORT_BRANCH,      0x21, 0x00),
    insn("bsr",   CLS_SHORT_BRANCH,      0x8D, 0x00),
    insn("bvc",   CLS_SHORT_BRANCH,      0x28, 0x00),
    insn("bvs",   CLS_SHORT_BRANCH,      0x29, 0x00),

    insn("lbcc",  CLS_LONG_BRANCH,       0x24, 0x10),
    insn("lbcs",  CLS_LONG_BRANCH,       0x25, 0x10),
    insn("lbeq",  CLS_LONG_BRANCH,       0x27, 0x10),
    insn("lbge",  CLS_LONG_BRANCH,       0x2C, 0x10),
    insn("lbgt",  CLS_LONG_BRANCH,       0x2E, 0x10),
    insn("lbhi",  CLS_LONG_BRANCH,       0x22, 0x10),
    insn("lbhs",  CLS_LONG_BRANCH,       0x24, 0x10),
    insn("lble",  CLS_LONG_BRANCH,       0x2F, 0x10),
    insn("lblo",  CLS_LONG_BRANCH,       0x25, 0x10),
    insn("lbls",  CLS_LONG_BRANCH,       0x23, 0x10),
    insn("lblt",  CLS_LONG_BRANCH,       0x2D, 0x10),
    insn("lbmi",  CLS_LONG_BRANCH,       0x2B, 0x10),
    insn("lbne",  CLS_LONG_BRANCH,       0x26, 0x10),
    insn("lbpl",  CLS_LONG_BRANCH,       0x2A, 0x10),
    insn("lbra",  CLS_LONG_BRANCH,       0x16, 0x00),
    insn("lbrn",  CLS_LONG_BRANCH,       0x21, 0x10),
    insn("lbsr",  CLS_LONG_BRANCH,       0x17, 0x00),
    insn("lbvc",  CLS_LONG_BRANCH,       0x28, 0x10),
    insn("lbvs",  CLS_LONG_BRANCH,       0x29, 0x10),

    insn("aba",   CLS_ACC_PAIR,          0xAB, 0xE0),
    insn("cba",   CLS_ACC_PAIR,          0xA1, 0xE0),
    insn("sba",   CLS_ACC_PAIR,          0xA0, 0xE0),

    insn("tab",   CLS_FIXED_PAIR,        0x1F, 0x89),
    insn("tba",   CLS_FIXED_PAIR,        0x1F, 0x98),
    insn("txs",   CLS_FIXED_PAIR,        0x1F, 0x14),
    insn("tsx",   CLS_FIXED_PAIR,        0x1F, 0x41),
    insn("tap",   CLS_FIXED_PAIR,        0x1F, 0x8A),
    insn("tpa",   CLS_FIXED_PAIR,        0x1F, 0xA8),
    insn("psha",  CLS_FIXED_PAIR,        0x34, 0x02),
    insn("pshb",  CLS_FIXED_PAIR,        0x34, 0x04),
    insn("pula",  CLS_FIXED_PAIR,        0x35, 0x02),
    insn("pulb",  CLS_FIXED_PAIR,        0x35, 0x04),
    insn("inx",   CLS_FIXED_PAIR,        0x30, 0x01),
    insn("dex",   CLS_FIXED_PAIR,        0x30, 0x1F),
    insn("ins",   CLS_FIXED_PAIR,        0x32, 0x61),
    insn("des",   CLS_FIXED_PAIR,        0x32, 0x7F),
    insn("clc",   CLS_FIXED_PAIR,        0x1C, 0xFE),
    insn("cli",   CLS_FIXED_PAIR,        0x1C, 0xEF),
    insn("clv",   CLS_FIXED_PAIR,        0x1C, 0xFD),
    insn("sec",   CLS_FIXED_PAIR,        0x1A, 0x01),
    insn("sei",   CLS_FIXED_PAIR,        0x1A, 0x10),
    insn("sev",   CLS_FIXED_PAIR,        0x1A, 0x02),

    insn("org",   CLS_ORG,               0x00, 0x00),
    insn("rorg",  CLS_ORG,               0x00, 0x00),

    insn("equ",   CLS_EQU,               0x00, 0x00),
    insn("=",     CLS_EQU,               0x00, 0x00),

    insn("fcb",   CLS_FCB,               0x00, 0x00),

    insn("fdb",   CLS_FDB,               0x00, 0x00),

    insn("fcc",   CLS_FCC,               0x00, 0x00),

    insn("rmb",   CLS_RMB,               0x00, 0x00),

    insn("    ",  CLS_EMPTY,             0x00, 0x00),

    insn("end",   CLS_END,               0x00, 0x00),

    insn("    ", CLS_NONE, 0x00, 0x00),  // end row: never compared
};
// clang-format on

inline constexpr int INSN_ROWS = static_cast<int>(insn_table.size()) - 1;
static_assert(INSN_ROWS == 181);

// The 4 significant name characters as one integer, in text order.
constexpr std::uint32_t mnemonic_key(const char* name) {
    std::uint32_t key = 0;
    for (int i = 0; i < MNEMONIC_SIGNIFICANT; ++i) {
        key = (key << 8) | static_cast<unsigned char>(name[i]);
    }
    return key;
}

// The rows by a perfect hash of their 4 name characters (made in
// insn_table.cpp). A slot where no row lies holds the end row, whose name
// ("    ", that of the empty row) no search that reaches the slot can have.
inline constexpr int INSN_HASH_BITS = 12;
inline constexpr std::uint8_t INSN_NO_ROW = INSN_ROWS;
static_assert(INSN_ROWS < 256);
struct InsnHash {
    std::uint32_t multiplier;
    std::array<std::uint8_t, std::size_t{1} << INSN_HASH_BITS> rows;
};
extern const InsnHash insn_hash;

// The 4 characters as one integer, the first in the low byte: one load.
constexpr std::uint32_t insn_key(const char* name) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[3])) << 24;
}

constexpr std::uint32_t insn_slot(std::uint32_t key, std::uint32_t multiplier) {
    return (key * multiplier) >> (32 - INSN_HASH_BITS);
}

// First row whose 4 name characters equal the first 4 of `mnemonic`, or
// nullptr when none does. Inline, with no test for an empty
// slot: 0.34 M of the benchmark's 28.2 M instructions over a call.
inline const InsnEntry* find_insn(const char* mnemonic) {
    const std::uint32_t key = insn_key(mnemonic);
    const InsnEntry& row = insn_table[insn_hash.rows[insn_slot(key, insn_hash.multiplier)]];
    return insn_key(row.name.data()) == key ? &row : nullptr;
}
