#include <filesystem>
#include <fstream>
#include <numeric>
#include <set>
#include <vector>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "output/output_file.h"
#include "output/platform.h"
#include "support/assemble.h"

namespace fs = std::filesystem;

namespace {

TEST(WriteWholeFile, ReplacesTheTargetOrLeavesItAsItWas) {
    struct Case {
        const char* what;
        const char* existing;  // "" none, "file" holding "old", "folder/" a directory of that name
        const char* name;      // written, relative to the directory
        bool written;
        std::set<std::string> files;
    };
    const Case cases[] = {
        {"a new file", "", "x.rom", true, {"x.rom"}},
        {"an earlier file replaced", "x.rom", "x.rom", true, {"x.rom"}},
        {"a directory of that name", "x.rom/", "x.rom", false, {"x.rom"}},
        {"a folder that does not exist", "", "none/x.rom", false, {}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string existing = c.existing;
        if (!existing.empty() && existing.back() == '/') {
            fs::create_directory(dir.path / existing);
        } else if (!existing.empty()) {
            dir.write(existing, "old");
        }
        const std::error_code error = write_whole_file((dir.path / c.name).string(), "new\n", FileKind::binary);
        EXPECT_EQ(!error, c.written) << c.what << ": " << error.message();
        EXPECT_EQ(dir.names(), c.files) << c.what;
        if (c.written) {
            EXPECT_EQ(dir.read(c.name), "new\n") << c.what;
        } else if (!existing.empty() && existing.back() != '/') {
            EXPECT_EQ(dir.read(existing), "old") << c.what;
        }
    }
}

// A relative link names a file beside the link, wherever the program runs.
TEST(WriteWholeFile, ThroughARelativeLinkInAnotherFolder) {
    TempDir dir;
    std::error_code ec;
    fs::create_symlink("y.rom", dir.path / "x.rom", ec);
    if (ec) GTEST_SKIP() << "no symbolic links here";
    TempDir elsewhere;
    ScopedCwd cwd(elsewhere.path);
    EXPECT_FALSE(write_whole_file((dir.path / "x.rom").string(), "new\n", FileKind::binary));
    EXPECT_EQ(dir.names(), (std::set<std::string>{"x.rom", "y.rom"}));
    EXPECT_EQ(dir.read("y.rom"), "new\n");
    EXPECT_EQ(elsewhere.names(), std::set<std::string>{});
}

TEST(OutputFile, UntilCommittedTheEarlierFileStays) {
    TempDir dir;
    dir.write("x.lst", "old listing");
    const std::string name = (dir.path / "x.lst").string();
    {
        std::ostream stream(nullptr);
        OutputFile file(name);
        ASSERT_TRUE(file.open(stream, FileKind::text));
        stream << "half of a new listing";
        EXPECT_EQ(dir.read("x.lst"), "old listing");
        EXPECT_LE(dir.names().size(), 2u) << "at most a temporary beside it (none where it has no name)";
    }  // abandoned: its temporary goes
    EXPECT_EQ(dir.names(), std::set<std::string>{"x.lst"});
    EXPECT_EQ(dir.read("x.lst"), "old listing");

    std::ostream stream(nullptr);
    OutputFile file(name);
    ASSERT_TRUE(file.open(stream, FileKind::text));
    stream << "new listing";
    ASSERT_TRUE(file.commit()) << file.error().message();
    EXPECT_EQ(dir.read("x.lst"), "new listing");
    EXPECT_EQ(dir.names(), std::set<std::string>{"x.lst"});
}

// Asking for pages early must leave what they hold alone, whatever the
// range: a part of a page, whole pages, or not page-aligned at either end.
TEST(PreparePages, KeepsTheBytesAlreadyThere) {
    std::vector<unsigned char> bytes(1 << 18);
    std::iota(bytes.begin(), bytes.end(), static_cast<unsigned char>(7));
    const std::vector<unsigned char> before = bytes;
    const std::pair<std::size_t, std::size_t> ranges[] = {{0, 100}, {0, bytes.size()}, {4095, 5 * 4096 + 3}};
    for (const auto& [from, size] : ranges) {
        prepare_pages(bytes.data() + from, size);
        EXPECT_EQ(bytes, before) << from << "+" << size;
    }
}

}  // namespace
