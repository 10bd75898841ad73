// --range, --fill and --entry through the command line: how their values are
// read, and what a usage error and an error of the run leave behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "support/assemble.h"
#include "support/platform.h"

namespace {

// RAM variables below $E000, code at $E000, the reset vector at $FFFE. The
// image files cover $0080-$FFFF; the runs take that as meant
// (-Wno-image-span), since --range is what they test.
const std::string SOURCE =
    " org $0080\n"
    "var rmb 2\n"
    " org $E000\n"
    "reset lds #$7F00\n"
    "start equ reset\n"
    "loop bra loop\n"
    " org $FFFE\n"
    " fdb reset\n"
    " end\n";

// The source assembled with every extra format and the options given.
struct RomRun {
    TempDir dir;
    int status = -1;
    std::string out;
    std::string err;

    explicit RomRun(const std::vector<std::string>& options, const std::string& source = SOURCE) {
        dir.write("rom.asm", source);
        std::vector<const char*> args = {"-q", "-Wno-image-span", "--srec", "--ihex", "--bin", "--symbols"};
        for (const std::string& option : options) {
            args.push_back(option.c_str());
        }
        args.push_back("rom.asm");
        ScopedCwd cwd(dir.path);
        const CommandRun run(args);
        status = run.status;
        out = run.out;
        err = run.err;
    }

    std::set<std::string> files() const { return dir.names(); }
    std::string s9() const {
        const std::string s19 = dir.read("rom.s19");
        return s19.substr(s19.rfind("S9"));
    }
};

const std::string SUMMARY = "** Error count=0 **, end addr=10000\n";
std::string generated(const std::string& name) { return "  > Generated \"" + name + "\" file.\n"; }

TEST(RomOptions, ValuesAreReadAsHex) {
    struct Case {
        std::vector<std::string> options;
        std::size_t bin_size;
        std::string s9;
    };
    const std::string s9_e000 = "S903E0001C\n";
    const Case cases[] = {
        {{"--range", "$E000-$FFFF"}, 0x2000, "S9030000FC\n"},
        {{"--range=0xE000-0xFFFF", "--entry=$E000"}, 0x2000, s9_e000},
        {{"--range", "e000-ffff", "--entry", "0XE000"}, 0x2000, s9_e000},
        {{"--range", "0-FFFF", "--entry", "0E000"}, 0x10000, s9_e000},
        {{"--range", "$FFFE-$FFFF", "--range", "$E000-$FFFF"}, 0x2000, "S9030000FC\n"},  // the last one counts
        {{"--entry", "reset"}, 0xFF80, s9_e000},   // a label
        {{"--entry", "start"}, 0xFF80, s9_e000},   // an equ
        {{"--fill", "0"}, 0xFF80, "S9030000FC\n"},  // the whole image from $0080
    };
    for (const Case& c : cases) {
        const RomRun run(c.options);
        const std::string shown = c.options[0] + " " + c.options.back();
        EXPECT_EQ(run.status, 0) << shown << run.err;
        EXPECT_EQ(run.err, "") << shown;
        EXPECT_EQ(run.dir.read("rom.bin").size(), c.bin_size) << shown;
        EXPECT_EQ(run.s9(), as_text_file(c.s9)) << shown;
    }
}

TEST(RomOptions, UsageErrorsWriteNothing) {
    struct Case {
        std::vector<std::string> options;
        std::string message;
    };
    const Case cases[] = {
        {{"--range", "E000"}, "option '--range' takes START-END, as $E000-$FFFF, not 'E000'"},
        {{"--range", "-FFFF"}, "option '--range' takes START-END, as $E000-$FFFF, not '-FFFF'"},
        {{"--range=E000-"}, "option '--range' takes START-END, as $E000-$FFFF, not 'E000-'"},
        {{"--range", "F000-EFFF"}, "option '--range': START lies above END in 'F000-EFFF'"},
        {{"--range", "0-10000"}, "option '--range': '10000' is over $FFFF"},
        {{"--range", "$E000-$FFFF-1"}, "option '--range': '$FFFF-1' is not a hex number (written $1F, 0x1F or 1F)"},
        {{"--range", "0x-FFFF"}, "option '--range': '0x' is not a hex number (written $1F, 0x1F or 1F)"},
        {{"--fill", "100"}, "option '--fill': '100' is over $FF"},
        {{"--fill", "0x123456789ABCDEF0"}, "option '--fill': '0x123456789ABCDEF0' is over $FF"},
        {{"--fill", "0xFG"}, "option '--fill': '0xFG' is not a hex number (written $1F, 0x1F or 1F)"},
        {{"--fill", "-1"}, "option '--fill': '-1' is not a hex number (written $1F, 0x1F or 1F)"},
        {{"--fill="}, "option '--fill': '' is not a hex number (written $1F, 0x1F or 1F)"},
        {{"--entry", "$10000"}, "option '--entry': '$10000' is over $FFFF"},
        {{"--entry", "12G"}, "option '--entry': '12G' is not a hex number (written $1F, 0x1F or 1F)"},
        {{"--entry="}, "option '--entry' needs an address or a symbol"},
        {{"--entry", "-1"}, "option '--entry': '-1' is neither an address nor a symbol name"},
        {{"--entry", "reset+2"}, "option '--entry': 'reset+2' is neither an address nor a symbol name"},
        {{"--entry", ".start"}, "option '--entry': '.start' is neither an address nor a symbol name"},
    };
    for (const Case& c : cases) {
        const RomRun run(c.options);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.out, "") << c.message;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "x09asm: " + c.message);
        EXPECT_EQ(run.files(), std::set<std::string>{"rom.asm"}) << c.message;
    }
}

// The listing, ROM image and object file are written as in any run; then the
// run stops with status 1 before the first extra file.
TEST(RomOptions, ErrorsOfTheRunWriteNoExtraFile) {
    struct Case {
        std::vector<std::string> options;
        std::string err;
    };
    const Case cases[] = {
        {{"--range", "$E000-$EFFF"}, "rom.asm:8: error: byte placed at $FFFE, outside the range $E000-$EFFF\n"},
        {{"--range", "$E001-$FFFF"}, "rom.asm:4: error: byte placed at $E000, outside the range $E001-$FFFF\n"},
        {{"--range", "$FFFF-$FFFF"}, "rom.asm:4: error: byte placed at $E000, outside the range $FFFF-$FFFF\n"},
        {{"--entry", "rest"}, "rom.asm: error: entry symbol 'rest' is not defined\n"},
        {{"--entry", "E000", "--range", "$F000-$FFFF"},
         "rom.asm: error: entry symbol 'E000' is not defined (an address is written $E000 or 0xE000)\n"
         "rom.asm:4: error: byte placed at $E000, outside the range $F000-$FFFF\n"},
        {{"--entry", "e000"},
         "rom.asm: error: entry symbol 'e000' is not defined (an address is written $e000 or 0xe000)\n"},
    };
    for (const Case& c : cases) {
        const RomRun run(c.options);
        const std::string head = SUMMARY + generated("rom.lst") + generated("rom.rom") + generated("rom.obj");
        EXPECT_EQ(run.status, 1) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, head + "** Assembler stoped.\n") << c.err;
        EXPECT_EQ(run.files(), (std::set<std::string>{"rom.asm", "rom.lst", "rom.rom", "rom.obj"})) << c.err;
    }
}

// A name the program uses but defines nowhere (an equ of it counts no error)
// is no entry.
TEST(RomOptions, AnEntrySymbolDefinedNowhereIsNone) {
    const RomRun run({"--entry", "later"}, "alias equ later\n" + SOURCE);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(run.err.ends_with("rom.asm: error: entry symbol 'later' is not defined\n")) << run.err;
    EXPECT_FALSE(run.dir.exists("rom.s19"));
}

}  // namespace
