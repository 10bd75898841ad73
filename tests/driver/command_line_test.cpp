#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/assemble.h"

namespace {

// Of several options not understood, the usage error names the first, and
// nothing is assembled.
TEST(CommandLine, UnknownOptionNamedIsTheFirst) {
    struct Case {
        std::vector<const char*> args;
        const char* named;
    };
    const Case cases[] = {
        {{"--bogus", "--other", "x.asm"}, "--bogus"},
        {{"--other", "--bogus", "x.asm"}, "--other"},
        {{"x.asm", "--srec", "-z", "--help", "-y"}, "-z"},
        {{"-q", "--quiet=1", "--srecord"}, "--quiet=1"},
        {{"--version", "-Q", "--", "-R"}, "-Q"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("x.asm", " nop\n end\n");
        ScopedCwd cwd(dir.path);
        const CommandRun run(c.args);
        EXPECT_EQ(run.status, 2) << c.named;
        EXPECT_EQ(run.out, "") << c.named;
        const std::string first_lines = std::string("x09asm: unknown option '") + c.named + "'\nusage: x09asm ";
        EXPECT_EQ(run.err.substr(0, first_lines.size()), first_lines);
        EXPECT_FALSE(dir.exists("x.lst")) << c.named;
    }
}

// A source on standard input needs -o to name its outputs; -o names those of
// one source only.
TEST(CommandLine, StandardInputNeedsAnOutputBase) {
    struct Case {
        std::vector<const char*> args;
        const char* first_line;
    };
    const Case cases[] = {
        {{"-"}, "x09asm: the source on standard input (-) needs -o BASE to name the outputs\n"},
        {{"-q", "x.asm", "-"}, "x09asm: the source on standard input (-) needs -o BASE to name the outputs\n"},
        {{"-o", "out", "-", "x.asm"}, "x09asm: option '-o' names the outputs of exactly one SOURCE\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("x.asm", " nop\n end\n");
        ScopedCwd cwd(dir.path);
        const CommandRun run(c.args);
        EXPECT_EQ(run.status, 2) << c.first_line;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.first_line);
        EXPECT_EQ(dir.names(), std::set<std::string>{"x.asm"}) << c.first_line;
    }
}

}  // namespace
