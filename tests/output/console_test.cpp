// Console messages formatted into the formatter's 256-byte buffer, and just
// past it: only a source name can make a message that long.

#include <gtest/gtest.h>

#include <string>

#include "support/assemble.h"

namespace {

const std::string STOPPED = "** Assembler stoped.\n";

TEST(Console, CannotOpenMessagesAroundTheBufferSize) {
    for (const std::size_t length : {254u, 255u, 256u, 257u, 258u}) {
        // 22 characters besides the name, the newline included
        const std::string name(length - 22, 'm');
        const std::string message = "*** Cannot open file " + name + "\n";
        ASSERT_EQ(message.size(), length);
        TempDir dir;
        ScopedCwd cwd(dir.path);
        const CommandRun run({"-q", name.c_str()});
        EXPECT_EQ(run.out, message + STOPPED) << length;
        EXPECT_EQ(run.err, "x09asm: cannot open '" + name + "': No such file or directory\n") << length;
        EXPECT_EQ(run.status, 1) << length;
    }
}

TEST(Console, GeneratedMessagesAroundTheBufferSize) {
    for (const std::size_t length : {255u, 256u, 257u}) {
        // 23 characters besides the name of each file written
        const std::string base(length - 23 - 4, 'g');
        TempDir dir;
        dir.write(base + ".asm", " nop\n end\n");
        ScopedCwd cwd(dir.path);
        const CommandRun run({(base + ".asm").c_str()});
        std::string generated;
        for (const char* extension : {".lst", ".rom", ".obj"}) {
            generated += "  > Generated \"" + base + extension + "\" file.\n";
        }
        EXPECT_EQ(generated.size(), 3 * length);
        const std::string passes = "**** pass 1 start ****\n**** pass 2 start ****\n";
        const std::string summary = "** Error count=0 **, end addr=   1\n";
        const std::size_t banner = run.out.find(passes);
        ASSERT_NE(banner, std::string::npos) << length;
        EXPECT_EQ(run.out.substr(banner), passes + summary + generated + "** Assembler completed.\n") << length;
        EXPECT_EQ(run.status, 0) << length;
    }
}

}  // namespace
