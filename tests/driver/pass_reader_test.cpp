#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "driver/pass_reader.h"
#include "driver/run_driver.h"
#include "support/assemble.h"
#include "support/platform.h"

namespace {

// One statement line of the listing; `code` is the address and the bytes.
std::string listed(int seq, int offset, const std::string& code, int source_line, const std::string& text) {
    char head[64];
    std::snprintf(head, sizeof head, "%4d  (%4x) %-18s  (%4d) ", seq, offset, code.c_str(), source_line);
    return head + text + "\n";
}

std::string summary(int end_addr) {
    char s[64];
    std::snprintf(s, sizeof s, "** Error count=0 **, end addr=%4x\n", end_addr);
    return s;
}

std::string listing_of(const std::string& source) {
    TempDir dir;
    dir.write("x.asm", source);
    std::ostringstream console;
    {
        ScopedCwd cwd(dir.path);
        assemble_source("x.asm", console);
    }
    return dir.read("x.lst");
}

TEST(PassReader, StatementsAsListed) {
    struct Case {
        const char* what;
        std::string source;
        std::vector<std::string> lines;
    };
    const std::string a71(71, 'a');
    const std::string b74(74, 'b');
    const std::string c70(70, 'c');
    const Case cases[] = {
        {"tabs", "*\tA\n*abcdef\tB\n*abcdefg\tC\n*bcdefghijklm\tD\n\tnop\n end\n",
         {listed(1, 0, "0000", 1, "*       A"), listed(2, 0, "0000", 2, "*abcdef B"),
          listed(3, 0, "0000", 3, "*abcdefg        C"), listed(4, 0, "0000", 4, "*bcdefghijklm   D"),
          listed(5, 0, "0000  12", 5, "        nop"), listed(6, 1, "0001", 6, " end"), summary(1)}},
        {"tab at column 72 or later", "*" + a71 + "\tzz\n*" + b74 + "\tzz\n*" + c70 + "\tzz\n end\n",
         {listed(1, 0, "0000", 1, "*" + a71 + "       "), listed(2, 0, "0000", 2, "*" + b74 + "    "),
          listed(3, 0, "0000", 3, "*" + c70 + " zz"), listed(4, 0, "0000", 4, " end"), summary(0)}},
        {"79 characters", "*" + std::string(85, 'd') + "\n end\n",
         {listed(1, 0, "0000", 1, "*" + std::string(78, 'd')), listed(2, 0, "0000", 2, " end"), summary(0)}},
        {"colons", "LOOP: nop\nx:\n end\n",
         {listed(1, 0, "0000", 1, "LOOP"), listed(2, 0, "0000  12", 1, " nop"), listed(3, 1, "0001", 2, "x"),
          listed(4, 1, "0001", 2, ""), listed(5, 1, "0001", 3, " end"), summary(1)}},
        {"colon before a word", "LOOP:lda #1\n end\n",
         {listed(1, 0, "0000", 1, "LOOP"), listed(2, 0, "0000", 1, "lda #1"),
          "      **** Error no.=  2, line no = 1 **** \n", listed(3, 0, "0000", 2, " end"),
          "** Error count=1 **, end addr=   0\n"}},
        {"colon inside fcc text", "  fcc /A:B/\n end\n",
         {listed(1, 0, "0000  41", 1, "  fcc /A"), listed(2, 1, "0001", 1, "B/"), listed(3, 1, "0001", 2, " end"),
          summary(1)}},
        {"carriage returns", "*a\r\n\r\n*b\rc\r\n nop\r\n end",
         {listed(1, 0, "0000", 1, "*a"), listed(2, 0, "0000", 2, ""), listed(3, 0, "0000", 3, "*bc"),
          listed(4, 0, "0000  12", 4, " nop"), listed(5, 1, "0001", 5, " end"), summary(1)}},
        {"Ctrl-Z", " nop\n nop\x1a nop\n end\n",
         {listed(1, 0, "0000  12", 1, " nop"), listed(2, 1, "0001  12", 2, " nop"), summary(2)}},
        {"$FF byte", "*a\n nop\xff nop\n end\n",
         {listed(1, 0, "0000", 1, "*a"), listed(2, 0, "0000  12", 2, " nop"), summary(1)}},
        {"NUL byte", std::string(" nop\0 xyz\n end\n", 15),
         {listed(1, 0, "0000  12", 1, " nop"), listed(2, 1, "0001", 2, " end"), summary(1)}},
        {"final line feed", " nop\n", {listed(1, 0, "0000  12", 1, " nop"), listed(2, 1, "0001", 2, ""), summary(1)}},
        {"no final line feed", " nop", {listed(1, 0, "0000  12", 1, " nop"), summary(1)}},
        {"empty file", "", {listed(1, 0, "0000", 1, ""), summary(0)}},
        {"blank line", "\n end", {listed(1, 0, "0000", 1, ""), listed(2, 0, "0000", 2, " end"), summary(0)}},
        {"nothing after end", " nop\n end: nop\n nop\n",
         {listed(1, 0, "0000  12", 1, " nop"), listed(2, 1, "0001", 2, " end"), summary(1)}},
    };
    for (const Case& c : cases) {
        std::string expected;
        for (const std::string& line : c.lines) {
            expected += line;
        }
        EXPECT_EQ(listing_of(c.source), as_text_file(expected)) << c.what;
    }
}

// What a run says of the source's first statement: its listing line, its
// error line, and what standard error says of line 1 (but for the warning
// of a source without statements, which is of the whole source).
std::string first_statement_said(const std::string& source) {
    TempDir dir;
    dir.write("x.asm", source);
    std::string said;
    {
        ScopedCwd cwd(dir.path);
        const CommandRun run({"x09asm", "-Wno-empty-source", "x.asm"});
        std::istringstream err(run.err);
        for (std::string line; std::getline(err, line);) {
            if (line.starts_with("x.asm:1:")) {
                said += line + "\n";
            }
        }
    }
    std::istringstream listing(dir.read("x.lst"));
    std::string first, line;
    while (std::getline(listing, line) && (first.empty() || line.starts_with("      ****"))) {
        first += line + "\n";
    }
    return first + said;
}

// A statement with more than a line's worth of source after it is read by
// the fast path for plain text; the last one of a short source by the walk
// over its bytes. Both must read it alike.
TEST(PassReader, StatementReadAlikeWhateverFollows) {
    const std::string after = std::string("\n").append(120, '*').append("\n");
    const std::string lines[] = {
        "start lda #$10",
        " LDA ,X",
        " ldd 2,y",
        "a,b,c,d,e,f,g",
        "a b c d e f g h",
        " fcc /hello, world/",
        " lda #1,/2",
        " fcb 1,/2",
        "lbl,/b nop",
        " fcc /a]b/",
        "x/y lda #1",
        " lda #1/2",
        " fcb 1,2,3,4,5,6,7",
        " pshs a,b,x,y",
        "",
        "   ",
        "* comment, with / slash",
        " lda abcdefghijklmnopqrst",
        "abcdefghijklmnopq abcdefghijklmnopq abcdefghijklmnopq,abcdefghijklmnopq",
        " lda abcdefghijklmnopqrstu",
        " fcb abcdefghijklmnopqrstu",
        " abcdefghijklmnopqrst #1",
        "label:  nop",
        " ldx #',",
        " leax [,x]",
        " LDAA  #$FF ;comment",
        std::string("*").append(77, 'x'),
        std::string("*").append(78, 'x'),
        std::string(" nop").append(74, ' '),
        std::string(" nop").append(75, ' '),
        std::string(" nop ").append(73, 'x'),
        std::string(" nop ").append(74, 'x'),
        std::string(" nop ").append(75, 'x'),
        std::string(" nop").append(75, ' ').append("x"),
        std::string(" fcc /").append(71, 'q').append("/"),
        std::string(" fcc /").append(72, 'q').append("/"),
        std::string(" fcb 1,").append(71, ' '),
    };
    for (const std::string& line : lines) {
        EXPECT_EQ(first_statement_said(line + after), first_statement_said(line + "\n")) << "'" << line << "'";
    }
}

TEST(PassReader, PlacementMoveAfterPass1) {
    TempDir dir;
    // 4 + 1 + 3 + $18 = $20 bytes up to the end directive
    dir.write("t.asm", " org ?\n rmb 4\nhere nop\nval equ $1004\n ldx nowhere\n rmb $18\n end\n");
    const std::string name = (dir.path / "t.asm").string();
    std::ostringstream console;
    AsmState st(console);
    std::error_code error;
    ASSERT_TRUE(load_source(st, name, error));
    run_pass(st, 1);
    EXPECT_EQ(console.str(), "**** pass 1 start ****\n");
    EXPECT_EQ(st.end_len, 0x20);
    // labels move; equ symbols and undefined names keep their values
    const std::pair<std::string, std::int32_t> rows[] = {{"here      ", 0xFFE4}, {"val       ", 0x1004},
                                                         {"nowhere   ", 0xFFFF}};
    ASSERT_EQ(st.symbol_count, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::string(st.symbols[i].name.begin(), st.symbols[i].name.end()), rows[i].first);
        EXPECT_EQ(st.symbols[i].value, rows[i].second) << rows[i].first;
    }
    EXPECT_EQ(st.symbols[1].kind, SYM_EQU);
    // pass 2 places the program so that its last byte is at $FFFF, where the label already is
    run_pass(st, 2);
    EXPECT_EQ(st.origin, 0xFFE0);
    EXPECT_EQ(st.loc, 0x10000);
    EXPECT_EQ(st.symbols[0].value, 0xFFE4);
    EXPECT_EQ(st.symbols[1].value, 0x1004);
}

}  // namespace
