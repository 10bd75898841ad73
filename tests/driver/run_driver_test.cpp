#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_driver.h"
#include "support/assemble.h"

namespace fs = std::filesystem;

namespace {

TEST(OutputNames, FromTheTypedName) {
    struct Case {
        const char *typed, *base, *listing, *rom, *obj;
    };
    const Case cases[] = {
        {"prog.asm", "prog", "prog.lst", "prog.rom", "prog.obj"},
        {"prog", "prog", "prog.lst", "prog.rom", "prog.obj"},
        {"a.b.asm", "a", "a.lst", "a.rom", "a.obj"},
        {"../src/x.asm", "", ".lst", ".rom", ".obj"},
        {"dir/x.asm", "dir/x", "dir/x.lst", "dir/x.rom", "dir/x.obj"},
    };
    for (const Case& c : cases) {
        const OutputNames n = output_names(c.typed);
        EXPECT_EQ(n.base, c.base) << c.typed;
        EXPECT_EQ(n.listing, c.listing) << c.typed;
        EXPECT_EQ(n.rom, c.rom) << c.typed;
        EXPECT_EQ(n.obj, c.obj) << c.typed;
    }
    const std::string long_name(300, 'n');
    EXPECT_EQ(output_names(long_name + ".asm").listing, long_name + ".lst");
}

TEST(OutputNames, FromASourceArgumentBesideTheSource) {
    const std::pair<const char*, const char*> cases[] = {
        {"prog.asm", "prog"},           {"a.b.asm", "a"},           {"prog", "prog"},
        {"./a.asm", "./a"},             {"sub.v2/b.asm", "sub.v2/b"}, {"../src/x.asm", "../src/x"},
        {"/p.q/r.s.t", "/p.q/r"},       {"dir.d/noext", "dir.d/noext"}, {"./.hidden.asm", "./"},
    };
    for (const auto& [argument, base] : cases) {
        const OutputNames n = argument_output_names(argument);
        EXPECT_EQ(n.base, base) << argument;
        EXPECT_EQ(n.listing, std::string(base) + ".lst") << argument;
    }
}

TEST(OutputNames, SharedByTwoSources) {
    struct Case {
        const char *a, *b;
        bool bin;
        const char* shared;  // nullptr for none
    };
    const Case cases[] = {
        {"a.asm", "a.s", false, "a.lst"},   {"./a.asm", "a.asm", false, "./a.lst"},
        {"d/../a.asm", "a", false, "d/../a.lst"}, {"a.asm", "b.asm", true, nullptr},
        {"sub/a.asm", "a.asm", false, nullptr},
    };
    for (const Case& c : cases) {
        RunOptions options;
        options.bin = c.bin;
        const OutputNames a = argument_output_names(c.a);
        const std::string* shared = shared_output(a, argument_output_names(c.b), options);
        EXPECT_EQ(shared == nullptr ? std::string("none") : *shared, c.shared == nullptr ? "none" : c.shared)
            << c.a << " " << c.b;
    }
}

TEST(ReadSourceName, LikeScanfPercentS) {
    struct Case {
        const char* input;
        bool read;
        const char* name;  // when read
    };
    const Case cases[] = {
        {"prog.asm\n", true, "prog.asm"},
        {"\n\n  \t prog.asm  \n", true, "prog.asm"},
        {"my prog.asm\n", true, "my"},
        {"x.asm", true, "x.asm"},
        {"\r\nname\r\n", true, "name"},
        {"", false, ""},
        {" \n\t\n  ", false, ""},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.input);
        std::string name = "old";
        EXPECT_EQ(read_source_name(in, name), c.read) << c.input;
        if (c.read) {
            EXPECT_EQ(name, c.name) << c.input;
        }
    }
}

const std::string BANNER =
    "MC6809 cross assembler start, made by Kelvarn. 2007.8.28\n"
    "ROM writer format: ASKII/2A (74256 only)\n"
    "Please input .asm file name = ";
const std::string STOPPED = "** Assembler stoped.\n";
const std::string PASSES = "**** pass 1 start ****\n**** pass 2 start ****\n** Error count=0 **, end addr=   1\n";
const std::string NOP_SOURCE = " nop\n end\n";

// Each entry makes one directory entry: "name" a file holding NOP_SOURCE,
// "name/" a directory, "name>target" a symbolic link.
void make_entries(const TempDir& dir, const std::vector<std::string>& entries) {
    for (const std::string& e : entries) {
        const auto arrow = e.find('>');
        if (arrow != std::string::npos) {
            fs::create_symlink(e.substr(arrow + 1), dir.path / e.substr(0, arrow));
        } else if (e.back() == '/') {
            fs::create_directory(dir.path / e);
        } else {
            dir.write(e, NOP_SOURCE);
        }
    }
}

struct RunCase {
    std::vector<std::string> entries;
    std::string typed;
    std::string console;  // after the prompt
    std::set<std::string> files;
};

const std::string PROTECT = "*** Output file ";
const std::string OVERWRITE = " would overwrite the source\n" + STOPPED;

// Runs each case in a directory of its own made from its entries.
void check_runs(const std::vector<RunCase>& cases) {
    for (const RunCase& c : cases) {
        TempDir dir;
        make_entries(dir, c.entries);
        std::istringstream in(c.typed);
        std::ostringstream console;
        {
            ScopedCwd cwd(dir.path);
            EXPECT_EQ(run_assembler(in, console), 0) << c.typed;
        }
        EXPECT_EQ(console.str(), BANNER + c.console) << c.typed;
        EXPECT_EQ(dir.names(), c.files) << c.typed;
        if (c.console.find("overwrite") != std::string::npos) {
            for (const std::string& name : c.files) {
                EXPECT_EQ(dir.read(name), NOP_SOURCE) << c.typed << ": " << name << " left as it was";
            }
        }
    }
}

TEST(RunAssembler, ConsoleAndFiles) {
    check_runs({
        {{"x.asm"}, "x.asm\n",
         PASSES + "  > Generated \"x.lst\" file.\n  > Generated \"x.rom\" file.\n  > Generated \"x.obj\" file.\n"
                  "** Assembler completed.\n",
         {"x.asm", "x.lst", "x.rom", "x.obj"}},
        // the source is protected by equal text, also when no such file exists
        {{}, "x.lst\n", PROTECT + "x.lst" + OVERWRITE, {}},
        {{"x.obj"}, "  x.obj\n", PROTECT + "x.obj" + OVERWRITE, {"x.obj"}},
        {{}, "", "\n" + STOPPED, {}},
        {{}, " \n\t\n", "\n" + STOPPED, {}},
        {{}, "nope.asm\n", "*** Cannot open file nope.asm\n" + STOPPED, {}},
        {{"d.asm/"}, "d.asm\n", "*** Cannot open file d.asm\n" + STOPPED, {"d.asm"}},
        {{"x.asm", "x.lst/"}, "x.asm\n", "*** Cannot write file x.lst\n" + STOPPED, {"x.asm", "x.lst"}},
    });
}

// A source named as the extra file an option asks for is left as it was.
TEST(RunCommandLine, ExtraFilesNeverOverwriteTheSource) {
    const std::pair<const char*, const char*> cases[] = {
        {"--srec", "x.s19"}, {"--ihex", "x.hex"}, {"--bin", "x.bin"}, {"--symbols", "x.sym"}};
    for (const auto& [option, source] : cases) {
        TempDir dir;
        dir.write(source, NOP_SOURCE);
        ScopedCwd cwd(dir.path);
        const CommandRun run({"-q", option, source});
        EXPECT_EQ(run.status, 1) << option;
        EXPECT_EQ(run.out, PROTECT + source + OVERWRITE) << option;
        EXPECT_EQ(dir.names(), std::set<std::string>{source}) << option;
        EXPECT_EQ(dir.read(source), NOP_SOURCE) << option;
    }
}

bool can_make_symlinks() {
    TempDir dir;
    std::error_code ec;
    fs::create_symlink("target", dir.path / "link", ec);
    return !ec;
}

TEST(RunAssembler, ThroughSymbolicLinks) {
    // Wine cannot make them, and Windows only with a privilege; nor has it /dev/full.
    if (!can_make_symlinks() || !fs::exists("/dev/full")) GTEST_SKIP() << "no symbolic links or no /dev/full here";
    check_runs({
        // the source is protected as the same file on disk, the names tried as listing, ROM image, object
        {{"src", "x>src", "x.lst>src", "x.rom>src"}, "x\n", PROTECT + "x.lst" + OVERWRITE,
         {"src", "x", "x.lst", "x.rom"}},
        {{"src", "x>src", "x.rom>src", "x.obj>src"}, "x\n", PROTECT + "x.rom" + OVERWRITE,
         {"src", "x", "x.rom", "x.obj"}},
        // a listing that cannot be written to the end
        {{"x.asm", "x.lst>/dev/full"}, "x.asm\n", PASSES + "*** Cannot write file x.lst\n" + STOPPED,
         {"x.asm", "x.lst"}},
    });
}

}  // namespace
