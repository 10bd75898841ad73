// The S-record and Intel HEX files are read back by an independent tool,
// srec_cat, and must give the same bytes as the raw image and the object file.

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/run_driver.h"
#include "support/assemble.h"
#include "support/srecord.h"

namespace {

// The bytes of the object file's records, in record order.
std::string object_image(const std::string& obj) {
    std::string bytes;
    std::istringstream lines(obj);
    for (std::string line; std::getline(lines, line) && line != "E";) {
        const std::string hex = line.substr(6, line.size() - 7);  // between "@AAAA[" and "]"
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
    }
    return bytes;
}

// The image srec_cat reads from an S-record or Intel HEX file (args name the
// file and its format), as raw bytes from `offset`.
std::string read_back(const TempDir& dir, const std::string& args, const std::string& offset = "0") {
    return srec_tool(dir, "srec_cat " + args + " -offset -" + offset + " -o - -binary");
}

struct Assembled {
    TempDir dir;
    std::ostringstream console;
    RunOutcome outcome;

    explicit Assembled(const std::string& source, const std::string& name = "prog.asm") {
        dir.write(name, source);
        ScopedCwd cwd(dir.path);
        RunOptions options;
        options.srec = options.ihex = options.bin = true;
        outcome = assemble_source(name, console, options);
    }
};

class LoadFormats : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SREC_TOOLS(); }
};

TEST_F(LoadFormats, ReadBackByAnIndependentToolGiveTheImage) {
    // Several records, a gap left by a forward org, a partial last record.
    Assembled a(" org $C000\n ldx #$1234\n fcc /Records of sixteen bytes/\n org $C040\n fdb $BEEF,$CAFE\n"
                " ldy [$C000]\n end\n");
    ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str();
    const std::string bin = a.dir.read("prog.bin");
    ASSERT_EQ(bin.size(), 0x49u);  // up to the 5 bytes of ldy [$C000] at $C044
    EXPECT_EQ(object_image(a.dir.read("prog.obj")), bin);

    EXPECT_EQ(read_back(a.dir, "prog.s19", "0xC000"), bin) << a.dir.read("tool.err");
    EXPECT_EQ(read_back(a.dir, "prog.hex -intel", "0xC000"), bin) << a.dir.read("tool.err");
}

TEST_F(LoadFormats, RecordsThatPassFFFFGoOnAtAddressZero) {
    Assembled a(" org $FFF8\n fcb 0,1,2,3,4,5,6,7,8,9,10,11\n end\n");
    ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str();
    EXPECT_EQ(a.dir.read("prog.obj"), "@FFF8[000102030405060708090A0B]\nE\n");
    // Eight bytes fill $FFF8..$FFFF; the other four wrap to $0000..$0003.
    const std::string image = read_back(a.dir, "prog.s19");
    ASSERT_EQ(image.size(), 0x10000u);
    EXPECT_EQ(image.substr(0, 4), std::string("\x08\x09\x0A\x0B", 4));
    EXPECT_EQ(image.substr(0xFFF8), std::string("\x00\x01\x02\x03\x04\x05\x06\x07", 8));
    EXPECT_EQ(read_back(a.dir, "prog.hex -intel"), image);
}

// Sources that fill the whole 64 KiB image, from $0000 up to and including
// $FFFF; the last statement of each places the byte at $FFFF.
TEST_F(LoadFormats, AFullImageKeepsItsLastByte) {
    struct Case {
        const char* source;
        const char* tail;  // the last four bytes of the image
    };
    const Case cases[] = {
        {" org 0\n fcb $11\n rmb $FFFC\n fcb $22\n fdb $AABB\n end\n", "\x00\x22\xAA\xBB"},
        {" org 0\n fcb $11\n rmb $FFFB\n ldy $1234\n end\n", "\x10\xBE\x12\x34"},
    };
    for (const Case& c : cases) {
        Assembled a(c.source);
        ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str();
        const std::string bin = a.dir.read("prog.bin");
        ASSERT_EQ(bin.size(), 0x10000u) << c.source;
        EXPECT_EQ(bin.front(), '\x11') << c.source;
        EXPECT_EQ(bin.substr(0xFFFC), std::string(c.tail, 4)) << c.source;

        const std::string obj = a.dir.read("prog.obj");
        EXPECT_EQ(object_image(obj), bin) << c.source;
        EXPECT_EQ(obj.substr(obj.rfind('@')).substr(0, 6), "@FFF0[") << c.source;

        // "[#" address "," then "XX," for every byte of the image, then "])".
        const std::string rom = a.dir.read("prog.rom");
        EXPECT_EQ(rom.size(), 7 + 3 * 0x10000u + 2) << c.source;
        std::string rom_tail;
        for (unsigned char b : bin.substr(0xFFFC)) {
            static const char digits[] = "0123456789ABCDEF";
            rom_tail += {digits[b >> 4], digits[b & 15], ','};
        }
        EXPECT_EQ(rom.substr(rom.size() - 14), rom_tail + "])") << c.source;

        EXPECT_EQ(read_back(a.dir, "prog.s19"), bin) << c.source;
        EXPECT_EQ(read_back(a.dir, "prog.hex -intel"), bin) << c.source;
    }
}

// A byte one past $FFFF is outside the image: error 7 on the statement that
// places it, and no image file is written. Reserving up to the end exactly is
// no error.
TEST(ImageBounds, OneByteOrReservedByteMoreIsOutsideTheImage) {
    struct Case {
        const char* source;
        int error_line;  // 0: the run completes
    };
    const Case cases[] = {
        {" org 0\n rmb $FFFE\n fdb $AABB\n end\n", 0},
        {" org 0\n rmb $FFFF\n fdb $AABB\n end\n", 3},
        {" org 0\n rmb $FFFE\n fcb 1\n fcb 2\n end\n", 0},
        {" org 0\n rmb $FFFE\n fcb 1\n fcb 2\n fcb 3\n end\n", 5},
        {" org 0\n rmb $FFFC\n ldy $1234\n end\n", 0},
        {" org 0\n rmb $FFFD\n ldy $1234\n end\n", 3},
        {" org 0\n rmb $FFFF\n rmb 1\n end\n", 0},
        {" org 0\n rmb $FFFF\n rmb 2\n end\n", 3},
        {" org 0\n fcb 1\n org $FFFF\n fcb 2\n end\n", 0},
        {" org 0\n fcb 1\n org $FFFF\n fcb 2,3\n end\n", 4},
    };
    for (const Case& c : cases) {
        Assembled a(c.source);
        const std::string console = a.console.str();
        if (c.error_line == 0) {
            EXPECT_EQ(a.outcome, RunOutcome::completed) << c.source << console;
            EXPECT_EQ(a.dir.read("prog.bin").size(), 0x10000u) << c.source;
        } else {
            EXPECT_EQ(a.outcome, RunOutcome::stopped) << c.source;
            EXPECT_NE(console.find("Error no.=  7, line no = " + std::to_string(c.error_line) + " "),
                      std::string::npos)
                << c.source << console;
            EXPECT_NE(console.find("** Error count=1 **"), std::string::npos) << c.source << console;
            EXPECT_FALSE(a.dir.exists("prog.rom") || a.dir.exists("prog.obj") || a.dir.exists("prog.bin"))
                << c.source;
        }
    }
}

// Hex digits of `text`, two per character.
std::string hex_of(const std::string& text) {
    std::vector<int> bytes(text.begin(), text.end());
    std::string hex = hex_bytes(bytes);
    std::erase(hex, ' ');
    return hex;
}

// The S0 record holds the source's file name, cut to its first 64 characters.
TEST_F(LoadFormats, HeaderRecordHoldsTheSourceName) {
    for (const std::size_t length : {62u, 63u, 64u, 65u, 66u, 100u}) {
        const std::string name = std::string(length - 4, 'n') + ".asm";
        Assembled a(" nop\n end\n", name);
        ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str();
        const std::string header = name.substr(0, 64);

        // Count, address 0000, the text, and the ones' complement of the sum.
        unsigned sum = static_cast<unsigned>(header.size() + 3);
        for (unsigned char c : header) {
            sum += c;
        }
        const std::string body = hex_bytes({static_cast<int>(header.size() + 3)}) + "0000" + hex_of(header);
        const std::string expected = "S0" + body + hex_bytes({static_cast<int>(~sum & 0xFF)}) + "\n";
        const std::string base = name.substr(0, name.find('.'));
        const std::string s19 = a.dir.read(base + ".s19");
        EXPECT_EQ(s19.substr(0, s19.find('\n') + 1), expected) << length;

        // srec_cat checks every checksum and writes the header out again.
        const std::string copy = srec_tool(a.dir, "srec_cat '" + base + ".s19' -o -");
        EXPECT_EQ(copy.substr(0, copy.find('\n') + 1), expected) << length;
    }
}

}  // namespace
