#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/assemble.h"

namespace {

// A usage error is one line naming its cause (of several options not
// understood, the first), then where the help is; nothing is assembled.
TEST(CommandLine, UsageErrorNamesItsCauseFirst) {
    struct Case {
        std::vector<const char*> args;
        std::string cause;
    };
    const auto unknown = [](const std::string& option) { return "unknown option '" + option + "'"; };
    const std::string needs_base = "the source on standard input (-) needs -o BASE to name the outputs";
    const Case cases[] = {
        {{"--bogus", "--other", "x.asm"}, unknown("--bogus")},
        {{"--other", "--bogus", "x.asm"}, unknown("--other")},
        {{"x.asm", "--srec", "-z", "--help", "-y"}, unknown("-z")},
        {{"-q", "--quiet=1", "--srecord"}, unknown("--quiet=1")},
        {{"--version", "-Q", "--", "-R"}, unknown("-Q")},
        {{"-"}, needs_base},
        {{"-q", "x.asm", "-"}, needs_base},
        {{"-o", "out", "-", "x.asm"}, "option '-o' names the outputs of exactly one SOURCE"},
        {{"-o", "out"}, "option '-o' names the outputs of exactly one SOURCE"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("x.asm", " nop\n end\n");
        ScopedCwd cwd(dir.path);
        const CommandRun run(c.args);
        EXPECT_EQ(run.status, 2) << c.cause;
        EXPECT_EQ(run.out, "") << c.cause;
        EXPECT_EQ(run.err, "x09asm: " + c.cause + "\ntry 'x09asm --help'\n");
        EXPECT_EQ(dir.names(), std::set<std::string>{"x.asm"}) << c.cause;
    }
}

}  // namespace
