// The S-record and Intel HEX files are read back by an independent tool,
// srec_cat, and must give the same bytes as the raw image and the object file.

#include <cstdlib>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "driver/run_driver.h"
#include "support/assemble.h"

namespace {

bool have_srec_cat() { return std::system("command -v srec_cat >/dev/null 2>&1") == 0; }

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

// Runs srec_cat in `dir`; true when it succeeded.
bool srec_cat(const TempDir& dir, const std::string& args) {
    const std::string cmd = "cd '" + dir.path.string() + "' && srec_cat " + args + " 2>srec_cat.err";
    return std::system(cmd.c_str()) == 0;
}

struct Assembled {
    TempDir dir;
    std::ostringstream console;
    RunOutcome outcome;

    explicit Assembled(const std::string& source) {
        dir.write("prog.asm", source);
        ScopedCwd cwd(dir.path);
        RunOptions options;
        options.srec = options.ihex = options.bin = true;
        outcome = assemble_source("prog.asm", console, options);
    }
};

TEST(LoadFormats, ReadBackByAnIndependentToolGiveTheImage) {
    if (!have_srec_cat()) GTEST_SKIP() << "srec_cat not installed";
    // Several records, a gap left by a forward org, a partial last record.
    Assembled a(" org $C000\n ldx #$1234\n fcc /Records of sixteen bytes/\n org $C040\n fdb $BEEF,$CAFE\n"
                " ldy [$C000]\n end\n");
    ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str();
    const std::string bin = a.dir.read("prog.bin");
    ASSERT_EQ(bin.size(), 0x49u);  // up to the 5 bytes of ldy [$C000] at $C044
    EXPECT_EQ(object_image(a.dir.read("prog.obj")), bin);

    ASSERT_TRUE(srec_cat(a.dir, "prog.s19 -offset -0xC000 -o s19.bin -binary")) << a.dir.read("srec_cat.err");
    ASSERT_TRUE(srec_cat(a.dir, "prog.hex -intel -offset -0xC000 -o hex.bin -binary")) << a.dir.read("srec_cat.err");
    EXPECT_EQ(a.dir.read("s19.bin"), bin);
    EXPECT_EQ(a.dir.read("hex.bin"), bin);
}

TEST(LoadFormats, RecordsThatPassFFFFGoOnAtAddressZero) {
    if (!have_srec_cat()) GTEST_SKIP() << "srec_cat not installed";
    Assembled a(" org $FFF8\n fcb 0,1,2,3,4,5,6,7,8,9,10,11\n end\n");
    ASSERT_EQ(a.outcome, RunOutcome::completed) << a.console.str();
    EXPECT_EQ(a.dir.read("prog.obj"), "@FFF8[000102030405060708090A0B]\nE\n");
    // Eight bytes fill $FFF8..$FFFF; the other four wrap to $0000..$0003.
    ASSERT_TRUE(srec_cat(a.dir, "prog.s19 -o s19.bin -binary")) << a.dir.read("srec_cat.err");
    ASSERT_TRUE(srec_cat(a.dir, "prog.hex -intel -o hex.bin -binary")) << a.dir.read("srec_cat.err");
    const std::string image = a.dir.read("s19.bin");
    ASSERT_EQ(image.size(), 0x10000u);
    EXPECT_EQ(image.substr(0, 4), std::string("\x08\x09\x0A\x0B", 4));
    EXPECT_EQ(image.substr(0xFFF8), std::string("\x00\x01\x02\x03\x04\x05\x06\x07", 8));
    EXPECT_EQ(a.dir.read("hex.bin"), image);
}

}  // namespace
