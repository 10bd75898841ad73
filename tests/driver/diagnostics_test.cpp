#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <string_view>

#include "driver/command_line.h"
#include "driver/run_driver.h"
#include "support/assemble.h"

namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace {

// One source assembled as a run with arguments does it: diagnostics on a
// stream of their own.
struct Diagnosed {
    TempDir dir;
    std::ostringstream console;
    std::ostringstream err;
    RunOutcome outcome;

    explicit Diagnosed(const std::string& source, RunOptions options = {}, bool with_diagnostics = true) {
        dir.write("t.asm", source);
        ScopedCwd cwd(dir.path);
        options.diagnostics = with_diagnostics ? &err : nullptr;
        outcome = assemble_source("t.asm", console, options);
    }

    // "KIND@LINE" of every line "t.asm:LINE: warning: TEXT [-WKIND]".
    std::multiset<std::string> warnings() const {
        std::multiset<std::string> found;
        std::istringstream lines(err.str());
        for (std::string line; std::getline(lines, line);) {
            const std::size_t number = line.find(':') + 1;
            const std::size_t severity = line.find(": warning: ", number);
            const std::size_t tag = line.rfind(" [-W");
            if (line.starts_with("t.asm:") && severity != std::string::npos && tag != std::string::npos &&
                line.ends_with("]")) {
                found.insert(line.substr(tag + 4, line.size() - tag - 5) + "@" +
                             line.substr(number, severity - number));
            }
        }
        return found;
    }

    // Every file the run left, by name.
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> all;
        for (const auto& entry : fs::directory_iterator(dir.path)) {
            all[entry.path().filename().string()] = dir.read(entry.path().filename().string());
        }
        return all;
    }
};

// Each trap: a source that makes one silent reading, and every warning it
// draws, as KIND@LINE.
struct Trap {
    std::string_view source;  // "..."sv where it holds a NUL
    std::multiset<std::string> drawn;
};

const Trap traps[] = {
    {" org $1000\n anda #%00001111\n", {"digits@2", "truncated@2"}},
    {" org $1000\n lda #$1G\n", {"digits@2"}},
    {" org $1000\n ldx #0x10\n", {"digits@2"}},
    {" org $1000\n ldd #0FFh\n lda (3)\n", {"digits@2", "digits@3"}},
    {" org $1000\n ldx #*+5\n", {"star@2"}},
    {" org $1000\n bra *\n", {"star@2"}},  // and error 5: the target is $000A
    {"lab org $1000\n ldx #lab+1+2\n", {"ignored-operand@2"}},
    {"lab org $1000\n ldx #lab*2\n", {"ignored-operand@2"}},
    {" org $1000\n ldx #$00000000000000000001+1\n", {"ignored-operand@2", "long-field@2"}},
    {" org $1000\n fcb 'AB\n", {"ignored-operand@2"}},
    {" org $1000\n fcb 'A'\n", {}},  // the closing apostrophe belongs to the constant
    {" org $1000\n lda #300\n", {"truncated@2"}},
    {" org $1000\n ldx #70000\n fdb -40000\n", {"truncated@2", "truncated@3"}},
    {" org $1000\n fcb 256,-129\n andcc #$1FE\n pshs #$100\n", {"truncated@2", "truncated@3", "truncated@4"}},
    {" org $1000\n jmp $12345\nX equ $10000\n", {"truncated@2", "truncated@3"}},
    // A negative equ symbol means its negative value, also through another equ.
    {" org $E000\n ldx #rombeg+ramofs\nrombeg equ $E000\nramofs equ -$6900\nminus1 equ ramofs+$68FF\n"
     " ldd #-ramofs\n lda #minus1\n ldb #-1\n",
     {}},
    {"ramofs equ -$6900\n org $1000\n ldx #ramofs+ramofs\n lda #ramofs\n ldx #$E000+$9700\n",
     {"truncated@3", "truncated@4", "truncated@5"}},
    {" org $1000\n lda #255\n ldb #-128\n ldx #65535\n ldy #-32768\n fcb 255,-128\n fdb 65535,-32768\n", {}},
    {"counter_hi fcb 1\n ldx #counter_high\n", {"long-name@2"}},
    {" org $1000\n ldaaa #1\n", {"long-mnemonic@2"}},
    {" org $1000\n ldb #10/2\n", {"slash@2"}},
    {" org $1000\na/b nop\n", {"slash@2"}},
    {" org $1000\n fcc /A:B/\n", {"colon@2", "fcc-delimiter@2", "slash@2"}},
    {" org $1000\n cmpa #':\n", {"colon@2"}},
    {" org $1000\n* note:lab\n lda #1 ; load: nop\n", {"colon@2", "colon@3"}},
    {" org $1000\n fcb 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31\n",
     {"long-line@2"}},
    {" org $1000\n fcb 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20 ; the table ends here and past column 79 "
     "goes on\n",
     {}},
    {" fcb 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27   \t  \t \r\n", {}},
    {" org $1000\na_label_of_more_than_20_characters nop\n", {"long-field@2"}},
    {"label_exactly_twenty nop\n", {}},
    {"start,/ nop\n end start/2\n", {}},  // cut after a comma, or in text that is not read
    {" org $1000\n ldx #a_symbol_name_longer_than_20\na_symbol_n rmb 2\n", {"long-field@2", "long-name@3"}},
    {" org $1000\n nop\x1a nop\n nop\n", {"text-end@2"}},
    {" org $1000\n nop\n\xff nop\n", {"text-end@3"}},
    {" org $1000\n nop\n\xff\n", {"text-end@3"}},
    {" org $1000\n lda 5,x+\n lda [2,y++]\n ldb 1,--u\n",
     {"offset-dropped@2", "offset-dropped@3", "offset-dropped@4"}},
    {" org $1000\n sta 0,x+\n lda [$00,y++]\nzero equ 0\n ldb zero,-u\n", {}},  // nothing is dropped
    {" org $1000\n leax 100,pc\n", {"pc-target@2"}},
    {" org $1000\n pshs s\n pulu a,u\n puls b,S\n", {"stack-self@2", "stack-self@3", "stack-self@4"}},
    {" org $1000\n pshs a x\n", {"register-list@2"}},
    {" org $1000\n pshs a,b save,xfer\n", {"register-list@2"}},
    {" org $1000\n fcb ',\n fcb '*,1\n fdb 1,' \n fcb ' ,1\n",
     {"fcb-char@2", "fcb-char@3", "fcb-char@4", "fcb-char@5"}},
    {" org $1000\n fcb 1,2 ; one, 3\n", {"comment-comma@2"}},
    {" org $1000\n fcc \"HELLO\"\n fcc /ABC\n", {"fcc-delimiter@2", "fcc-delimiter@3"}},
    {"X equ UNDEF\n", {"undefined-equ@1"}},
    {" fcb UNDEF\nX equ 5\nY equ X\n", {}},  // the error of the line before is not the equ's
    {" lda #UNDEF\n lda #300\n", {"truncated@2"}},  // nor is its undefined name
    {" org $1000\n nop\n org $1000\n nop\n", {"overwrite@4"}},
    {" org $FFFF\n fdb 1\n", {"wrap@2"}},
    {" org $1000\n rmb -1\n", {"wrap@2"}},
    {" org $FFF0\n rmb $20\n", {"wrap@2"}},
    {" org $FFFE\n rmb 2\n rmb 0\n", {}},
    {" org $1000\n ldx #'A\n ldd #'A'\n lda #'AB\n", {"char-pair@2", "char-pair@3", "char-pair@4"}},
    {" org $1000\n tab\n tba\n cpx #1\n", {"6800-flags@2", "6800-flags@3", "6800-flags@4"}},
    {"* old editor\r org $1000\r lda #1\r", {"line-ends@1"}},
    {" org $1000\r\n nop\r\r\n nop\r", {}},
    {"", {"empty-source@1"}},
    {"\n \t\n\r\n", {"empty-source@1"}},
    {"* only a comment\n", {}},
    {"zp equ $10\ntop equ $8000\n org $1000\n ldb zp + 1\n lds #top -2\n fdb top + zp\n fcb 1, 2 + 3\n ldx #2 * 2\n",
     {"spaced-operand@4", "spaced-operand@5", "spaced-operand@6", "spaced-operand@7", "spaced-operand@8"}},
    {"ptr equ $10\n jmp [ptr + 2]\n", {"spaced-operand@2"}},
    // Comments: after a mnemonic without operand, behind ";", or words that are no terms.
    {"one equ 1\n org $1000\n clra + 1\n lda #1 ; + 2\n lda #1 - load one\n lda #1 * comment\n lda #1 -1st\n"
     " lda #one+1 next\n",
     {}},
    {" org $0100\ncount rmb 1\n org $E000\n nop\n", {"image-span@1"}},
    {"count rmb $200\n org $E000\n nop\n", {"image-span@1"}},
    {"x equ 1\n org $0100\n org $0200\nbuf rmb 2\n org $E000\n nop\n", {"image-span@3"}},
    {" org $E000\nflags rmb 4\n nop\n", {}},             // a few bytes in front of the code
    {" org $0100\n rmb $1000\n", {}},                     // nothing placed
    {" org $0100\n nop\n rmb $1000\n org $E000\n nop\n", {}},  // the code comes first
    {" org ?\n rmb $400\n nop\n end\n", {}},              // placed at the top of memory
    {"start\0\tlda\t#$41\n org $1000\n fcc /AB\0C/\n"sv, {"nul@1", "nul@3", "fcc-delimiter@3"}},
    {" nop\0\n nop\0 \0\n* note\0more\n nop ; note\0more\n"sv, {}},  // nothing after it is lost, or comment
    {" org $1000\n fcc /A\tB/\n lda #'\t\n fcb 1,'\t\n cmpa #'\t' tab?\n",
     {"tab-in-text@2", "tab-in-text@3", "tab-in-text@4", "fcb-char@4", "tab-in-text@5"}},
    // Tabs between fields, in comments, and after a closing "/".
    {"\torg\t$1000\n\tlda\t#'A\tload A\n* it's\tthere\n lda #1 ; it's\tthere\n fcc /AB/\tdone\n nop '\tx\n",
     {}},
};

TEST(Warnings, EachTrapDrawsItsKindAtItsLine) {
    for (const Trap& trap : traps) {
        const Diagnosed d{std::string(trap.source)};
        EXPECT_EQ(d.warnings(), trap.drawn) << trap.source << "\n" << d.err.str();
    }
}

TEST(Warnings, EveryKindIsCovered) {
    std::set<std::string> covered;
    for (const Trap& trap : traps) {
        for (const std::string& drawn : trap.drawn) {
            covered.insert(drawn.substr(0, drawn.find('@')));
        }
    }
    for (std::string_view kind : warning_names) {
        EXPECT_TRUE(covered.count(std::string(kind))) << kind;
    }
}

// Ordinary code of a small monitor, written as this dialect wants it.
const char clean_program[] =
    "* A small monitor - tables, strings, push/pull lists and indexed forms\n"
    "acia    equ     $E000     ACIA status\n"
    "aciad   equ     acia+1    ACIA data\n"
    "stack   equ     $7F00\n"
    "buflen  equ     32\n"
    "; variables in the direct page\n"
    "ptr     equ     $00       next byte to show\n"
    "count   equ     $02\n"
    "buffer  equ     $03\n"
    "        org     $F000\n"
    "reset   lds     #stack\n"
    "        ldu     #stack-$100\n"
    "        clra\n"
    "        tfr     a,dp\n"
    "        ldx     #hello\n"
    "        bsr     puts\n"
    "loop    bsr     getc\n"
    "        cmpa    #'A'      a command letter?\n"
    "        blo     loop\n"
    "        anda    #$DF      upper case\n"
    "        ldx     #table\n"
    "look    cmpa    ,x+\n"
    "        beq     found\n"
    "        leax    2,x\n"
    "        tst     ,x\n"
    "        bne     look\n"
    "        bra     loop\n"
    "found   jsr     [,x]\n"
    "        bra     loop\n"
    "puts    pshs    a,x\n"
    "puts1   lda     ,x+\n"
    "        beq     puts2\n"
    "        bsr     putc\n"
    "        bra     puts1\n"
    "puts2   puls    a,x,pc\n"
    "putc    pshs    b\n"
    "putc1   ldb     acia\n"
    "        bitb    #$02\n"
    "        beq     putc1\n"
    "        sta     aciad\n"
    "        puls    b,pc\n"
    "getc    ldb     acia\n"
    "        lsrb\n"
    "        bcc     getc\n"
    "        lda     aciad\n"
    "        rts\n"
    "dump    ldx     ptr\n"
    "        ldb     #16\n"
    "        stb     count\n"
    "dump1   lda     b,x\n"
    "        sta     buffer,y\n"
    "        leay    1,y\n"
    "        ldd     -2,u\n"
    "        std     [4,s]\n"
    "        leax    table,pcr\n"
    "        dec     count\n"
    "        bne     dump1\n"
    "        ldd     #'OK\n"
    "        pshu    a,b,x,y,s\n"
    "        pulu    a,b,x,y,s\n"
    "        exg     x,y\n"
    "        andcc   #$AF\n"
    "        orcc    #$50\n"
    "        lbra    reset\n"
    "table   fcb     'D\n"
    "        fdb     dump\n"
    "        fcb     'G,0\n"
    "hello   fcc     /6809 monitor ready/\n"
    "        fcb     $0D,$0A,0 carriage return and line feed\n"
    "        org     $FFFE\n"
    "        fdb     reset\n"
    "        end     reset\n";

TEST(Warnings, OrdinaryProgramsDrawNone) {
    const Diagnosed clean(clean_program);
    EXPECT_EQ(clean.outcome, RunOutcome::completed) << clean.console.str();
    EXPECT_EQ(clean.err.str(), "");

    std::ifstream monitor(EXAMPLES_DIR "/monitor.asm", std::ios::binary);
    const Diagnosed example(std::string(std::istreambuf_iterator<char>(monitor), {}));
    EXPECT_EQ(example.outcome, RunOutcome::completed) << example.console.str();
    EXPECT_EQ(example.err.str(), "");
}

// A source with a trap of every kind and errors: the listing, the console
// and the files are the same with diagnostics and without.
TEST(Warnings, ChangeNothingElse) {
    std::string all;
    for (const Trap& trap : traps) {
        if (trap.source.find_first_of("\x1a\xff") == std::string::npos) {
            all += trap.source;
        }
    }
    all += " tfr q,r\n sta #UNDEF\n ldz\n";
    for (const std::string& source : {all, std::string(clean_program)}) {
        const Diagnosed with(source);
        const Diagnosed without(source, {}, false);
        EXPECT_EQ(with.console.str(), without.console.str());
        EXPECT_EQ(with.outcome, without.outcome);
        EXPECT_EQ(with.files(), without.files());
    }
}

// A source, and a line its diagnostics must hold.
struct Said {
    std::string_view source;
    const char* line;
};

void expect_each_said(std::span<const Said> cases) {
    for (const Said& c : cases) {
        const Diagnosed d{std::string(c.source)};
        EXPECT_NE(d.err.str().find(std::string(c.line) + "\n"), std::string::npos) << c.source << "\n" << d.err.str();
    }
}

// The words of each kind of warning, once: the values and texts it names.
const Said wordings[] = {
    {" lda #$G\n", "t.asm:1: warning: '$G' is not a hexadecimal number: it reads as 0 ($00) [-Wdigits]"},
    {" lda #511\n", "t.asm:1: warning: 511 ($01FF) does not fit in 8 bits: $FF is kept [-Wtruncated]"},
    {" org $1000\n nop\n org $1000\n nop\n",
     "t.asm:4: warning: the byte at $1000 is placed over one an earlier statement placed [-Woverwrite]"},
    {" org $FFF0\n rmb $20\n", "t.asm:2: warning: space is reserved up to $1000F, above $FFFF [-Wwrap]"},
    {" nop\x1a nop\n",
     "t.asm:1: warning: a Ctrl-Z byte ends the text: the 5 bytes after it are not read [-Wtext-end]"},
    {" nop\x1a\n", "t.asm:1: warning: a Ctrl-Z byte ends the text: the 1 byte after it is not read [-Wtext-end]"},
    {"; fcc /a:b/\n",
     "t.asm:1: warning: ':' ends the statement inside a comment, and 'b/' is read as a new statement [-Wcolon]"},
    {" ldx #*+5\n",
     "t.asm:1: warning: '*' in '*' is a digit worth 10, not the location counter: the term reads as 10 ($0A) "
     "[-Wstar]"},
    {"lab ldx #lab+1+2\n", "t.asm:1: warning: '+2' of the operand '#lab+1+2' is not read [-Wignored-operand]"},
    {"counter_hi fcb 1\n ldx #counter_high\n",
     "t.asm:2: warning: 'counter_high' and 'counter_hi' are one symbol: only the first 10 characters of a name "
     "count [-Wlong-name]"},
    {" ldaaa #1\n",
     "t.asm:1: warning: 'ldaaa' is read as 'ldaa': only the first 4 characters of a mnemonic count "
     "[-Wlong-mnemonic]"},
    {" ldb #10/2\n", "t.asm:1: warning: '/' ends the fields: '/2' is not read [-Wslash]"},
    {" fcb 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31\n",
     "t.asm:1: warning: characters past column 79 are dropped: ',29,30,31' [-Wlong-line]"},
    {"a_label_of_more_than_20_characters\n",
     "t.asm:1: warning: the label 'a_label_of_more_than'... is longer than 20 characters and runs on into the "
     "next field [-Wlong-field]"},
    {" lda 5,x+\n",
     "t.asm:1: warning: the offset '5' before ',x+' is not encoded: auto-increment and auto-decrement take none "
     "[-Woffset-dropped]"},
    {" leax 100,pc\n",
     "t.asm:1: warning: in '100,pc' the value is the target address, as with ',pcr', not an offset from PC "
     "[-Wpc-target]"},
    {" pulu u\n", "t.asm:1: warning: 'u' in a pshu or pulu list stands for S [-Wstack-self]"},
    {" pshs a x\n", "t.asm:1: warning: the register list 'a x' is read only up to its first space "
                    "[-Wregister-list]"},
    {" fcb ',\n", "t.asm:1: warning: the character constant ',' splits the list: write $2C [-Wfcb-char]"},
    {" fcb 1,2 ; one, 3\n",
     "t.asm:1: warning: a comma in the text after the list, '; one, 3', adds an item [-Wcomment-comma]"},
    {" fcc \"HELLO\"\n",
     "t.asm:1: warning: the fcc text '\"HELLO\"' is not between two '/': nothing is stored [-Wfcc-delimiter]"},
    {"X equ UNDEF\n",
     "t.asm:1: warning: 'UNDEF' is defined nowhere: 'X' takes $FFFF and no error is counted [-Wundefined-equ]"},
    {" ldx #'A\n", "t.asm:1: warning: '#'A' gives $4120: a 16-bit immediate takes two characters [-Wchar-pair]"},
    {" tba\n",
     "t.asm:1: warning: tba is tfr b,a here, which sets no condition codes (the MC6800's tba sets N and Z and "
     "clears V) [-W6800-flags]"},
    {"* old editor\r nop\r nop\n",
     "t.asm:1: warning: 2 carriage returns are not followed by a line feed: they end no line, and the lines "
     "around them run together (end lines with LF or CR LF) [-Wline-ends]"},
    {"zp equ 1\n ldb zp + 1\n",
     "t.asm:2: warning: the operand 'zp' ends at the space before '+ 1', which is not read: write 'zp+1' "
     "[-Wspaced-operand]"},
    {" org $0100\ncount rmb 1\n org $E000\n nop\n",
     "t.asm:1: warning: the image files cover $0100-$E000, though the first byte placed is at $E000: the space "
     "reserved before it is in them (reserve RAM with equ or after the code, or give --range for the .s19, "
     ".hex and .bin) [-Wimage-span]"},
    {"", "t.asm:1: warning: the source holds no statement: the image files are empty [-Wempty-source]"},
    {"start\0\tlda\t#$41\n"sv,
     "t.asm:1: warning: a NUL byte in column 6 ends what is read of the line: 'lda     #$41' is not read [-Wnul]"},
    {" fcc /A\tB/\n", "t.asm:1: warning: a tab in the fcc text is read as 1 space: write $09 with fcb [-Wtab-in-text]"},
    {" lda #'\t\n",
     "t.asm:1: warning: a tab right after an apostrophe is read as a space ($20): write $09 [-Wtab-in-text]"},
};

TEST(Warnings, SayWhatWasRead) { expect_each_said(wordings); }

TEST(Warnings, EveryKindIsWorded) {
    std::multiset<std::string> worded;
    for (const Said& said : wordings) {
        const std::string line = said.line;
        const std::size_t tag = line.rfind("[-W");
        worded.insert(line.substr(tag + 3, line.size() - tag - 4));
    }
    for (std::string_view kind : warning_names) {
        EXPECT_GE(worded.count(std::string(kind)), 1u) << kind;
    }
}

TEST(Warnings, OneOfEachKindPerStatement) {
    const Diagnosed d(" org $1000\n fcb 300,400,500\n");
    EXPECT_EQ(d.warnings(), (std::multiset<std::string>{"truncated@2"}));
}

TEST(Warnings, ChosenByOptions) {
    const char* source = " org $1000\n lda #300\n ldx #*+5\n tab\n";
    RunOptions none;
    none.warnings = 0;
    EXPECT_EQ(Diagnosed(source, none).err.str(), "");

    RunOptions some;
    some.warnings = ALL_WARNINGS & ~warning_bit(Warning::star) & ~warning_bit(Warning::flags_6800);
    EXPECT_EQ(Diagnosed(source, some).warnings(), (std::multiset<std::string>{"truncated@2"}));

    RunOptions strict;
    strict.warnings_are_errors = true;
    const Diagnosed stopped(source, strict);
    EXPECT_EQ(stopped.outcome, RunOutcome::stopped);
    EXPECT_TRUE(stopped.dir.exists("t.lst"));
    EXPECT_FALSE(stopped.dir.exists("t.rom"));
    EXPECT_NE(stopped.console.str().find("** Assembler stoped.\n"), std::string::npos);
    EXPECT_NE(stopped.err.str().find("t.asm: error: 3 warnings treated as errors [-Werror]\n"), std::string::npos)
        << stopped.err.str();

    strict.warnings = 0;  // -w -Werror: nothing is reported, nothing fails
    EXPECT_EQ(Diagnosed(source, strict).outcome, RunOutcome::completed);
}

TEST(Warnings, HelpNamesEveryKindAndNoOtherIsTaken) {
    std::istringstream in;
    std::ostringstream out, err;
    const char* help[] = {"x09asm", "--help"};
    ASSERT_EQ(run_command_line(2, help, in, out, err), 0);
    for (std::string_view kind : warning_names) {
        EXPECT_NE(out.str().find(std::string(kind)), std::string::npos) << kind;
        const std::string option = "-Wno-" + std::string(kind);
        const char* only_option[] = {"x09asm", option.c_str(), "--version"};
        EXPECT_EQ(run_command_line(3, only_option, in, out, err), 0) << option;
    }
    const char* unknown[] = {"x09asm", "-Wno-stars", "x.asm"};
    EXPECT_EQ(run_command_line(3, unknown, in, out, err), 2);
    EXPECT_NE(err.str().find("unknown warning kind 'stars'"), std::string::npos);
}

// Errors in words: the line of a statement listed with an error, its causes
// naming exactly what made the number.
TEST(Errors, SayTheirCauses) {
    const Said cases[] = {
        {" ldz #1\n", "t.asm:1: error: unknown mnemonic 'ldz' [2]"},
        {"  ; note\n",
         "t.asm:1: error: unknown mnemonic ';' (a comment line begins with '*' or ';' in the first column) [2]"},
        {" tfr q,r\n", "t.asm:1: error: 'q' is not a register; 'r' is not a register [2]"},
        {" tfr p,x\n", "t.asm:1: error: 'p' is not a register [1]"},
        {" tfr x, y\n", "t.asm:1: error: register name missing [1]"},
        {" sta #UNDEF\n", "t.asm:1: error: undefined symbol 'UNDEF'; immediate operand on a store [4f]"},
        {" std #1\n", "t.asm:1: error: immediate operand on a store [3]"},
        {" jsr #1\n", "t.asm:1: error: immediate operand on jsr [3]"},
        {" sty #1\n", "t.asm:1: error: immediate operand on a store [4]"},
        {" lda #1,x\n", "t.asm:1: error: immediate operand '#1' followed by ',' [a]"},
        {" org $E000\n bra $E123\n", "t.asm:2: error: branch to $E123 is out of range (offset +289) [5]"},
        {" org $E000\n bra $DF00\n", "t.asm:2: error: branch to $DF00 is out of range (offset -258) [5]"},
        {" org $E000\nLoop nop\n bra loop\n",
         "t.asm:3: error: undefined symbol 'loop': the branch to $FFFF is out of range (offset +8188) [5]"},
        {" pshs a, b\n", "t.asm:1: error: register name missing [6]"},
        {" pshs q,r\n", "t.asm:1: error: 'q' is not a register; 'r' is not a register [6]"},
        {" pshs p,q\n", "t.asm:1: error: 'q' is not a register [6]"},
        {" pshs a,p\n", "t.asm:1: error: 'p' is not a register [5]"},
        {" lda 5,z\n", "t.asm:1: error: 'z' is not an index register (x, y, u or s) [9]"},
        {" lda FOO+BAR\n", "t.asm:1: error: undefined symbol 'FOO'; undefined symbol 'BAR' [4e]"},
        {" lda FOO+FOO\n", "t.asm:1: error: undefined symbol 'FOO' [4e]"},
        {" lda FOO\n tfr q,x\n", "t.asm:2: error: 'q' is not a register [1]"},
        {"lab nop\nlab nop\n", "t.asm:2: error: label 'lab' is defined more than once [4c]"},
        {" org $10\n lda fwd\nfwd nop\n",
         "t.asm:3: error: label 'fwd' moved between the passes, from $0013 to $0012: a statement before it changed "
         "its size [4c]"},
        {" org $1000\n nop\n org $0F00\n nop\n",
         "t.asm:4: error: the byte at $0F00 lies outside the code image, which starts at $1000 [7]"},
        {"nl equ $0a : Newline.\n",
         "t.asm:1: error: unknown mnemonic 'newline.' (a ':' in the comment text before it ended a statement "
         "there, so 'Newline.' is read as a statement of its own) [2]"},
        {" nop: ldz\n", "t.asm:1: error: unknown mnemonic 'ldz' [2]"},  // the colon is no comment's
        {" nop: nop\n ldz\n", "t.asm:2: error: unknown mnemonic 'ldz' [2]"},  // the line, not the statement
        {" ld\x7f\n", "t.asm:1: error: unknown mnemonic 'ld\\x7F' [2]"},
        {" lda UN\x02\n", "t.asm:1: error: undefined symbol 'UN\\x02' [4e]"},
    };
    expect_each_said(cases);
}

// A table that fills is said once, where it filled; the errors of the names
// it did not store are summed up. The listing and the console stay the same.
TEST(Errors, FullSymbolTableSaidOnce) {
    std::ostringstream labels;
    for (int i = 0; i < SYMBOL_CAPACITY + 5; ++i) {
        labels << 'l' << i << " nop\n";
    }
    const std::string source = labels.str() + " jmp l1003\n ldz\n";
    const Diagnosed with(source);
    EXPECT_EQ(with.err.str(),
              "t.asm:1000: error: the symbol table is full: it holds 999 names, and 'l999' and every new name after "
              "it are not stored\n"
              "t.asm:1007: error: unknown mnemonic 'ldz' [2]\n"
              "t.asm: error: 8 more errors, on lines 2 to 1006, follow from the full symbol table (a name it did not "
              "store is read as 'l1')\n");
    const Diagnosed without(source, {}, false);
    EXPECT_EQ(with.console.str(), without.console.str());
    EXPECT_EQ(with.files(), without.files());
}

TEST(Errors, NameDefinedNowhereDrawsNoTruncation) {
    const Diagnosed d(" lda #UNDEF\n fcb UNDEF\n");
    EXPECT_EQ(d.warnings(), std::multiset<std::string>{});
}

TEST(Errors, EquClearsTheCauses) {
    const Diagnosed d("X equ UNDEF\n");
    EXPECT_EQ(d.err.str().find("[4e]"), std::string::npos) << d.err.str();
}

TEST(Errors, UndefinedSymbolsAtTheEndWithTheirFirstUse) {
    const Diagnosed d(" nop\n lda FOO\n ldx BAR\n ldb FOO\n");
    const std::string err = d.err.str();
    const std::string tail = "t.asm:2: error: undefined symbol 'FOO'\nt.asm:3: error: undefined symbol 'BAR'\n";
    ASSERT_GE(err.size(), tail.size());
    EXPECT_EQ(err.substr(err.size() - tail.size()), tail);
    EXPECT_NE(err.find("t.asm:4: error: undefined symbol 'FOO' [4e]\n"), std::string::npos);
}

}  // namespace
