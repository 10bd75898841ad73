#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "sim/cpu.h"
#include "sim/cpu_support.h"

namespace {

using sim::StopReason;

constexpr std::uint16_t ORIGIN = 0x1000;

// A device that raises a line once the cycle count it is polled with reaches
// a point; it can wake a waiting CPU until then.
class Timer : public sim::Device {
public:
    Timer(sim::Memory& memory, std::uint64_t at, bool sim::InterruptLines::*line)
        : memory_(memory), at_(at), line_(line) {}
    std::uint8_t read(std::uint16_t offset) override { return static_cast<std::uint8_t>(offset); }
    void write(std::uint16_t, std::uint8_t value) override { memory_.stop_requested = value == 0xFF; }
    void poll(std::uint64_t cycles) override {
        ++polls;
        if (cycles >= at_ && !fired) {
            fired = true;
            memory_.lines.*line_ = true;
        }
    }
    bool can_wake() const override { return !fired; }
    int polls = 0;
    bool fired = false;

private:
    sim::Memory& memory_;
    std::uint64_t at_;
    bool sim::InterruptLines::*line_;
};

struct Machine {
    std::unique_ptr<sim::Memory> memory = std::make_unique<sim::Memory>();
    sim::Cpu cpu{*memory};
    std::unique_ptr<std::array<bool, 0x10000>> handler = std::make_unique<std::array<bool, 0x10000>>();
    explicit Machine(const char* code, std::uint16_t origin = ORIGIN) {
        const auto bytes = parse_bytes(code);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            memory->load(static_cast<std::uint16_t>(origin + i), bytes[i]);
        }
        cpu.regs.pc = ORIGIN;
        cpu.regs.s = 0x0800;
        memory->load(0xFFF8, 0x20);  // IRQ handler at $2000
        (*handler)[0x2000] = true;
    }
};

TEST(Limits, UntilStopsBeforeTheInstructionAtTheAddress) {
    Machine m("12 12 12 12");  // nop nop nop nop
    std::array<bool, 0x10000> until{};
    until[0x1002] = true;
    const sim::Stop stop = m.cpu.run({.until = &until});
    EXPECT_EQ(stop.reason, StopReason::until);
    EXPECT_EQ(stop.pc, 0x1002);
    EXPECT_EQ(m.cpu.cycles, 4u);
}

TEST(Limits, CycleLimitStopsAtTheFirstBoundaryAtOrAfterIt) {
    for (const auto& [limit, cycles] : std::vector<std::pair<int, int>>{{3, 4}, {4, 4}, {0, 0}, {5, 6}}) {
        Machine m("12 12 12 12 12");
        const sim::Stop stop = m.cpu.run({.max_cycles = static_cast<std::uint64_t>(limit)});
        EXPECT_EQ(stop.reason, StopReason::cycle_limit);
        EXPECT_EQ(m.cpu.cycles, static_cast<std::uint64_t>(cycles)) << "limit " << limit;
        EXPECT_EQ(stop.pc, ORIGIN + cycles / 2);
    }
}

TEST(Limits, SwiStopsAtTheSwiBeforeItPushes) {
    Machine m("12 3F");  // nop swi
    const sim::Stop stop = m.cpu.run({.stop_on_swi = true});
    EXPECT_EQ(stop.reason, StopReason::swi);
    EXPECT_EQ(stop.pc, 0x1001);
    EXPECT_EQ(m.cpu.regs.s, 0x0800);
    EXPECT_EQ(m.cpu.cycles, 2u);
}

TEST(Limits, UndefinedOpcodeStopsAtIt) {
    Machine m("12 10 3E");  // nop, $10 $3E
    const sim::Stop stop = m.cpu.run({});
    EXPECT_EQ(stop.reason, StopReason::undefined_opcode);
    EXPECT_EQ(stop.pc, 0x1001);
    EXPECT_EQ(m.cpu.cycles, 2u);
}

TEST(Limits, ADeviceEndsTheRunAfterTheInstructionThatAskedIt) {
    Machine m("86 FF B7 C0 00 12");  // lda #$FF; sta $C000; nop
    Timer device(*m.memory, ~0ull, &sim::InterruptLines::irq);
    m.memory->map_device(0xC000, 0xC001, device);
    const sim::Stop stop = m.cpu.run({});
    EXPECT_EQ(stop.reason, StopReason::device);
    EXPECT_EQ(stop.pc, 0x1005);
    EXPECT_EQ(m.cpu.cycles, 7u);
}

// A CWAI or SYNC waits while a device can wake it: the cycles pass, polled,
// until the device raises its line.
TEST(Waiting, CwaiTakesTheInterruptADeviceRaisesLater) {
    Machine m("3C EF");  // cwai #$EF
    Timer timer(*m.memory, 50000, &sim::InterruptLines::irq);
    m.memory->map_device(0xC000, 0xC001, timer);
    const sim::Stop stop = m.cpu.run({.max_cycles = 60000, .until = m.handler.get()});
    EXPECT_EQ(stop.reason, StopReason::until);
    EXPECT_EQ(stop.pc, 0x2000);
    EXPECT_EQ(m.cpu.regs.s, 0x0800 - 12);
    EXPECT_GE(m.cpu.cycles, 50000u);
    EXPECT_LT(m.cpu.cycles, 60000u);
    EXPECT_GT(timer.polls, 5);
}

TEST(Waiting, SyncTakesAnUnmaskedInterruptAndGoesOnPastAMaskedOne) {
    for (const bool masked : {false, true}) {
        Machine m("13 12");  // sync; nop
        m.cpu.regs.cc = masked ? sim::CC_I : 0;
        Timer timer(*m.memory, 10000, &sim::InterruptLines::irq);
        m.memory->map_device(0xC000, 0xC001, timer);
        (*m.handler)[0x1001] = true;
        const sim::Stop stop = m.cpu.run({.max_cycles = 20000, .until = m.handler.get()});
        EXPECT_EQ(stop.reason, StopReason::until);
        EXPECT_EQ(stop.pc, masked ? 0x1001 : 0x2000);
        EXPECT_EQ(m.cpu.regs.s, masked ? 0x0800 : 0x0800 - 12);
    }
}

TEST(Waiting, AWaitCutShortByTheLimitGoesOnInTheNextRun) {
    Machine m("3C EF");
    Timer timer(*m.memory, 100000, &sim::InterruptLines::irq);
    m.memory->map_device(0xC000, 0xC001, timer);
    EXPECT_EQ(m.cpu.run({.max_cycles = 1000}).reason, StopReason::cycle_limit);
    EXPECT_EQ(m.cpu.wait, sim::Cpu::Wait::cwai);
    const sim::Stop stop = m.cpu.run({.max_cycles = 120000, .until = m.handler.get()});
    EXPECT_EQ(stop.pc, 0x2000);
    EXPECT_EQ(m.cpu.regs.s, 0x0800 - 12);  // stacked once
}

TEST(Waiting, EndsWhenTheLastDeviceThatCouldWakeHasGone) {
    Machine m("3C EF");
    Timer timer(*m.memory, 0, &sim::InterruptLines::firq);  // fires at the first poll, into a masked line
    m.memory->map_device(0xC000, 0xC001, timer);
    m.cpu.regs.cc = sim::CC_F;
    const sim::Stop stop = m.cpu.run({.max_cycles = 1000000});
    EXPECT_EQ(stop.reason, StopReason::waiting);
    EXPECT_EQ(stop.pc, 0x1002);
}

TEST(Nmi, IgnoredUntilSIsLoaded) {
    Machine m("12 10 CE 08 00 12");  // nop; lds #$0800; nop
    m.memory->load(0xFFFC, 0x30);
    m.memory->lines.nmi = true;
    m.cpu.run({.max_cycles = 1});
    EXPECT_EQ(m.cpu.regs.pc, 0x1001);  // not recognised, and dropped
    m.cpu.run({.max_cycles = 4});
    EXPECT_EQ(m.cpu.regs.pc, 0x1005);  // lds ran: armed
    m.memory->lines.nmi = true;
    m.cpu.run({.max_cycles = 7});
    EXPECT_EQ(m.cpu.regs.pc, 0x3000);
    EXPECT_FALSE(m.memory->lines.nmi);  // the edge is taken once
}

class Recorder : public sim::Tracer {
public:
    void executed(std::uint64_t cycles_before, std::uint16_t pc, const sim::Registers& after) override {
        seen.push_back({cycles_before, pc, after.a});
    }
    struct Seen {
        std::uint64_t cycles;
        std::uint16_t pc;
        std::uint8_t a;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
};

TEST(Trace, TellsEachInstructionWithTheRegistersAfterIt) {
    Machine m("86 41 4C 3F");  // lda #$41; inca; swi
    Recorder recorder;
    m.cpu.run({.stop_on_swi = true}, &recorder);
    EXPECT_EQ(recorder.seen, (std::vector<Recorder::Seen>{{0, 0x1000, 0x41}, {2, 0x1002, 0x42}}));
}

TEST(Memory, RomIgnoresAndCountsWritesAndDevicesSeeTheirOffset) {
    Machine m("86 55 B7 E0 00 B7 C0 01 B6 C0 01 3F");  // lda #$55; sta $E000; sta $C001; lda $C001; swi
    m.memory->load(0xE000, 0xAA);
    m.memory->mark_rom(0xE000, 0xFFFF);
    Timer device(*m.memory, ~0ull, &sim::InterruptLines::irq);
    m.memory->map_device(0xC000, 0xC001, device);
    m.cpu.run({.stop_on_swi = true});
    EXPECT_EQ(m.memory->peek(0xE000), 0xAA);
    EXPECT_EQ(m.memory->ignored_rom_writes(), 1u);
    EXPECT_EQ(m.cpu.regs.a, 0x01);  // the device answers its offset
    EXPECT_FALSE(m.memory->stop_requested);
}

// A 16-bit read reaches a device high byte first, as the CPU's bus cycles do.
TEST(Memory, WordReadsReachADeviceHighByteFirst) {
    class Counter : public sim::Device {
    public:
        std::uint8_t read(std::uint16_t) override { return ++reads; }
        void write(std::uint16_t, std::uint8_t) override {}
        std::uint8_t reads = 0;
    };
    Machine m("FC C0 00 3F");  // ldd $C000; swi
    Counter counter;
    m.memory->map_device(0xC000, 0xC001, counter);
    m.cpu.run({.stop_on_swi = true});
    EXPECT_EQ(m.cpu.regs.a, 1);
    EXPECT_EQ(m.cpu.regs.b, 2);
}

// Code fetched from a device, or next to one, runs as from memory, and the
// device sees each byte fetched from it once.
TEST(Memory, InstructionsFetchFromADeviceAsFromMemory) {
    class CodeDevice : public sim::Device {
    public:
        std::uint8_t read(std::uint16_t offset) override {
            ++reads;
            return code[offset];
        }
        void write(std::uint16_t, std::uint8_t) override {}
        std::array<std::uint8_t, 4> code{};
        int reads = 0;
    };
    struct Case {
        const char* before;        // at $BFFC, to $BFFF
        std::array<std::uint8_t, 4> device;  // at $C000
        std::uint16_t jump_to;
        std::uint16_t d;
        int reads;
    };
    const Case cases[] = {
        {"3F 3F 3F 3F", {0xCC, 0x12, 0x34, 0x3F}, 0xC000, 0x1234, 4},  // ldd #$1234; swi, all on the device
        {"3F 3F CC 12", {0x34, 0x3F, 0x3F, 0x3F}, 0xBFFE, 0x1234, 2},  // ldd's low byte and swi on the device
        {"CC 56 78 3F", {0x3F, 0x3F, 0x3F, 0x3F}, 0xBFFC, 0x5678, 0},  // ldd; swi beside the device
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jump_to);
        Machine m("7E 00 00");  // jmp
        m.memory->load(ORIGIN + 1, static_cast<std::uint8_t>(c.jump_to >> 8));
        m.memory->load(ORIGIN + 2, static_cast<std::uint8_t>(c.jump_to));
        const auto before = parse_bytes(c.before);
        for (std::size_t i = 0; i < before.size(); ++i) {
            m.memory->load(static_cast<std::uint16_t>(0xBFFC + i), before[i]);
        }
        CodeDevice device;
        device.code = c.device;
        m.memory->map_device(0xC000, 0xC003, device);
        const sim::Stop stop = m.cpu.run({.max_cycles = 100, .stop_on_swi = true});
        EXPECT_EQ(stop.reason, StopReason::swi);
        EXPECT_EQ(m.cpu.regs.a << 8 | m.cpu.regs.b, c.d);
        EXPECT_EQ(m.cpu.cycles, 4u + 3u);  // jmp, ldd #
        EXPECT_EQ(device.reads, c.reads);
    }
}

}  // namespace
