// Whole runs of x09run in-process: programs assembled by x09asm, run with
// the options, judged by the stop line, the exit status and the files.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/run_driver.h"
#include "support/assemble.h"
#include "x09run/monitor.h"
#include "x09run/run.h"

namespace {

// A folder with prog.asm assembled into prog.s19, prog.obj, prog.rom,
// prog.bin and prog.sym.
struct Program {
    TempDir dir;
    ScopedCwd cwd{dir.path};

    explicit Program(const std::string& source) {
        dir.write("prog.asm", source);
        std::ostringstream console;
        RunOptions options;
        options.srec = options.bin = options.symbols = true;
        if (assemble_source("prog.asm", console, options) != RunOutcome::completed) {
            ADD_FAILURE() << console.str();
        }
    }
};

struct Outcome {
    int status;
    std::string out, err;
};

Outcome x09run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), "x09run");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = x09run::run_command_line(static_cast<int>(argv.size()), argv.data(), {in, out, err, false});
    return {status, out.str(), err.str()};
}

// The part of a stop line after "stopped at ".
std::string stop_of(const Outcome& o) {
    const std::size_t at = o.err.find("x09run: stopped at ");
    return at == std::string::npos ? o.err : o.err.substr(at + 19, o.err.find('\n', at) - at - 19);
}

constexpr char ADD[] =
    " org $F000\n"
    "start lds #$7F00\n"
    " lda #$40\n"
    " adda #$01\n"
    " sta result\n"
    "done bra done\n"
    "result rmb 1\n"
    " swi\n"
    " fcb $01\n"
    " fcb $10,$01\n"
    " fcb $A6,$87\n"
    " org $FFFE\n"
    " fdb start\n";

TEST(X09run, StopsAndTheirExitStatus) {
    Program p(ADD);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* stop;
    };
    const Case cases[] = {
        {{"--until", "done", "--symbols", "prog.sym", "prog.s19"}, 0,
         "$F00B (until) after 13 cycles: a=41 b=00 dp=00 cc=50 x=0000 y=0000 u=0000 s=7F00"},
        {{"--until=$F00B", "prog.obj"}, 0, "$F00B (until) after 13 cycles"},
        {{"--max-cycles", "100", "prog.rom"}, 1, "$F00B (cycle limit) after 100 cycles"},
        {{"--max-cycles", "101", "prog.bin"}, 1, "$F00B (cycle limit) after 103 cycles"},
        {{"--entry", "$F00E", "--swi-stops", "prog.s19"}, 0, "$F00E (swi) after 0 cycles"},
        {{"--entry", "$F00F", "prog.s19"}, 1, "$F00F (undefined opcode $01) after 0 cycles"},
        {{"--entry", "$F010", "prog.s19"}, 1, "$F010 (undefined opcode $10 $01)"},
        {{"--entry", "$F012", "prog.s19"}, 1, "$F012 (undefined opcode $A6 $87)"},
    };
    for (const Case& c : cases) {
        const Outcome o = x09run(c.args);
        EXPECT_EQ(o.status, c.status) << c.args.back() << o.err;
        EXPECT_EQ(stop_of(o).substr(0, std::string(c.stop).size()), c.stop) << c.args[0];
    }
}

TEST(X09run, WaitsThatNothingEndsAndRomWrites) {
    Program p(" org $F000\nstart lds #$7F00\n sta $F000\n sta $F001\n cwai #$EF\n sync\n org $FFFE\n fdb start\n");
    Outcome o = x09run({"--rom", "$F000-$FFFF", "prog.s19"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(stop_of(o).substr(0, 15), "$F00C (waiting)") << o.err;
    EXPECT_NE(o.err.find("\nx09run: 2 writes to ROM ignored\n"), std::string::npos) << o.err;
    o = x09run({"--entry", "$F00C", "prog.s19"});
    EXPECT_EQ(stop_of(o).substr(0, 15), "$F00D (waiting)") << o.err;
    EXPECT_EQ(o.err.find("ROM"), std::string::npos);
}

TEST(X09run, ExpectationsAndDumps) {
    Program p(ADD);
    Outcome o = x09run({"--symbols", "prog.sym", "--until", "done", "--expect", "a=41", "--expect", "PC=done",
                        "--expect", "result=41", "--expect", "d=4100", "--dump", "$F00C-result", "out.bin", "prog.s19"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(p.dir.read("out.bin"), "\xFE\x41");
    o = x09run({"--symbols", "prog.sym", "--until", "done", "--expect", "a=42", "--expect", "$F00D=40", "--expect",
                "cc=50", "prog.s19"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("\nx09run: expected a=$42, found a=$41\nx09run: expected $F00D=$40, found $F00D=$41\n"),
              std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("cc="), o.err.find("cc=50"));  // the stop line's; cc held
}

TEST(X09run, UsageErrorsAndRefusedFiles) {
    Program p(ADD);
    p.dir.write("bad.s19", "S1051000AABB85\nS1051000AABB86\nS9030000FC\n");
    p.dir.write("novector.hex", ":02200000CAFE16\n:00000001FF\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;  // the first line on standard error
    };
    const Case cases[] = {
        {{"--bogus", "prog.s19"}, 2, "x09run: unknown option '--bogus'"},
        {{}, 2, "x09run: no FILE to run"},
        {{"--until"}, 2, "x09run: option '--until' needs a value"},
        {{"--until", "nowhere", "prog.s19"}, 2, "x09run: option '--until': 'nowhere' is not a symbol of the program"},
        {{"--expect", "a=100", "prog.s19"}, 2, "x09run: option '--expect': '100' is over $FF"},
        {{"--expect", "a", "prog.s19"}, 2, "x09run: option '--expect' takes REG=VALUE or ADDR=BYTE, not 'a'"},
        {{"--rom", "F000", "prog.s19"}, 2, "x09run: option '--rom' takes START-END"},
        {{"--dump", "0-1"}, 2, "x09run: option '--dump' needs START-END and a FILE"},
        {{"--max-cycles", "1e6", "prog.s19"}, 2, "x09run: option '--max-cycles': '1e6' is not a decimal number"},
        {{"--load", "0", "prog.s19"}, 2, "x09run: option '--load 0' has no .bin FILE after it"},
        {{"prog.lst"}, 2, "x09run: 'prog.lst': not a file x09run loads"},
        {{"novector.hex"}, 2, "x09run: no start address: give --entry ADDR"},
        {{"prog.s19", "bad.s19"}, 1, "bad.s19:2: error: checksum $86, but the record's bytes give $85"},
        {{"missing.s19"}, 1, "x09run: cannot read 'missing.s19'"},
        {{"--load", "$FFF0", "prog.bin"}, 1, "prog.bin: error: address past $FFFF"},
    };
    for (const Case& c : cases) {
        const Outcome o = x09run(c.args);
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_EQ(o.err.substr(0, std::string(c.message).size()), c.message);
        EXPECT_EQ(o.err.find("stopped"), std::string::npos) << "nothing runs";
        EXPECT_EQ(o.err.find("\ntry 'x09run --help'\n") != std::string::npos, c.status == 2) << o.err;
    }
    const Outcome help = x09run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.substr(0, 31), "usage: x09run [OPTIONS] FILE...");
}

TEST(X09run, StartAddressesAndPlacement) {
    Program p(" org $2000\nstart lda #1\nhere bra here\n end\n");
    p.dir.write("start.s19", "S1052000860153\nS9032000DC\n");
    p.dir.write("vector.bin", std::string("\x20\x00", 2));
    EXPECT_EQ(stop_of(x09run({"--until", "$2002", "start.s19"})).substr(0, 13), "$2002 (until)");
    // The binary ends at $FFFF: it is the reset vector.
    EXPECT_EQ(stop_of(x09run({"--until", "$2002", "prog.s19", "vector.bin"})).substr(0, 13), "$2002 (until)");
    EXPECT_EQ(stop_of(x09run({"--until", "$2002", "--load", "0x2000", "prog.bin", "--entry", "2000", "--expect", "a=1"}))
                  .substr(0, 13),
              "$2002 (until)");
}

TEST(X09run, TheTraceShowsEachInstruction) {
    Program p(ADD);
    const Outcome o = x09run({"--symbols", "prog.sym", "--until", "done", "--trace", "trace.txt", "prog.s19"});
    EXPECT_EQ(o.status, 0) << o.err;
    const std::string trace = p.dir.read("trace.txt");
    EXPECT_EQ(trace.substr(0, trace.find('\n')),
              "         0  F000  10 CE 7F 00     start      lds   #$7F00            "
              "a=00 b=00 dp=00 cc=50 x=0000 y=0000 u=0000 s=7F00");
    EXPECT_NE(trace.find("         8  F008  B7 F0 0D                   sta   result            a=41"),
              std::string::npos) << trace;
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 4);
}

// A serial port at $C000: the program echoes what it receives, polling or
// by the receive interrupt, until the input ends.
TEST(X09run, TheAciaEchoesUntilTheInputEnds) {
    Program p(" org $F000\n"
              "poll lds #$7F00\n lda #$03\n sta $C000\n lda #$15\n sta $C000\n"
              "wait lda $C000\n lsra\n bcc wait\n lda $C001\n sta $C001\n bra wait\n"
              "irq lds #$7F00\n lda #$95\n sta $C000\nidle cwai #$EF\n bra idle\n"
              "isr lda $C001\n inca\n sta $C001\n rti\n"
              " org $FFF8\n fdb isr\n org $FFFE\n fdb poll\n");
    Outcome o = x09run({"--acia", "$C000", "prog.s19"}, "Hello");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Hello");
    EXPECT_EQ(stop_of(o).substr(0, 27), "$F011 (end of input) after ") << o.err;
    o = x09run({"--acia", "$C000", "--symbols", "prog.sym", "--entry", "irq", "prog.s19"}, "HAL");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "IBM");
    EXPECT_EQ(stop_of(o).substr(0, 20), "$F027 (end of input)") << o.err;
}

// The shipped monitor answers on its serial port.
TEST(X09run, TheMonitorAnswers) {
    TempDir dir;
    std::string console;
    ASSERT_TRUE(assemble_monitor(dir, console)) << console;
    ScopedCwd cwd(dir.path);
    const Outcome o = x09run({"--symbols", "monitor.sym", "--acia", "acia", "--rom", "$F000-$FFFF", "monitor.obj"},
                             "A0010Dh");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "6809 monitor 1.0\r\n> A0010\r\n> D0010 00 10 0E 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
              "> hA hhhh  C sum  D dump  G go  H help\r\n> ");
    EXPECT_NE(o.err.find("(end of input)"), std::string::npos) << o.err;
}

}  // namespace
