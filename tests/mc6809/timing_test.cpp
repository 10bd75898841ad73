// The timing table's rules, with the expected figures written down from the
// MC6809 datasheet.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mc6809/timing.h"

namespace {

std::vector<std::uint8_t> bytes_of(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 3) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// The datasheet's table of indexed forms: the postbyte as its bit pattern (R
// the register, x ignored, n the 5-bit offset), the cycles and the bytes the
// form adds. Every postbyte that matches no row is undefined.
struct IndexedRow {
    const char* pattern;
    int cycles, bytes;
};

// clang-format off
constexpr IndexedRow indexed_rows[] = {
    {"0RRnnnnn", 1, 0},                       // n,R 5-bit offset
    {"1RR00100", 0, 0}, {"1RR10100", 3, 0},   // ,R        [,R]
    {"1RR01000", 1, 1}, {"1RR11000", 4, 1},   // n,R 8-bit
    {"1RR01001", 4, 2}, {"1RR11001", 7, 2},   // n,R 16-bit
    {"1RR00110", 1, 0}, {"1RR10110", 4, 0},   // A,R
    {"1RR00101", 1, 0}, {"1RR10101", 4, 0},   // B,R
    {"1RR01011", 4, 0}, {"1RR11011", 7, 0},   // D,R
    {"1RR00000", 2, 0},                       // ,R+
    {"1RR00001", 3, 0}, {"1RR10001", 6, 0},   // ,R++
    {"1RR00010", 2, 0},                       // ,-R
    {"1RR00011", 3, 0}, {"1RR10011", 6, 0},   // ,--R
    {"1xx01100", 1, 1}, {"1xx11100", 4, 1},   // n,PCR 8-bit
    {"1xx01101", 5, 2}, {"1xx11101", 8, 2},   // n,PCR 16-bit
    {"10011111", 5, 2},                       // [n]
};
// clang-format on

bool matches(const char* pattern, int postbyte) {
    for (int bit = 0; bit < 8; ++bit) {
        const char p = pattern[7 - bit];
        if ((p == '0' || p == '1') && ((postbyte >> bit) & 1) != p - '0') {
            return false;
        }
    }
    return true;
}

TEST(Timing, IndexedExtraOfEveryPostbyte) {
    for (int postbyte = 0; postbyte < 256; ++postbyte) {
        const IndexedRow* row = nullptr;
        for (const IndexedRow& r : indexed_rows) {
            if (matches(r.pattern, postbyte)) {
                ASSERT_EQ(row, nullptr) << "two rows match " << postbyte;
                row = &r;
            }
        }
        const mc6809::IndexedExtra extra = mc6809::indexed_extra(static_cast<std::uint8_t>(postbyte));
        SCOPED_TRACE(postbyte);
        ASSERT_EQ(extra.valid, row != nullptr);
        if (row != nullptr) {
            EXPECT_EQ(extra.cycles, row->cycles);
            EXPECT_EQ(extra.bytes, row->bytes);
        }
    }
}

TEST(Timing, RegisterListBytes) {
    struct Case {
        std::uint8_t postbyte;
        int bytes;
    };
    constexpr Case cases[] = {
        {0x00, 0}, {0x01, 1} /* cc */, {0x02, 1} /* a */, {0x04, 1} /* b */, {0x08, 1} /* dp */,
        {0x10, 2} /* x */, {0x20, 2} /* y */, {0x40, 2} /* u or s */, {0x80, 2} /* pc */,
        {0x06, 2} /* d */, {0xFF, 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mc6809::register_list_bytes(c.postbyte), c.bytes) << int{c.postbyte};
    }
}

// Length and count of whole instructions, the operand-dependent rules above all.
TEST(Timing, InstructionLengthAndCycles) {
    struct Case {
        const char* bytes;
        int length, low, high;
        bool at_least = false;
    };
    const Case cases[] = {
        {"12", 1, 2, 2},                      // nop
        {"3B", 1, 6, 15},                     // rti: fast / entire
        {"13", 1, 4, 4, true},                // sync
        {"3C EF", 2, 20, 20, true},           // cwai
        {"3F", 1, 19, 19},                    // swi
        {"10 3F", 2, 20, 20},                 // swi2
        {"11 3F", 2, 20, 20},                 // swi3
        {"8D 10", 2, 7, 7},                   // bsr
        {"16 12 34", 3, 5, 5},                // lbra
        {"17 12 34", 3, 9, 9},                // lbsr
        {"10 21 12 34", 4, 5, 5},             // lbrn never branches
        {"10 22 12 34", 4, 5, 6},             // lbhi
        {"10 2F 12 34", 4, 5, 6},             // lble
        {"34 FF", 2, 17, 17},                 // pshs all
        {"35 80", 2, 7, 7},                   // puls pc
        {"36 06", 2, 7, 7},                   // pshu d
        {"37 00", 2, 5, 5},                   // pulu nothing
        {"1E 89", 2, 8, 8},                   // exg
        {"1F 89", 2, 6, 6},                   // tfr
        {"3D", 1, 11, 11},                    // mul
        {"8E 12 34", 3, 3, 3},                // ldx #
        {"10 8E 12 34", 4, 4, 4},             // ldy #
        {"11 8C 12 34", 4, 5, 5},             // cmps #
        {"10 DE 10", 3, 6, 6},                // lds <
        {"11 B3 12 34", 4, 8, 8},             // cmpu >
        {"A6 05", 2, 5, 5},                   // lda 5,x
        {"A6 9F 12 34", 4, 9, 9},             // lda [$1234]
        {"10 AE 8C 10", 4, 7, 7},             // ldy n,pcr
        {"11 A3 9D 12 34", 5, 15, 15},        // cmpu [nn,pcr]
        {"30 01", 2, 5, 5},                   // leax 1,x
        {"6E 84", 2, 3, 3},                   // jmp ,x
        {"AD 91", 2, 13, 13},                 // jsr [,x++]
        {"34 FF 12", 2, 17, 17},              // bytes after the instruction do not count
        // undefined or too short: nothing
        {"", 0, 0, 0}, {"01", 0, 0, 0}, {"87 10", 0, 0, 0}, {"10", 0, 0, 0}, {"10 10 3F", 0, 0, 0},
        {"10 86 12 34", 0, 0, 0}, {"11 8E 12 34", 0, 0, 0}, {"A6 87", 0, 0, 0}, {"A6 90", 0, 0, 0},
        {"A6 BF 12 34", 0, 0, 0}, {"A6 89 12", 0, 0, 0}, {"8E 12", 0, 0, 0}, {"A6", 0, 0, 0},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = bytes_of(c.bytes);
        const mc6809::Cycles cycles = mc6809::instruction_cycles(bytes);
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(mc6809::instruction_length(bytes), c.length);
        EXPECT_EQ(cycles.low, c.low);
        EXPECT_EQ(cycles.high, c.high);
        EXPECT_EQ(cycles.at_least, c.at_least);
    }
}

}  // namespace
