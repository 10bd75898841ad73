// The extra formats fitted to a memory chip, read back by independent tools:
// the binary must equal the S-records and the Intel HEX cropped to the range,
// offset to 0 and filled with the fill byte (srec_cat), and the start address
// of both must be the entry (srec_info). The .rom and .obj stay as without
// the options.

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "driver/run_driver.h"
#include "support/assemble.h"
#include "support/srecord.h"

namespace {

std::string hex(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

class ImageLayoutReadBack : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SREC_TOOLS(); }
};

struct Assembled {
    TempDir dir;
    std::ostringstream console;
    std::ostringstream diagnostics;
    RunOutcome outcome;

    Assembled(const std::string& source, RunOptions options) {
        dir.write("prog.asm", source);
        ScopedCwd cwd(dir.path);
        options.srec = options.ihex = options.bin = true;
        options.diagnostics = &diagnostics;
        outcome = assemble_source("prog.asm", console, options);
    }
};

TEST_F(ImageLayoutReadBack, BinaryIsTheRecordsCroppedFilledAndOffset) {
    struct Case {
        const char* what;
        const char* source;
        std::optional<AddressRange> range;
        std::uint8_t fill;
        const char* entry_symbol;
        std::int32_t entry;  // the start address expected (also --entry ADDR when no symbol)
        AddressRange span;   // what the binary covers
    };
    const Case cases[] = {
        {"RAM below the chip, vector at the top",
         " org $0080\nvar rmb 2\n org $E000\nreset lds #$7F00\n ldx #msg\nloop bra loop\nmsg fcc /HI/\n"
         " org $FFFE\n fdb reset\n end\n",
         AddressRange{0xE000, 0xFFFF}, 0xFF, "reset", 0xE000, {0xE000, 0xFFFF}},
        {"range past the image on both sides, gaps inside, entry by equ",
         "start equ $D010\n org $D000\n fcb 1,2,3\n rmb 5\n fdb $1234\n org $D020\n fcc /ABC/\n end\n",
         AddressRange{0xC000, 0xDFFF}, 0x5A, "start", 0xD010, {0xC000, 0xDFFF}},
        {"one byte", " org $FFFF\n fcb $42\n end\n", AddressRange{0xFFFF, 0xFFFF}, 0x00, nullptr, 0xFFFF,
         {0xFFFF, 0xFFFF}},
        {"the whole address space, the image wrapping past $FFFF", " org $FFF8\n fcb 0,1,2,3,4,5,6,7,8,9,10,11\n end\n",
         AddressRange{0x0000, 0xFFFF}, 0xEE, nullptr, 0xFFF8, {0x0000, 0xFFFF}},
        {"fill without a range: from the origin to the last byte", " org $C000\n fcb 1\n rmb 3\n fcb 2\n end\n",
         std::nullopt, 0xFF, nullptr, 0xC004, {0xC000, 0xC004}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunOptions options;
        options.range = c.range;
        options.fill = c.fill;
        if (c.entry_symbol != nullptr) {
            options.entry_symbol = c.entry_symbol;
        } else {
            options.entry_address = c.entry;
        }
        Assembled a(c.source, options);
        ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str() << a.diagnostics.str();
        EXPECT_EQ(a.diagnostics.str().find(": error:"), std::string::npos) << a.diagnostics.str();

        const std::string bin = a.dir.read("prog.bin");
        EXPECT_EQ(bin.size(), static_cast<std::size_t>(c.span.last - c.span.first + 1));
        const std::string first = hex(c.span.first);
        const std::string past = hex(c.span.last + 1);
        const std::string shape = " -crop " + first + " " + past + " -fill " + hex(c.fill) + " " + first + " " + past +
                                  " -offset -" + first + " -o - -binary";
        EXPECT_EQ(srec_tool(a.dir, "srec_cat prog.s19" + shape), bin) << a.dir.read("tool.err");
        EXPECT_EQ(srec_tool(a.dir, "srec_cat prog.hex -intel" + shape), bin) << a.dir.read("tool.err");

        char start[64];
        std::snprintf(start, sizeof start, "Execution Start Address: %08X\n", static_cast<unsigned>(c.entry));
        EXPECT_NE(srec_tool(a.dir, "srec_info prog.s19").find(start), std::string::npos);
        EXPECT_NE(srec_tool(a.dir, "srec_info prog.hex -intel").find(start), std::string::npos);

        Assembled plain(c.source, RunOptions{});
        EXPECT_EQ(a.dir.read("prog.rom"), plain.dir.read("prog.rom"));
        EXPECT_EQ(a.dir.read("prog.obj"), plain.dir.read("prog.obj"));
    }
}

// rmb leaves a byte that pass 1 stored ($FF of an extended operand that pass 2
// makes direct): without a fill byte the binary keeps it, as it always has.
TEST(ImageLayout, UnplacedBytesKeepTheImageWithoutAFillByte) {
    const char* source = " org $F000\n lda fwd\n rmb 1\n nop\nfwd equ $20\n end\n";
    const struct {
        std::optional<std::uint8_t> fill;
        std::string bin;
    } cases[] = {
        {std::nullopt, std::string("\x96\x20\xFF\x12\x00\x00", 6)},
        {0xA5, std::string("\x96\x20\xA5\x12\xA5\xA5", 6)},
    };
    for (const auto& c : cases) {
        RunOptions options;
        options.range = AddressRange{0xF000, 0xF005};
        options.fill = c.fill;
        Assembled a(source, options);
        ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str();
        EXPECT_EQ(a.dir.read("prog.bin"), c.bin);
        // The records carry the placed bytes only: the gap is left to the loader.
        EXPECT_EQ(a.dir.read("prog.s19"),
                  as_text_file("S00B000070726F672E61736DCD\nS105F000962054\nS104F00312F6\nS9030000FC\n"));
        EXPECT_EQ(a.dir.read("prog.hex"), as_text_file(":02F00000962058\n:01F0030012FA\n:00000001FF\n"));
    }
}

}  // namespace
