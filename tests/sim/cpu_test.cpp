#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "mc6809/timing.h"
#include "sim/cpu.h"
#include "sim/cpu_support.h"

namespace {

using sim::StopReason;

constexpr std::uint16_t ORIGIN = 0x1000;
// Every case starts from this state: the stacks away from the code, and each
// interrupt vector pointing at a page of its own.
constexpr const char* BASE = "u=0C00 s=0800 @FFF2=F3 @FFF4=F4 @FFF6=F6 @FFF8=F8 @FFFA=FA @FFFC=FC";

struct Row {
    const char* code;    // the instruction's bytes at $1000, and what they are
    const char* before;  // state beyond BASE
    const char* after;   // what changes (pc is the next instruction unless given)
    int cycles;
    StopReason reason = StopReason::cycle_limit;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.code << " with " << row.before; }

// Runs one instruction (or one interrupt entry): a limit of one cycle stops
// at the first boundary after it.
void check(const Row& row) {
    SCOPED_TRACE(std::string(row.code) + " with " + row.before);
    sim::Memory memory;
    sim::Cpu cpu(memory);
    cpu.nmi_armed = true;
    cpu.regs = sim::Registers{};
    cpu.regs.cc = 0;
    cpu.regs.pc = ORIGIN;
    const auto code = parse_bytes(row.code);
    for (std::size_t i = 0; i < code.size(); ++i) {
        memory.load(static_cast<std::uint16_t>(ORIGIN + i), code[i]);
    }
    apply_state(parse_state(BASE), cpu.regs, memory);
    apply_state(parse_state(row.before), cpu.regs, memory);

    sim::Registers expected = cpu.regs;
    expected.pc = static_cast<std::uint16_t>(ORIGIN + code.size());
    const StateText after = parse_state(row.after);
    for (const auto& [name, value] : after.registers) {
        set_register(expected, name, value);
    }
    const sim::Stop stop = cpu.run({.max_cycles = 1});
    EXPECT_EQ(stop.reason, row.reason);
    EXPECT_EQ(stop.pc, cpu.regs.pc);
    EXPECT_EQ(registers_text(cpu.regs), registers_text(expected));
    EXPECT_EQ(cpu.cycles, static_cast<std::uint64_t>(row.cycles));
    for (const auto& [address, value] : after.memory) {
        EXPECT_EQ(memory.peek(address), value) << "at $" << std::hex << address;
    }
}

// Results and flags as the datasheet gives them, on operands that reach the
// edges: carries, half carries, overflows, zero and sign.
constexpr Row ALU_ROWS[] = {
    {"86 80 lda #$80", "", "a=80 cc=08", 2},
    {"86 00 lda #0", "cc=03", "a=00 cc=05", 2},
    {"C6 7F ldb #$7F", "cc=08", "b=7F cc=00", 2},
    {"8B 01 adda #1", "a=7F", "a=80 cc=2A", 2},
    {"8B 01 adda #1", "a=FF", "a=00 cc=25", 2},
    {"CB 80 addb #$80", "b=80", "b=00 cc=07", 2},
    {"89 01 adca #1", "a=0E cc=01", "a=10 cc=20", 2},
    {"C9 00 adcb #0", "b=FF cc=01", "b=00 cc=25", 2},
    {"80 01 suba #1", "a=80 cc=20", "a=7F cc=22", 2},  // H kept
    {"80 01 suba #1", "a=00", "a=FF cc=09", 2},
    {"C0 FF subb #$FF", "b=7F", "b=80 cc=0B", 2},
    {"81 41 cmpa #$41", "a=41", "cc=04", 2},
    {"C1 01 cmpb #1", "b=00", "cc=09", 2},
    {"82 01 sbca #1", "a=00 cc=01", "a=FE cc=09", 2},
    {"C2 00 sbcb #0", "b=80 cc=01", "b=7F cc=02", 2},
    {"84 0F anda #$0F", "a=F0 cc=03", "a=00 cc=05", 2},
    {"C4 81 andb #$81", "b=FF", "b=81 cc=08", 2},
    {"85 80 bita #$80", "a=80 cc=02", "cc=08", 2},
    {"C5 01 bitb #1", "b=FE", "cc=04", 2},
    {"88 FF eora #$FF", "a=0F", "a=F0 cc=08", 2},
    {"C8 55 eorb #$55", "b=55 cc=0A", "b=00 cc=04", 2},
    {"8A 01 ora #1", "a=80", "a=81 cc=08", 2},
    {"CA 00 orb #0", "b=00 cc=02", "cc=04", 2},
    {"83 00 01 subd #1", "d=8000", "d=7FFF cc=02", 4},
    {"83 00 01 subd #1", "d=0000", "d=FFFF cc=09", 4},
    {"C3 00 01 addd #1", "d=7FFF", "d=8000 cc=0A", 4},
    {"C3 80 00 addd #$8000", "d=8000", "d=0000 cc=07", 4},
    {"8C 12 34 cmpx #$1234", "x=1234", "cc=04", 4},
    {"8C 00 01 cmpx #1", "x=8000", "cc=02", 4},
    {"CC 80 00 ldd #$8000", "cc=02", "d=8000 cc=08", 3},
    {"8E 00 00 ldx #0", "x=5555", "x=0000 cc=04", 3},
    {"CE 12 34 ldu #$1234", "", "u=1234", 3},
    {"10 83 00 01 cmpd #1", "d=0000", "cc=09", 5},
    {"10 8C 80 00 cmpy #$8000", "y=0000", "cc=0B", 5},
    {"10 8E FF FF ldy #$FFFF", "", "y=FFFF cc=08", 4},
    {"10 CE 12 34 lds #$1234", "", "s=1234", 4},
    {"11 83 0C 00 cmpu #$0C00", "", "cc=04", 5},
    {"11 8C 08 01 cmps #$0801", "", "cc=09", 5},
};

// The one-operand group on A; the other forms are checked against these below.
constexpr Row MODIFY_ROWS[] = {
    {"40 nega", "a=01", "a=FF cc=09", 2},
    {"40 nega", "a=80", "a=80 cc=0B", 2},
    {"40 nega", "a=00 cc=01", "a=00 cc=04", 2},
    {"43 coma", "a=55 cc=02", "a=AA cc=09", 2},
    {"44 lsra", "a=01 cc=08", "a=00 cc=05", 2},
    {"44 lsra", "a=80 cc=02", "a=40 cc=02", 2},  // V kept
    {"46 rora", "a=01 cc=01", "a=80 cc=09", 2},
    {"46 rora", "a=02", "a=01 cc=00", 2},
    {"47 asra", "a=81", "a=C0 cc=09", 2},
    {"48 asla", "a=40", "a=80 cc=0A", 2},
    {"48 asla", "a=C0", "a=80 cc=09", 2},
    {"48 asla", "a=80", "a=00 cc=07", 2},
    {"49 rola", "a=80 cc=01", "a=01 cc=03", 2},
    {"49 rola", "a=40", "a=80 cc=0A", 2},
    {"4A deca", "a=80", "a=7F cc=02", 2},
    {"4A deca", "a=01 cc=01", "a=00 cc=05", 2},  // C kept
    {"4C inca", "a=7F", "a=80 cc=0A", 2},
    {"4C inca", "a=FF cc=01", "a=00 cc=05", 2},
    {"4D tsta", "a=80 cc=03", "cc=09", 2},
    {"4F clra", "a=55 cc=0F", "a=00 cc=04", 2},
    {"5F clrb", "b=55 cc=0B", "b=00 cc=04", 2},
    {"0C 10 inc <$10", "dp=20 @2010=7F", "@2010=80 cc=0A", 6},
    {"6A 84 dec ,x", "x=2000 @2000=00", "@2000=FF cc=08", 6},
    {"70 20 00 neg $2000", "@2000=01", "@2000=FF cc=09", 7},
    {"0D 10 tst <$10", "dp=20 @2010=00 cc=0A", "cc=04", 6},
    {"7F 20 00 clr $2000", "@2000=42 cc=0B", "@2000=00 cc=04", 7},
    {"0E 10 jmp <$10", "dp=20", "pc=2010", 3},
    {"6E 84 jmp ,x", "x=2000", "pc=2000", 3},
    {"7E 20 00 jmp $2000", "", "pc=2000", 4},
};

// Stores and the other memory operations, in each of their modes.
constexpr Row MEMORY_ROWS[] = {
    {"97 10 sta <$10", "dp=20 a=80 cc=02", "@2010=80 cc=08", 4},
    {"D7 10 stb <$10", "dp=20 @2010=FF", "@2010=00 cc=04", 4},
    {"9F 10 stx <$10", "dp=20 x=1234", "@2010=12 @2011=34", 5},
    {"DD 10 std <$10", "dp=20 d=8001", "@2010=80 @2011=01 cc=08", 5},
    {"DF 10 stu <$10", "dp=20", "@2010=0C @2011=00", 5},
    {"10 9F 10 sty <$10", "dp=20 y=0000", "cc=04", 6},
    {"10 DF 10 sts <$10", "dp=20", "@2010=08 @2011=00", 6},
    {"B7 20 00 sta $2000", "a=01", "@2000=01", 5},
    {"F7 FF FF stb $FFFF", "b=01", "@FFFF=01", 5},
    {"BF 20 00 stx $2000", "x=1234", "@2000=12 @2001=34", 6},
    {"FD FF FF std $FFFF", "d=1234", "@FFFF=12 @0000=34", 6},  // the second byte wraps to $0000
    {"FF 20 00 stu $2000", "", "@2000=0C @2001=00", 6},
    {"10 BF 20 00 sty $2000", "y=5678", "@2000=56 @2001=78", 7},
    {"10 FF 20 00 sts $2000", "", "@2000=08 @2001=00", 7},
    {"A7 84 sta ,x", "x=2000 a=42", "@2000=42", 4},
    {"E7 84 stb ,x", "x=2000 b=42", "@2000=42", 4},
    {"AF 84 stx ,x", "x=2000", "@2000=20 @2001=00", 5},
    {"ED 84 std ,x", "x=2000 d=0102", "@2000=01 @2001=02", 5},
    {"EF 84 stu ,x", "x=2000", "@2000=0C @2001=00", 5},
    {"10 AF 84 sty ,x", "x=2000 y=0304", "@2000=03 @2001=04", 6},
    {"10 EF 84 sts ,x", "x=2000", "@2000=08 @2001=00", 6},
    {"96 10 lda <$10", "dp=20 @2010=99", "a=99 cc=08", 4},
    {"DC FF ldd <$FF", "dp=FF @FFFF=12 @0000=34", "d=1234", 5},
    {"B6 20 00 lda $2000", "@2000=00", "cc=04", 5},
    {"10 DE 10 lds <$10", "dp=20 @2010=12 @2011=34", "s=1234", 6},
};

constexpr Row MISC_ROWS[] = {
    {"12 nop", "", "", 2},
    {"19 daa", "a=41 cc=20", "a=47 cc=20", 2},
    {"19 daa", "a=9A", "a=00 cc=05", 2},
    {"19 daa", "a=A0 cc=02", "a=00 cc=05", 2},
    {"19 daa", "a=05 cc=01", "a=65 cc=01", 2},
    {"19 daa", "a=99", "a=99 cc=08", 2},
    {"1A 50 orcc #$50", "cc=01", "cc=51", 3},
    {"1C AF andcc #$AF", "cc=FF", "cc=AF", 3},
    {"1D sex", "b=80 cc=02", "a=FF cc=0A", 2},  // V kept
    {"1D sex", "a=55 b=00", "a=00 cc=04", 2},
    {"1D sex", "a=FF b=7F cc=08", "a=00 cc=00", 2},
    {"3A abx", "x=FFFF b=80", "x=007F", 3},  // B is unsigned
    {"3D mul", "a=FF b=FF", "d=FE01 cc=00", 11},
    {"3D mul", "a=0C b=0C", "d=0090 cc=01", 11},
    {"3D mul", "a=00 b=FF cc=01", "d=0000 cc=04", 11},
    {"1E 89 exg a,b", "a=01 b=02", "a=02 b=01", 8},
    {"1E 12 exg x,y", "x=1111 y=2222", "x=2222 y=1111", 8},
    {"1E 0B exg d,dp", "d=1234 dp=56", "d=FF56 dp=34", 8},
    {"1E 81 exg a,x", "a=56 x=1234", "a=34 x=FF56", 8},
    {"1F 01 tfr d,x", "d=1234", "x=1234", 6},
    {"1F 8B tfr a,dp", "a=20", "dp=20", 6},
    {"1F 9A tfr b,cc", "b=FF", "cc=FF", 6},
    {"1F A8 tfr cc,a", "cc=0F", "a=0F", 6},
    {"1F 41 tfr s,x", "", "x=0800", 6},
    {"1F 32 tfr u,y", "", "y=0C00", 6},
    {"1F 15 tfr x,pc", "x=2000", "pc=2000", 6},
    {"1F 50 tfr pc,d", "", "d=1002", 6},
    {"1F 18 tfr x,a", "x=1234", "a=34", 6},
    {"1F 81 tfr a,x", "a=56", "x=FF56", 6},
    {"30 01 leax 1,x", "x=FFFF", "x=0000 cc=04", 5},
    {"31 3F leay -1,y", "y=0000 cc=04", "y=FFFF cc=00", 5},
    {"32 62 leas 2,s", "cc=04", "s=0802", 5},  // no flags
    {"33 5F leau -1,u", "cc=00", "u=0BFF", 5},
    {"34 FF pshs pc,u,y,x,dp,b,a,cc", "a=01 b=02 dp=03 x=0405 y=0607 cc=0F",
     "s=07F4 @07F4=0F @07F5=01 @07F6=02 @07F7=03 @07F8=04 @07F9=05 @07FA=06 @07FB=07 @07FC=0C @07FD=00 "
     "@07FE=10 @07FF=02",
     17},
    {"35 06 puls a,b", "@0800=11 @0801=22", "a=11 b=22 s=0802", 7},
    {"35 C0 puls u,pc", "@0800=12 @0801=34 @0802=20 @0803=00", "u=1234 pc=2000 s=0804", 9},
    {"35 01 puls cc", "@0800=FF", "cc=FF s=0801", 6},
    {"36 40 pshu s", "", "u=0BFE @0BFE=08 @0BFF=00", 7},
    {"36 16 pshu x,b,a", "d=0102 x=0304", "u=0BFC @0BFC=01 @0BFD=02 @0BFE=03 @0BFF=04", 9},
    {"37 40 pulu s", "@0C00=12 @0C01=34", "s=1234 u=0C02", 7},
    {"37 00 pulu", "", "", 5},
    {"39 rts", "@0800=12 @0801=34", "pc=1234 s=0802", 5},
    {"3B rti", "@0800=0F @0801=20 @0802=00", "cc=0F pc=2000 s=0803", 6},
    {"3B rti", "@0800=80 @0801=01 @0802=02 @0803=03 @0804=04 @0805=05 @0806=06 @0807=07 @0808=08 @0809=09 "
               "@080A=0A @080B=0B",
     "cc=80 a=01 b=02 dp=03 x=0405 y=0607 u=0809 pc=0A0B s=080C", 15},
    {"3F swi", "a=01 b=02 dp=03 x=0405 y=0607",
     "cc=D0 s=07F4 pc=FA00 @07F4=80 @07F5=01 @07F6=02 @07F7=03 @07FC=0C @07FD=00 @07FE=10 @07FF=01", 19},
    {"10 3F swi2", "cc=01", "cc=81 s=07F4 pc=F400 @07F4=81 @07FE=10 @07FF=02", 20},
    {"11 3F swi3", "cc=10", "cc=90 s=07F4 pc=F300 @07F4=90 @07FE=10 @07FF=02", 20},
    {"8D 10 bsr *+$12", "", "pc=1012 s=07FE @07FE=10 @07FF=02", 7},
    {"9D 10 jsr <$10", "dp=20", "pc=2010 s=07FE @07FE=10 @07FF=02", 7},
    {"AD 84 jsr ,x", "x=2000", "pc=2000 s=07FE", 7},
    {"BD 20 00 jsr $2000", "", "pc=2000 s=07FE @07FE=10 @07FF=03", 8},
    {"17 00 10 lbsr *+$13", "", "pc=1013 s=07FE @07FE=10 @07FF=03", 9},
    {"16 FF FD lbra *", "", "pc=1000", 5},
    {"20 FE bra *", "", "pc=1000", 3},
    {"20 7F bra *+$81", "", "pc=1081", 3},
    {"20 80 bra *-$7E", "", "pc=0F82", 3},
    {"10 27 01 00 lbeq taken", "cc=04", "pc=1104", 6},
    {"10 27 01 00 lbeq not taken", "", "", 5},
    {"10 21 01 00 lbrn", "", "", 5},
    {"10 2D 80 00 lblt, wrapping", "cc=08", "pc=9004", 6},
};

// Each condition taken (to $1012) and not (to $1002).
constexpr Row BRANCH_ROWS[] = {
    {"21 10 brn", "", "", 3},
    {"22 10 bhi", "", "pc=1012", 3},     {"22 10 bhi", "cc=04", "", 3},  {"22 10 bhi", "cc=01", "", 3},
    {"23 10 bls", "cc=01", "pc=1012", 3}, {"23 10 bls", "", "", 3},
    {"24 10 bcc", "", "pc=1012", 3},     {"24 10 bcc", "cc=01", "", 3},
    {"25 10 bcs", "cc=01", "pc=1012", 3}, {"25 10 bcs", "", "", 3},
    {"26 10 bne", "", "pc=1012", 3},     {"26 10 bne", "cc=04", "", 3},
    {"27 10 beq", "cc=04", "pc=1012", 3}, {"27 10 beq", "", "", 3},
    {"28 10 bvc", "", "pc=1012", 3},     {"28 10 bvc", "cc=02", "", 3},
    {"29 10 bvs", "cc=02", "pc=1012", 3}, {"29 10 bvs", "", "", 3},
    {"2A 10 bpl", "", "pc=1012", 3},     {"2A 10 bpl", "cc=08", "", 3},
    {"2B 10 bmi", "cc=08", "pc=1012", 3}, {"2B 10 bmi", "", "", 3},
    {"2C 10 bge", "cc=0A", "pc=1012", 3}, {"2C 10 bge", "cc=08", "", 3},
    {"2D 10 blt", "cc=02", "pc=1012", 3}, {"2D 10 blt", "cc=0A", "", 3},
    {"2E 10 bgt", "", "pc=1012", 3},     {"2E 10 bgt", "cc=04", "", 3},  {"2E 10 bgt", "cc=02", "", 3},
    {"2F 10 ble", "cc=06", "pc=1012", 3}, {"2F 10 ble", "cc=0A", "", 3},
};

// Effective addresses seen through LEAY, and the indirect forms through LDA.
constexpr Row INDEXED_ROWS[] = {
    {"31 84 leay ,x", "x=2000", "y=2000", 4},
    {"31 05 leay 5,x", "x=2000", "y=2005", 5},
    {"31 1F leay -1,x", "x=2000", "y=1FFF", 5},
    {"31 10 leay -16,x", "x=2000", "y=1FF0", 5},
    {"31 80 leay ,x+", "x=2000", "y=2000 x=2001", 6},
    {"31 81 leay ,x++", "x=2000", "y=2000 x=2002", 7},
    {"31 82 leay ,-x", "x=2000", "y=1FFF x=1FFF", 6},
    {"31 83 leay ,--x", "x=2000", "y=1FFE x=1FFE", 7},
    {"31 85 leay b,x", "x=2000 b=FF", "y=1FFF", 5},
    {"31 86 leay a,x", "x=2000 a=80", "y=1F80", 5},
    {"31 88 80 leay -128,x", "x=2000", "y=1F80", 5},
    {"31 89 80 00 leay $8000,x", "x=2000", "y=A000", 8},
    {"31 89 00 10 leay $10,x", "x=FFF8", "y=0008", 8},
    {"31 8B leay d,x", "x=2000 d=E000", "y=0000 cc=04", 8},
    {"31 8C 10 leay 16,pcr", "", "y=1013", 5},
    {"31 8D FF F0 leay -16,pcr", "", "y=0FF4", 9},
    {"31 A4 leay ,y", "y=3000", "y=3000", 4},
    {"31 C4 leay ,u", "", "y=0C00", 4},
    {"31 E4 leay ,s", "", "y=0800", 4},
    {"30 A0 leax ,y+", "y=3000", "x=3000 y=3001", 6},
    {"30 80 leax ,x+", "x=2000", "x=2000", 6},
    {"30 C3 leax ,--u", "", "x=0BFE u=0BFE", 7},
    {"A6 94 lda [,x]", "x=2000 @2000=30 @2001=00 @3000=42", "a=42", 7},
    {"A6 94 lda [,x]", "x=FFFF @FFFF=30 @0000=00 @3000=42", "a=42", 7},
    {"A6 91 lda [,x++]", "x=2000 @2000=30 @2001=00 @3000=42", "a=42 x=2002", 10},
    {"A6 93 lda [,--x]", "x=2002 @2000=30 @2001=00 @3000=42", "a=42 x=2000", 10},
    {"A6 95 lda [b,x]", "x=2000 b=02 @2002=30 @2003=00 @3000=42", "a=42", 8},
    {"A6 96 lda [a,x]", "x=2002 a=FE @2000=30 @2001=00 @3000=42", "a=42", 8},
    {"A6 98 02 lda [2,x]", "x=2000 @2002=30 @2003=00 @3000=42", "a=42", 8},
    {"A6 99 00 02 lda [2,x]", "x=2000 @2002=30 @2003=00 @3000=42", "a=42", 11},
    {"A6 9B lda [d,x]", "x=2000 d=0002 @2002=30 @2003=00 @3000=42", "a=42 d=4202", 11},
    {"A6 9C 10 lda [16,pcr]", "@1013=30 @1014=00 @3000=42", "a=42", 8},
    {"A6 9D 00 10 lda [16,pcr]", "@1014=30 @1015=00 @3000=42", "a=42", 12},
    {"A6 9F 20 00 lda [$2000]", "@2000=30 @2001=00 @3000=42", "a=42", 9},
    {"A6 B4 lda [,y]", "y=2000 @2000=30 @2001=00 @3000=80", "a=80 cc=08", 7},
};

constexpr Row INTERRUPT_ROWS[] = {
    {"12 irq", "irq=1 a=01", "cc=90 s=07F4 pc=F800 @07F4=80 @07F5=01 @07FE=10 @07FF=00", 19},
    {"12 irq masked", "irq=1 cc=10", "", 2},
    {"12 firq", "firq=1 cc=80", "cc=50 s=07FD pc=F600 @07FD=00 @07FE=10 @07FF=00", 10},
    {"12 firq masked", "firq=1 cc=40", "", 2},
    {"12 nmi", "nmi=1 cc=50", "cc=D0 s=07F4 pc=FC00 @07F4=D0", 19},
    {"12 nmi before firq and irq", "nmi=1 firq=1 irq=1", "cc=D0 s=07F4 pc=FC00", 19},
    {"12 firq before irq", "firq=1 irq=1", "cc=50 s=07FD pc=F600", 10},
    {"3C EF cwai #$EF", "irq=1 cc=50", "cc=D0 s=07F4 pc=F800 @07F4=C0 @07FE=10 @07FF=02", 24},
    {"3C BF cwai #$BF, firq stacks all", "firq=1 cc=50", "cc=D0 s=07F4 pc=F600 @07F4=90", 24},
    {"3C FF cwai, nothing can wake", "cc=50", "cc=D0 s=07F4 @07F4=D0", 20, StopReason::waiting},
    {"3C FF cwai, masked line", "irq=1 cc=50", "cc=D0 s=07F4", 20, StopReason::waiting},
    {"13 sync, masked line", "irq=1 cc=10", "", 4},
    {"13 sync, nothing can wake", "", "", 4, StopReason::waiting},
};

class Instructions : public testing::TestWithParam<Row> {};
TEST_P(Instructions, GiveTheirResultsFlagsAndCycles) { check(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Alu, Instructions, testing::ValuesIn(ALU_ROWS));
INSTANTIATE_TEST_SUITE_P(Modify, Instructions, testing::ValuesIn(MODIFY_ROWS));
INSTANTIATE_TEST_SUITE_P(Memory, Instructions, testing::ValuesIn(MEMORY_ROWS));
INSTANTIATE_TEST_SUITE_P(Misc, Instructions, testing::ValuesIn(MISC_ROWS));
INSTANTIATE_TEST_SUITE_P(Branch, Instructions, testing::ValuesIn(BRANCH_ROWS));
INSTANTIATE_TEST_SUITE_P(Indexed, Instructions, testing::ValuesIn(INDEXED_ROWS));
INSTANTIATE_TEST_SUITE_P(Interrupt, Instructions, testing::ValuesIn(INTERRUPT_ROWS));

// --- every opcode in every mode: the same operation as its checked form ---

struct FormResult {
    sim::Registers regs;
    std::uint8_t operand;  // the byte at $2010 after the instruction
    std::uint64_t cycles;
};

// Runs one instruction at $1000 with A and B set to value and the operand at
// $2010: reached as <$10 (dp=$20), as ,X and as $2010.
FormResult run_form(const std::vector<std::uint8_t>& code, std::uint8_t value, std::uint8_t second = 0x37) {
    auto memory = std::make_unique<sim::Memory>();
    sim::Cpu cpu(*memory);
    cpu.regs = sim::Registers{.a = value, .b = value, .dp = 0x20, .cc = 0x21, .x = 0x2010, .y = 0x1234,
                              .u = 0x0C00, .s = 0x0800, .pc = ORIGIN};
    for (std::size_t i = 0; i < code.size(); ++i) {
        memory->load(static_cast<std::uint16_t>(ORIGIN + i), code[i]);
    }
    memory->load(0x2010, value);
    memory->load(0x2011, second);
    cpu.run({.max_cycles = 1});
    EXPECT_EQ(cpu.regs.pc, ORIGIN + code.size()) << "opcode " << std::hex << int{code[0]};
    EXPECT_EQ(cpu.cycles, static_cast<std::uint64_t>(mc6809::instruction_cycles(code).low))
        << "opcode " << std::hex << int{code[0]};
    return {cpu.regs, memory->peek(0x2010), cpu.cycles};
}

std::vector<std::uint8_t> with_prefix(std::uint8_t prefix, std::vector<std::uint8_t> code) {
    if (prefix != 0) {
        code.insert(code.begin(), prefix);
    }
    return code;
}

constexpr std::uint8_t VALUES[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};

// $00-$7F: the B, direct, indexed and extended forms of each one-operand
// instruction do what its A form (checked above) does to A.
TEST(EveryForm, OneOperandInstructionsAgreeWithTheirAccumulatorForm) {
    for (std::uint8_t function = 0; function < 16; ++function) {
        const auto a_form = static_cast<std::uint8_t>(0x40 | function);
        if (mc6809::opcode(0, a_form).mode == mc6809::Mode::undefined) {
            continue;
        }
        for (const std::uint8_t value : VALUES) {
            SCOPED_TRACE(testing::Message() << "opcode $" << std::hex << int{a_form} << " on $" << int{value});
            const FormResult on_a = run_form({a_form}, value);
            const FormResult on_b = run_form({static_cast<std::uint8_t>(0x50 | function)}, value);
            EXPECT_EQ(on_b.regs.b, on_a.regs.a);
            EXPECT_EQ(on_b.regs.cc, on_a.regs.cc);
            for (const auto& code : std::vector<std::vector<std::uint8_t>>{
                     {function, 0x10}, {static_cast<std::uint8_t>(0x60 | function), 0x84},
                     {static_cast<std::uint8_t>(0x70 | function), 0x20, 0x10}}) {
                const FormResult on_memory = run_form(code, value);
                EXPECT_EQ(on_memory.operand, on_a.regs.a) << "opcode " << int{code[0]};
                EXPECT_EQ(on_memory.regs.cc, on_a.regs.cc) << "opcode " << int{code[0]};
            }
        }
    }
}

// $80-$FF and the 16-bit instructions of pages 2 and 3: the direct, indexed
// and extended forms of each operation give what its immediate form gives.
TEST(EveryForm, MemoryOperandsAgreeWithTheImmediateForm) {
    for (const std::uint8_t prefix : {std::uint8_t{0}, mc6809::PAGE2_PREFIX, mc6809::PAGE3_PREFIX}) {
        for (int op = 0x80; op < 0x100; op += 0x10) {
            for (std::uint8_t function = 0; function < 16; ++function) {
                const auto immediate = static_cast<std::uint8_t>((op & 0xC0) | function);
                const mc6809::Opcode& row = mc6809::opcode(prefix, immediate);
                if (row.mode != mc6809::Mode::immediate || (op & 0x30) == 0) {
                    continue;
                }
                const auto form = static_cast<std::uint8_t>(op | function);
                const bool word = row.bytes - (prefix != 0) == 3;
                for (const std::uint8_t value : VALUES) {
                    SCOPED_TRACE(testing::Message() << "prefix $" << std::hex << int{prefix} << " opcode $"
                                                    << int{form} << " on $" << int{value});
                    std::vector<std::uint8_t> code{immediate, value};
                    if (word) {
                        code.push_back(0x37);
                    }
                    const FormResult reference = run_form(with_prefix(prefix, code), value);
                    std::vector<std::uint8_t> memory_form{form, 0x20, 0x10};  // extended
                    if ((op & 0x30) == 0x10) {
                        memory_form = {form, 0x10};
                    } else if ((op & 0x30) == 0x20) {
                        memory_form = {form, 0x84};
                    }
                    const FormResult got = run_form(with_prefix(prefix, memory_form), value);
                    sim::Registers expected = reference.regs;
                    expected.pc = got.regs.pc;
                    EXPECT_EQ(registers_text(got.regs), registers_text(expected));
                }
            }
        }
    }
}

// Opcodes, page-2 and page-3 codes, indexed postbytes and register codes the
// datasheet does not define: the run stops at the instruction, untouched.
TEST(Undefined, StopsAtTheInstructionWithNothingChanged) {
    const char* const codes[] = {
        "01", "02", "05", "0B", "14", "15", "18", "1B", "38", "3E", "41", "42", "45", "4B", "4E", "51",
        "52", "55", "5B", "5E", "61 84", "62 84", "65 84", "6B 84", "71", "72", "75", "7B", "87", "8F",
        "C7", "CD", "CF", "10 00", "10 10", "10 20", "10 86", "10 C3", "11 00", "11 11", "11 8E", "11 21",
        "A6 87", "A6 8A", "A6 8E", "A6 8F", "A6 90", "A6 92", "A6 97", "A6 9A", "A6 9E", "A6 BF", "30 87",
        "10 AE 8A", "1F 06", "1F 70", "1E C1", "1F 0F", "1E D9",
    };
    for (const char* code : codes) {
        check({code, "x=2000", "pc=1000", 0, StopReason::undefined_opcode});
    }
}

}  // namespace
