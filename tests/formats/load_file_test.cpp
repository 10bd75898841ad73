// The readers of the load formats: the assembler's own files read back give
// its image; hand-made files of each format load or are refused with the
// line and the reason.

#include <array>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "driver/run_driver.h"
#include "formats/load_file.h"
#include "formats/symbol_file.h"
#include "support/assemble.h"

namespace {

using formats::Format;
using formats::LoadedImage;

// The memory a file gives: 64 KiB, bytes it does not place zero.
struct Loaded {
    std::array<int, 0x10000> memory{};
    std::optional<std::uint16_t> start;
    std::optional<formats::LoadError> error;

    Loaded(Format format, const std::string& text, std::optional<std::uint16_t> address = std::nullopt) {
        memory.fill(-1);
        LoadedImage image;
        error = formats::read_load_file(format, text, address, image);
        for (const formats::PlacedByte& b : image.bytes) memory[b.address] = b.value;
        start = image.start;
    }
    // The placed bytes from `first` on, "-1" marking one not placed.
    std::string bytes(std::uint16_t first, int count) const {
        std::ostringstream s;
        for (int i = 0; i < count; ++i) {
            const int value = memory[(first + i) & 0xFFFF];
            s << (i ? " " : "");
            if (value < 0) s << "-1";
            else s << std::hex << value;
        }
        return s.str();
    }
};

TEST(LoadFile, TheAssemblersFilesGiveItsImage) {
    // A gap left by org, a record passing $FFFF (wrapping to $0000 in the
    // object file and the ROM image, split there in the others), an entry.
    const char* source = " org $FFE0\nstart ldx #$1234\n fcc /sixteen bytes long/\n org $FFF8\n"
                         " fcb 0,1,2,3,4,5,6,7,8,9,10,11\n end\n";
    TempDir dir;
    dir.write("prog.asm", source);
    ScopedCwd cwd(dir.path);
    std::ostringstream console;
    RunOptions options;
    options.srec = options.ihex = options.bin = options.symbols = true;
    options.entry_address = 0xFFE0;
    ASSERT_EQ(assemble_source("prog.asm", console, options), RunOutcome::completed) << console.str();

    const Loaded rom(Format::rom, dir.read("prog.rom"));
    ASSERT_FALSE(rom.error) << rom.error->reason;
    EXPECT_EQ(rom.bytes(0xFFE0, 4), "8e 12 34 73");
    EXPECT_EQ(rom.bytes(0xFFFE, 6), "6 7 8 9 a b");
    for (auto [format, name] : {std::pair{Format::object, "prog.obj"}, {Format::srec, "prog.s19"},
                                {Format::ihex, "prog.hex"}, {Format::binary, "prog.bin"}}) {
        const Loaded loaded(format, dir.read(name), format == Format::binary ? std::optional<std::uint16_t>(0)
                                                                             : std::nullopt);
        ASSERT_FALSE(loaded.error) << name << ": " << loaded.error->reason;
        if (format == Format::binary) {
            EXPECT_EQ(loaded.bytes(0, 32), rom.bytes(0xFFE0, 32)) << name;
            continue;
        }
        EXPECT_EQ(loaded.memory, rom.memory) << name;
        EXPECT_EQ(loaded.start, format == Format::srec || format == Format::ihex
                                    ? std::optional<std::uint16_t>(0xFFE0) : std::nullopt) << name;
    }

    std::vector<formats::Symbol> symbols;
    ASSERT_FALSE(formats::read_symbols(dir.read("prog.sym"), symbols));
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0].name, "start");
    EXPECT_EQ(symbols[0].value, 0xFFE0);
    EXPECT_TRUE(symbols[0].label);
}

TEST(LoadFile, GoodFilesOfOtherTools) {
    struct Case {
        Format format;
        const char* text;
        std::uint16_t first;
        int count;
        const char* bytes;
        std::optional<std::uint16_t> start;
    };
    const Case cases[] = {
        // S2, S3 and count records, lower case, CR LF and blank lines.
        {Format::srec, "S00600004844521B\r\nS2060012340102B0\r\n\r\nS307000012360304A9\nS5030002FA\nS804001234b5\n",
         0x1234, 4, "1 2 3 4", 0x1234},
        {Format::srec, "S1051000AABB85\nS9030000FC\n", 0x0FFF, 4, "-1 aa bb -1", std::nullopt},
        // Extended linear (04) and segment (02) address records of zero, a
        // start linear address (05), a last line without line end.
        {Format::ihex, ":020000040000FA\n:020000020000FC\n:02200000CAFE16\n:0400000500002000D7\n:00000001FF",
         0x2000, 2, "ca fe", 0x2000},
        {Format::ihex, ":02200000CAFE16\n:0400000300100020C9\n:00000001FF\n", 0x2000, 2, "ca fe", 0x0120},
        {Format::object, "@FFFE[0102]\r\n@0000[03]\r\nE\r\n", 0xFFFE, 4, "1 2 3 -1", std::nullopt},
        {Format::rom, "[#7FFF,11,22,])\n", 0xFFFF, 2, "11 22", std::nullopt},
        {Format::rom, "[#8000,])", 0x0000, 1, "-1", std::nullopt},
        {Format::binary, "\x01\x02", 0xFFFD, 3, "-1 1 2", std::nullopt},
    };
    for (const Case& c : cases) {
        const Loaded loaded(c.format, c.text);
        ASSERT_FALSE(loaded.error) << c.text << ": " << loaded.error->reason;
        EXPECT_EQ(loaded.bytes(c.first, c.count), c.bytes) << c.text;
        EXPECT_EQ(loaded.start, c.start) << c.text;
    }
}

TEST(LoadFile, MalformedFilesAreRefusedWithLineAndReason) {
    struct Case {
        Format format;
        const char* text;
        int line;
        const char* reason;  // a part of it
    };
    const Case cases[] = {
        {Format::srec, "S1051000AABB86\nS9030000FC\n", 1, "checksum $86, but the record's bytes give $85"},
        {Format::srec, "S1061000AABB85\nS9030000FC\n", 1, "count $06, but the record holds 5 bytes"},
        {Format::srec, "S105FFFFAABB97\nS9030000FC\n", 1, "address past $FFFF (2 bytes from $FFFF)"},
        {Format::srec, "S2060100000001F7\nS9030000FC\n", 1, "address past $FFFF"},
        {Format::srec, "S1051000AABB85\n", 0, "no end record"},
        {Format::srec, "S1051000AABB85\nS9030000FC\nS9030000FC\n", 3, "after the end record"},
        {Format::srec, "S1051000AABB85\nS5030002FA\nS9030000FC\n", 2, "record count 2, but the file has 1"},
        {Format::srec, "S1051000AXBB85\n", 1, "'AX' is not a hex byte"},
        {Format::srec, "S1051000AABB8\n", 1, "odd number of hex digits"},
        {Format::srec, "S40300FC\n", 1, "unknown record type S4"},
        {Format::srec, ":00000001FF\n", 1, "not an S-record"},
        {Format::srec, "S70500010000F9\n", 1, "start address $10000 past $FFFF"},
        {Format::ihex, ":02200000CAFE17\n:00000001FF\n", 1, "checksum $17, but the record's bytes give $16"},
        {Format::ihex, ":03200000CAFE16\n:00000001FF\n", 1, "count $03, but the record holds 2 data bytes"},
        {Format::ihex, ":02FFFF00CAFE38\n:00000001FF\n", 1, "address past $FFFF"},
        {Format::ihex, ":020000040001F9\n:010000007788\n:00000001FF\n", 2, "address past $FFFF"},
        {Format::ihex, ":02200000CAFE16\n", 0, "no end-of-file record"},
        {Format::ihex, ":020000021000EC\n:010010007778\n:00000001FF\n", 2, "address past $FFFF"},
        {Format::ihex, ":00000001FF\n:00000001FF\n", 2, "after the end-of-file record"},
        {Format::ihex, ":00000006FA\n", 1, "unknown record type $06"},
        {Format::ihex, ":0100000100FE\n", 1, "record type $01 holds 0 data bytes, not 1"},
        {Format::ihex, "S9030000FC\n", 1, "not an Intel HEX record"},
        {Format::object, "@F000[8641]\n", 0, "no end line"},
        {Format::object, "@F000[864]\nE\n", 1, "odd number of hex digits"},
        {Format::object, "@F0G0[86]\nE\n", 1, "not a record"},
        {Format::object, "@F000[86\nE\n", 1, "does not end with ']'"},
        {Format::object, "E\n@F000[86]\n", 2, "after the end line"},
        {Format::rom, "[#7000,86,4,12,])", 1, "expected two hex digits at column 11"},
        {Format::rom, "[#7000,86;41,])", 1, "expected ',' at column 10"},
        {Format::rom, "[#7000,86,41,]", 1, "expected \"])\" at the end"},
        {Format::rom, "@F000[86]\nE\n", 1, "not a ROM-writer image"},
    };
    for (const Case& c : cases) {
        const Loaded loaded(c.format, c.text);
        ASSERT_TRUE(loaded.error) << c.text;
        EXPECT_EQ(loaded.error->line, c.line) << c.text;
        EXPECT_NE(loaded.error->reason.find(c.reason), std::string::npos) << c.text << " gave: " << loaded.error->reason;
    }
}

TEST(LoadFile, BinariesArePlacedAndMustFit) {
    EXPECT_EQ(Loaded(Format::binary, "\x11\x22", 0x1000).bytes(0x1000, 2), "11 22");
    EXPECT_EQ(Loaded(Format::binary, std::string(0x10000, 'x')).bytes(0, 1), "78");
    EXPECT_EQ(Loaded(Format::binary, std::string(0x10001, 'x')).error->reason, "larger than 64 KiB");
    EXPECT_EQ(Loaded(Format::binary, "\x11\x22", 0xFFFF).error->reason, "address past $FFFF (2 bytes from $FFFF)");
}

TEST(LoadFile, FormatsAreNamedByExtension) {
    EXPECT_EQ(formats::format_of("a/prog.S19"), Format::srec);
    EXPECT_EQ(formats::format_of("prog.srec"), Format::srec);
    EXPECT_EQ(formats::format_of("prog.HEX"), Format::ihex);
    EXPECT_EQ(formats::format_of("x.y/prog.obj"), Format::object);
    EXPECT_EQ(formats::format_of("prog.rom"), Format::rom);
    EXPECT_EQ(formats::format_of("prog.bin"), Format::binary);
    EXPECT_EQ(formats::format_of("x.bin/prog"), std::nullopt);
    EXPECT_EQ(formats::format_of("prog.lst"), std::nullopt);
}

TEST(SymbolFile, MalformedLinesAreRefused) {
    std::vector<formats::Symbol> symbols;
    ASSERT_FALSE(formats::read_symbols("main F000 label\r\nacia E000 equ\nlater FFFF undefined\n\n", symbols));
    ASSERT_EQ(symbols.size(), 2u);
    EXPECT_EQ(symbols[1].name, "acia");
    EXPECT_FALSE(symbols[1].label);
    for (const char* text : {"main F00 label\n", "main F000 lable\n", "main F000\n", "a 0000 equ\nmain F000 equ x\n"}) {
        const auto error = formats::read_symbols(text, symbols);
        ASSERT_TRUE(error) << text;
        EXPECT_EQ(error->line, std::string(text).starts_with("a ") ? 2 : 1) << text;
    }
}

}  // namespace
